// The manual pages: every command that quorvane-cli --help lists has its
// section in quorvane-cli(1), with its arguments and its exit status.
#include "support/cli_runner.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qv {
namespace {

// The command names of the --help list ("  name   summary").
std::vector<std::string> ListedCommands() {
    const test::CliResult r = test::RunCli({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    std::vector<std::string> names;
    std::istringstream lines(r.out);
    std::string line;
    bool inList = false;
    while (std::getline(lines, line)) {
        if (line == "Commands:") {
            inList = true;
            continue;
        }
        if (inList && line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] != ' ')
            names.push_back(line.substr(2, line.find(' ', 2) - 2));
        else if (inList && line.empty())
            break;
    }
    return names;
}

// A roff text as a reader sees it: "\-" is a hyphen.
std::string Plain(std::string roff) {
    std::string out;
    for (std::size_t i = 0; i < roff.size(); ++i) {
        if (roff.compare(i, 2, "\\-") == 0) {
            out += '-';
            ++i;
        } else {
            out += roff[i];
        }
    }
    return out;
}

TEST(ManPages, EveryCommandHasItsSectionWithArgumentsAndExitStatus) {
    const std::string page = Plain(test::ReadFile(test::SourcePath("docs/man/quorvane-cli.1")));
    ASSERT_FALSE(page.empty());
    const std::vector<std::string> commands = ListedCommands();
    ASSERT_GT(commands.size(), 10u);
    for (const std::string& name : commands) {
        const std::size_t at = page.find(".SS \"" + name + " ");
        const std::size_t bare = page.find(".SS \"" + name + "\"");
        ASSERT_TRUE(at != std::string::npos || bare != std::string::npos)
            << "docs/man/quorvane-cli.1 has no section for " << name;
        const std::size_t start = at != std::string::npos ? at : bare;
        const std::size_t end = page.find(".SS ", start + 4);
        const std::string section = page.substr(start, end - start);
        EXPECT_NE(section.find("Exit status: "), std::string::npos) << name;
        // The section's synopsis is the command's usage line.
        const test::CliResult help = test::RunCli({name, "--help"});
        const std::string usage = help.out.substr(0, help.out.find('\n'));
        const std::string synopsis = usage.substr(std::string("Usage: quorvane-cli ").size());
        EXPECT_NE(section.find(synopsis), std::string::npos) << name << ": " << synopsis;
    }
    EXPECT_NE(page.find(".SH EXIT STATUS"), std::string::npos);
}

TEST(ManPages, TheDesktopProgramsPage) {
    const std::string page = test::ReadFile(test::SourcePath("docs/man/quorvane.1"));
    EXPECT_EQ(page.rfind(".TH QUORVANE 1", 0), 0u);
    EXPECT_NE(page.find(".SH PRINTING"), std::string::npos);
    EXPECT_NE(page.find(".SH SEE ALSO"), std::string::npos);
}

} // namespace
} // namespace qv
