#include "support/utility_workspace.h"

#include "support/scripted.h"

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace qv::test {

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

void UtilityWorkspace::SetUp() {
    dir = TempDir();
    config = dir + "/config";
}

void UtilityWorkspace::TearDown() {
    std::filesystem::remove_all(dir);
}

CliResult UtilityWorkspace::Run(const std::vector<std::string>& args) {
    std::string cmd =
        "cd " + Quote(dir) + " && env XDG_CONFIG_HOME=" + Quote(config) + " " + Quote(QV_CLI_PATH);
    for (const std::string& a : args)
        cmd += " " + Quote(a);
    cmd += " </dev/null >" + Quote(dir + "/out.txt") + " 2>" + Quote(dir + "/err.txt");
    int status = std::system(cmd.c_str());
    CliResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(dir + "/out.txt");
    r.err = ReadFile(dir + "/err.txt");
    return r;
}

} // namespace qv::test
