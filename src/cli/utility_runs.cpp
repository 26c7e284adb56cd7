#include "cli/utility_runs.h"

#include "utilities/command_runner.h"
#include "utilities/nds_rights.h"
#include "utilities/rights_wait.h"

#include <chrono>
#include <thread>

namespace qv::cli {

bool ParseTickMs(const std::optional<std::string>& text, long long& tickMs) {
    tickMs = 1000;
    if (!text)
        return true;
    std::optional<long long> n = ParseNumber(*text);
    if (!n || *n < 1 || *n > 60 * 60 * 1000)
        return false;
    tickMs = *n;
    return true;
}

std::vector<std::string> TakeList(CommandArguments& args, std::string_view option, bool& missing) {
    std::vector<std::string> values;
    CommandArguments rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != option) {
            rest.push_back(args[i]);
            continue;
        }
        std::size_t before = values.size();
        while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
            values.push_back(args[++i]);
        missing = missing || values.size() == before;
    }
    args = std::move(rest);
    return values;
}

bool RunRightsBatch(std::string_view batchFile, std::string_view reportPrefix,
                    std::string_view utility, long long tickMs, bool& notRun) {
    using namespace utilities;
    DeleteReportFiles(".", reportPrefix);
    RightsWait wait({}, {}, {}, [] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
    wait.SetCommandText(std::string(batchFile));
    wait.SetPauseMs(10 * tickMs);
    InterpreterLogWatch log;
    log.Mark();
    wait.Start();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(tickMs));
        if (wait.Tick())
            break;
    }
    const std::vector<std::string> problems = RightsRunProblems(wait, log, utility);
    for (const std::string& line : problems)
        PrintBox(line);
    notRun = !problems.empty();
    return wait.Finished();
}

bool StartRightsRun(Interaction& ui, bool fromReports, utilities::WorkingFolderLock& lock,
                    const std::function<Result<void>()>& writeBatch, std::string_view batchFile,
                    std::string_view reportPrefix, std::string_view utility, long long tickMs,
                    bool& notRun) {
    notRun = false;
    if (fromReports)
        return true;
    if (utilities::RightsUtilityRunning({}, ui, &lock))
        return false;
    if (Result<void> written = writeBatch(); !written) {
        PrintBox(written.error());
        return false;
    }
    return RunRightsBatch(batchFile, reportPrefix, utility, tickMs, notRun);
}

bool ReadRightsReports(const std::string& folder, std::size_t count,
                       const std::function<std::string(std::size_t)>& reportName,
                       const std::function<Result<void>(const std::string& path)>& parse,
                       std::size_t& read) {
    read = 0;
    for (std::size_t i = 1; i <= count; ++i) {
        const std::string name = reportName(i);
        const Result<void> parsed = parse(folder + "/" + name);
        if (parsed) {
            ++read;
            continue;
        }
        const std::string& error = parsed.error();
        // A directory without rights: said once, and no empty report.
        if (utilities::IsNoRightsInformation(error)) {
            PrintBox(error);
            return false;
        }
        PrintBox("Error in report file: " + name + "." + "\r" + error);
    }
    return true;
}

} // namespace qv::cli
