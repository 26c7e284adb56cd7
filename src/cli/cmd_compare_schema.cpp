// quorvane-cli compare-schema DESIGN.qvd SERVER SERVER... [--reports DIR]
// [--tick-ms N]: Server Schema Comparison without windows.
#include "cli/cli.h"
#include "cli/utility_runs.h"

#include "core/ascii_text.h"

#include "utilities/schema_compare.h"

#include <chrono>
#include <iostream>
#include <limits>
#include <thread>

namespace qv::cli {
namespace {

const char* const kDetails =
    "Compares the schemas of the servers (servers of the design, at least two) as\n"
    "Server Schema Comparison does: SCHCMP.EXE runs through quorvane-cmd once for\n"
    "every pair of the servers sorted by name, one run at a time, into SRD1.TXT,\n"
    "SRD2.TXT, ... of the current folder (old SRD* files there are deleted first);\n"
    "the census of the runs' process titles is taken once every N milliseconds\n"
    "(1000 by default) and the reports are read on the ninth tick without a run\n"
    "after the last start. With --reports the SRD<n>.TXT files already in DIR are\n"
    "read instead and nothing is run. When some report cannot be read, the\n"
    "question whether to continue is answered Yes. A second comparison in the same\n"
    "folder is refused while one runs. Each SCHCMP.EXE run is waited for at most\n"
    "600 ticks (ten minutes at the default tick); then the wait is given up, the\n"
    "run is ended and the command fails. An interpreter or a SCHCMP.EXE that\n"
    "cannot be started is reported with its own message and fails the command.\n"
    "\n"
    "For every server in sorted order the line \"Server: NAME\" is printed, then for\n"
    "every report that involves it the text the Print button of the report window\n"
    "prints for it (that server on the left), each followed by an empty line.\n"
    "\n"
    "Exit status: 0 at least one report was read, 1 none could be read (the\n"
    "reader's lines on stderr), a run could not start or was given up, or another\n"
    "comparison still runs, 2 usage errors\n"
    "and designs that cannot be opened.\n";

int Run(const Command& self, const CommandArguments& args) {
    using namespace utilities;
    CommandArgs a(self, args);
    const std::optional<std::string> reports = a.Value("--reports");
    const std::optional<std::string> tick = a.Value("--tick-ms");
    if (!a.ExpectBetween(3, std::numeric_limits<std::size_t>::max(),
                         "expects DESIGN and at least two SERVERs"))
        return kExitUsage;
    long long tickMs = 1000;
    if (!ParseTickMs(tick, tickMs))
        return a.Usage(kTickMsUsage);
    int result = kExitUsage;
    WithDesign(a[0], DesignUse::Plain, [&](Session& s) {
        // The servers as the design spells them, each once.
        std::vector<std::string> chosen;
        for (std::size_t i = 1; i < a.Count(); ++i) {
            std::string name = a[i];
            if (!name.empty() && name[0] == '.')
                name.erase(0, 1);
            const std::string* found = nullptr;
            for (const TableItem& item : s.design.servers)
                if (UpperAscii(item.name) == UpperAscii(name))
                    found = &item.name;
            if (!found) {
                result = a.Usage("no server " + name + " in the design");
                return kExitFailed;
            }
            bool seen = false;
            for (const std::string& c : chosen)
                seen = seen || c == *found;
            if (!seen)
                chosen.push_back(*found);
        }
        if (!EnoughServers(chosen.size(), s.ui)) {
            result = kExitUsage;
            return kExitFailed;
        }
        chosen = SortServers(chosen);
        const std::vector<std::string> commands = BuildSchemaCommands(chosen);
        std::vector<TSchCmpClass> results;
        std::vector<std::string> memo;
        int parsed = 0;
        bool failed = false;
        bool notRun = false; // the interpreter could not run some line
        if (reports) {
            results.assign(commands.size(), TSchCmpClass{});
            failed = ParseAllSchemaReports(commands, results, memo, *reports, &parsed);
            if (failed)
                s.ui.AskYesNo(kNotAllReports);
        } else {
            WorkingFolderLock lock;
            if (!SchemaRunsIdle(ProcessCensus(std::string(kSchemaMarker)), s.ui, &lock)) {
                result = kExitFailed;
                return kExitFailed;
            }
            DeleteOldSchemaReports(".");
            SchemaReportRun run(commands, ProcessCensus(std::string(kSchemaMarker)),
                                SchemaReportRun::InterpreterStarter(), s.ui);
            InterpreterLogWatch log;
            log.Mark();
            run.Show();
            while (run.TimerRunning()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(tickMs));
                run.Tick();
            }
            const std::vector<std::string> problems = SchemaRunProblems(run, log);
            for (const std::string& line : problems)
                PrintBox(line);
            if (run.StartFailed() || run.GaveUp()) {
                result = kExitFailed;
                return kExitFailed;
            }
            notRun = !problems.empty();
            results = std::move(run.Results());
            memo = run.Memo();
            parsed = run.ParsedCount();
            failed = run.ReportFailed();
        }
        if (failed)
            for (const std::string& line : memo)
                std::cerr << Visible(ToUtf8(line)) << "\n";
        if (parsed == 0) {
            result = kExitFailed;
            return kExitFailed;
        }
        SchemaReportBrowser browser(results, chosen);
        std::vector<std::string> lines;
        for (const std::string& server : browser.Servers()) {
            lines.push_back("Server: " + server);
            const Result<std::string> notice = browser.SelectServer(server);
            const std::string& message = notice ? *notice : notice.error();
            if (!message.empty())
                PrintBox(message);
            if (!notice)
                continue;
            do {
                for (std::string& line : browser.PrintLines())
                    lines.push_back(ToUtf8(line));
                lines.emplace_back();
            } while (browser.SpinDown());
        }
        result = PrintLines(lines);
        if (result == kExitOk && notRun)
            result = kExitFailed;
        return result;
    });
    return result;
}

const Registration
    kRegistration({"compare-schema", "DESIGN.qvd SERVER SERVER... [--reports DIR] [--tick-ms N]",
                   "compare the schemas of servers pair by pair (SCHCMP reports)", kDetails, Run});

} // namespace
} // namespace qv::cli
