// The settings file as a hostile or unlucky user leaves it: a FIFO or a
// folder in its place, a symbolic link, other hard links.
#include "files/file_access.h"
#include "platform/settings_store.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(SettingsFile, WhatIsNotARegularFileIsRefusedAndLeftAlone) {
    const std::string dir = TempDir();
    const std::string fifo = dir + "/Quorvane.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    IniSettingsStorage storage(fifo);
    test::ScriptedInteraction ui;
    WarningSettings settings;
    std::int32_t version = 0;
    ReadRegistry(storage, ui, settings, version); // must not block
    EXPECT_EQ(ui.Texts("error"), std::vector<std::string>{"Cannot open file \"" + fifo +
                                                          "\". It is a named pipe (FIFO), not a "
                                                          "regular file."});
    EXPECT_TRUE(settings == WarningSettings{});
    EXPECT_FALSE(WriteRegistry(storage, ui, settings));
    EXPECT_EQ(ui.Texts("information"),
              std::vector<std::string>{"Cannot create file \"" + fifo +
                                       "\". It is a named pipe (FIFO), not a regular file."});
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A file far beyond any settings file is not read.
    const std::string big = dir + "/big.ini";
    WriteFile(big, std::string(kMaxSettingsFileBytes + 1, '#'));
    IniSettingsStorage large(big);
    test::ScriptedInteraction ui2;
    ReadRegistry(large, ui2, settings, version);
    ASSERT_EQ(ui2.Texts("error").size(), 1u);
    EXPECT_NE(ui2.Texts("error")[0].find("larger than 1 MiB"), std::string::npos);
}

TEST(SettingsFile, ALinkIsFollowedAndOtherNamesAreToldOf) {
    const std::string dir = TempDir();
    const std::string real = dir + "/real.ini";
    WriteFile(real, "[Other]\nkept=1\n");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(symlink("real.ini", (dir + "/Quorvane.ini").c_str()), 0);
    IniSettingsStorage storage(dir + "/Quorvane.ini");
    test::ScriptedInteraction ui;
    WarningSettings changed;
    changed.MaxSubRefs = 7;
    ASSERT_TRUE(WriteRegistry(storage, ui, changed));
    struct stat st {};
    ASSERT_EQ(lstat((dir + "/Quorvane.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(ReadFile(real).find("kept=1"), std::string::npos);
    WarningSettings read;
    std::int32_t version = 0;
    ReadRegistry(storage, ui, read, version);
    EXPECT_EQ(read.MaxSubRefs, 7);
    EXPECT_TRUE(ui.boxes.empty());

    ASSERT_EQ(link(real.c_str(), (dir + "/other.ini").c_str()), 0);
    changed.MaxSubRefs = 8;
    ASSERT_TRUE(WriteRegistry(storage, ui, changed));
    EXPECT_EQ(ui.Texts("information"),
              std::vector<std::string>{"The settings file \"" + dir +
                                       "/Quorvane.ini\" had 1 other name(s) (hard links): "
                                       "saving replaced only this name."});
}

} // namespace
} // namespace qv
