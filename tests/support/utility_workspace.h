// A folder in which a test runs quorvane-cli as a user runs the console
// utilities: the batch files and the utilities' reports go there, and the
// program reads the folder's own settings (XDG_CONFIG_HOME), so tree
// connections and drive mappings never leak between tests.
#pragma once

#include "support/cli_runner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::test {

class UtilityWorkspace : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Runs quorvane-cli in dir with the settings of config.
    CliResult Run(const std::vector<std::string>& args);

    std::string dir, config;
    const std::string design = SourcePath("examples/corp.qvd");
    const std::string ldif = SourcePath("examples/corp_tree.ldif");
};

} // namespace qv::test
