// Runs quorvane-cli as a separate process and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace qv::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built quorvane-cli with the arguments; stdinText is fed to it.
CliResult RunCli(const std::vector<std::string>& args, const std::string& stdinText = "",
                 const std::vector<std::string>& env = {});
// Path of a file in the source tree (examples/..., tests/data/...).
std::string SourcePath(const std::string& relative);

} // namespace qv::test
