// quorvane-cli verify-default-servers DESIGN.qvd CONTEXT [--report FILE]
// [--tick-ms N]: Verify User Default Server without windows.
#include "cli/cli.h"
#include "cli/utility_runs.h"

#include "utilities/default_servers.h"

#include <chrono>
#include <iostream>
#include <thread>

namespace qv::cli {
namespace {

const char* const kDetails =
    "Lists with NLIST every user object in and below CONTEXT (a container of the\n"
    "design, written as its full context, SALES.CORP, or [ROOT]) with its default\n"
    "server, as Verify User Default Server does: NLIST runs through quorvane-cmd\n"
    "into DEFSRV.TXT of the current folder, its end is awaited by the census of\n"
    "its process title once every N milliseconds (1000 by default), and the file\n"
    "is read on the eleventh tick without it. An old DEFSRV.TXT is deleted before\n"
    "NLIST runs, and a second run in the same folder is refused while one runs.\n"
    "NLIST is waited for at most 600 ticks (ten minutes at the default tick); then\n"
    "the wait is given up, quorvane-cmd and NLIST are ended and the command fails.\n"
    "An interpreter or an NLIST that cannot be started fails the command with its\n"
    "own message. With --report the NLIST output in FILE is read instead and\n"
    "nothing is run.\n"
    "\n"
    "For every context of the output, in order, the summary of the result window\n"
    "is printed: the partition root, the recommended default servers (the servers\n"
    "with a master or read/write replica of the partition) and every user with its\n"
    "default server, \", WARNING!\" after one that is not recommended; then an\n"
    "empty line. A context the design cannot place is reported on stderr and\n"
    "skipped.\n"
    "\n"
    "Exit status: 0 the output was read, 1 it could not be read (the reader's\n"
    "lines on stderr), NLIST could not run or was given up, or another report\n"
    "still runs, 2 usage errors and designs\n"
    "that cannot be opened.\n";

void PrintErrorLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        std::cerr << Visible(ToUtf8(line)) << "\n";
}

// The report of NLIST for the context text, read as the dialog reads it.
bool RunNlist(const std::string& contextText, long long tickMs,
              utilities::DefaultServerContexts& contexts, std::vector<std::string>& memo) {
    using namespace utilities;
    const std::string text = DefaultServerCommandText(contextText);
    DefaultServerWait wait(ProcessCensus(std::string(kDefaultServerMarker)), [&] {
        StartExternalCommand(kDefaultServerMarker, text, kDefaultServerFile);
    });
    InterpreterLogWatch log;
    log.Mark();
    wait.Start();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(tickMs));
        if (!wait.Tick())
            continue;
        std::vector<std::string> problems = DefaultServerRunProblems(wait, log);
        if (!problems.empty()) {
            memo = std::move(problems);
            return false;
        }
        return ParseDefaultServerFile(contexts, memo);
    }
}

int Run(const Command& self, const CommandArguments& args) {
    using namespace utilities;
    CommandArgs a(self, args);
    const std::optional<std::string> report = a.Value("--report");
    const std::optional<std::string> tick = a.Value("--tick-ms");
    if (!a.Expect(2, "expects DESIGN and CONTEXT"))
        return kExitUsage;
    long long tickMs = 1000;
    if (!ParseTickMs(tick, tickMs))
        return a.Usage(kTickMsUsage);
    int result = kExitUsage;
    WithDesign(a[0], DesignUse::Plain, [&](Session& s) {
        std::string context = a[1];
        if (!context.empty() && context[0] == '.')
            context.erase(0, 1);
        ObjectNode* node = s.design.FindNodeByContext(context);
        if (!node) {
            result = a.Usage("no container " + context + " in the design");
            return kExitFailed;
        }
        DefaultServerContexts contexts;
        std::vector<std::string> memo;
        if (report) {
            result = ParseDefaultServerFile(*report, contexts, memo) ? kExitOk : kExitFailed;
        } else if (WorkingFolderLock lock;
                   CountCommandWindows(kDefaultServerMarker) != 0 || !lock.Acquire(".")) {
            PrintBox(kDefaultServerRunning);
            result = kExitFailed;
            return kExitFailed;
        } else {
            DeleteOldDefaultServerReport(".");
            result = RunNlist(DefaultServerContextText(s.design, node), tickMs, contexts, memo)
                         ? kExitOk
                         : kExitFailed;
        }
        if (result != kExitOk) {
            PrintErrorLines(memo);
            return kExitFailed;
        }
        std::vector<LocatedContext> located = LocateContexts(s.design, contexts);
        if (std::string note = BeyondLimitMessage(contexts.size()); !note.empty())
            PrintBox(note);
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < contexts.size(); ++i) {
            if (located[i].beyondLimit) {
                PrintBox("Not located: " + contexts[i].name);
                continue;
            }
            if (!located[i].Located()) {
                PrintBox(CannotLocateMessage(contexts[i].name));
                continue;
            }
            ObjectNode* root = NodeAtAbsoluteIndex(s.design, located[i].rootIndex);
            SortUsers(contexts[i]);
            for (std::string& line : BuildDefaultServerSummary(
                     contexts[i], s.design.FullContext(root), RecommendedServers(s.design, root)))
                lines.push_back(std::move(line));
            lines.emplace_back();
        }
        result = PrintLines(lines);
        return result;
    });
    return result;
}

const Registration kRegistration({"verify-default-servers",
                                  "DESIGN.qvd CONTEXT [--report FILE] [--tick-ms N]",
                                  "check users' default servers against the partitions of "
                                  "their contexts (NLIST output)",
                                  kDetails, Run});

} // namespace
} // namespace qv::cli
