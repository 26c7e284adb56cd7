#include "support/cli_runner.h"

#include "support/scripted.h"

#include <cstdlib>
#include <stdexcept>
#include <sys/wait.h>

namespace qv::test {

namespace {
std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q.push_back(c);
    }
    q += "'";
    return q;
}
} // namespace

CliResult RunCli(const std::vector<std::string>& args, const std::string& stdinText,
                 const std::vector<std::string>& env) {
    std::string dir = TempDir();
    std::string in = dir + "/stdin", out = dir + "/stdout", err = dir + "/stderr";
    WriteFile(in, stdinText);
    std::string cmd;
    for (const std::string& e : env)
        cmd += Quote(e) + " ";
    cmd += Quote(QV_CLI_PATH);
    for (const std::string& a : args)
        cmd += " " + Quote(a);
    cmd += " <" + Quote(in) + " >" + Quote(out) + " 2>" + Quote(err);
    if (!env.empty())
        cmd = "env " + cmd;
    int status = std::system(cmd.c_str());
    CliResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    std::system(("rm -rf " + Quote(dir)).c_str());
    return r;
}

std::string SourcePath(const std::string& relative) {
    return std::string(QV_SOURCE_DIR) + "/" + relative;
}

} // namespace qv::test
