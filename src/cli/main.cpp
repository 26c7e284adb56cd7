#include "cli/cli.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>

namespace {

void PrintOverview() {
    std::cout << "Usage: quorvane-cli COMMAND [ARGS...]\n\n"
                 "The headless companion of Quorvane: plans, checks and documents the partition\n"
                 "and replica layout of an NDS tree in design files (*.qvd).\n\nCommands:\n";
    std::vector<qv::cli::Command> sorted = qv::cli::Commands();
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        return std::string_view(a.name) < std::string_view(b.name);
    });
    for (const auto& c : sorted) {
        std::string name = c.name;
        // Names longer than the column still get a blank before their summary.
        name.resize(std::max<std::size_t>(name.size() + 1, 24), ' ');
        std::cout << "  " << name << c.summary << "\n";
    }
    std::cout << "\nRun 'quorvane-cli COMMAND --help' for a command's arguments.\n"
                 "Exit status: 0 success, 1 the operation failed or was refused (the message\n"
                 "on stderr), 2 usage error.\n";
}

// The exit status after help text went to stdout: 1 when it could not be
// written (a closed or full output), with the reason on stderr.
int HelpWritten(int status) {
    errno = 0;
    std::cout.flush();
    if (std::cout)
        return status;
    const int error = errno;
    std::cout.clear();
    std::cerr << "quorvane-cli: cannot write the output: "
              << (error ? std::strerror(error) : "write error") << "\n";
    return qv::cli::kExitFailed;
}

} // namespace

int main(int argc, char** argv) {
    // A closed pipe is a failed write (exit status 1), not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintOverview();
        return HelpWritten(qv::cli::kExitUsage);
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintOverview();
        return HelpWritten(qv::cli::kExitOk);
    }
    for (const auto& c : qv::cli::Commands()) {
        if (args[0] != c.name)
            continue;
        std::vector<std::string> rest(args.begin() + 1, args.end());
        if (qv::cli::WantsHelp(rest)) {
            qv::cli::PrintCommandHelp(c);
            return HelpWritten(qv::cli::kExitOk);
        }
        if (const std::string twice = qv::cli::RepeatedOption(c, rest); !twice.empty())
            return qv::cli::UsageError(c, twice + " given twice");
        if (c.plainArgs >= 0) {
            qv::cli::CommandArgs a(c, rest);
            if (!a.Expect(static_cast<std::size_t>(c.plainArgs), c.countError))
                return qv::cli::kExitUsage;
        }
        try {
            return c.run(c, rest);
        } catch (const std::bad_alloc&) {
            std::cerr << "Out of memory.\n";
            return qv::cli::kExitFailed;
        }
    }
    std::cerr << "quorvane-cli: unknown command '" << args[0] << "'\n"
              << "Try 'quorvane-cli --help'.\n";
    return qv::cli::kExitUsage;
}
