// quorvane-cli utilities: the drive mappings and the utility path, kept in
// the settings that quorvane-cmd and the stand-ins read.
#include "platform/utility_settings.h"
#include "support/cli_runner.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace qv {
namespace {

TEST(UtilitiesCommand, MapsDrivesAndSetsThePath) {
    const std::string config = test::TempDir();
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    test::CliResult r = test::RunCli({"utilities"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "path (the stand-ins installed with the program)\n");
    EXPECT_EQ(test::RunCli({"utilities", "map", "f:", ".FS1_SYS.CORP"}).exitCode, 0);
    EXPECT_EQ(test::RunCli({"utilities", "map", "G", "FS2_SYS.SALES.CORP"}).exitCode, 0);
    EXPECT_EQ(test::RunCli({"utilities", "path", "/opt/a", "/opt/b"}).exitCode, 0);
    r = test::RunCli({"utilities"});
    EXPECT_EQ(r.out, "path /opt/a\npath /opt/b\nF: FS1_SYS.CORP\nG: FS2_SYS.SALES.CORP\n");
    UtilitySettings s = UtilitySettingsStore().Read().value_or({});
    EXPECT_EQ(s.drives.at('F'), "FS1_SYS.CORP");
    EXPECT_EQ(s.utilityPath.size(), 2u);

    EXPECT_EQ(test::RunCli({"utilities", "unmap", "G:"}).exitCode, 0);
    EXPECT_EQ(test::RunCli({"utilities", "unmap", "G"}).exitCode, 1);
    EXPECT_EQ(test::RunCli({"utilities", "path"}).exitCode, 0);
    EXPECT_EQ(test::RunCli({"utilities"}).out,
              "path (the stand-ins installed with the program)\nF: FS1_SYS.CORP\n");
    for (auto bad : std::vector<std::vector<std::string>>{{"utilities", "map", "FF", "V"},
                                                          {"utilities", "map", "1", "V"},
                                                          {"utilities", "map", "F", "."},
                                                          {"utilities", "unmap"},
                                                          {"utilities", "path", "a:b"},
                                                          {"utilities", "jump"}})
        EXPECT_EQ(test::RunCli(bad).exitCode, 2) << bad[1] << " " << bad.back();
    unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace qv
