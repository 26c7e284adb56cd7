#include "platform/settings_store.h"
#include "reports/warning_settings.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace qv {
namespace {

using test::ScriptedInteraction;

std::string Bytes(const WarningConfigBytes& b) {
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

// A storage whose contents the test sets.
class MemoryStorage : public SettingsStorage {
public:
    StoredSettings stored;
    bool writable = true;
    int writes = 0;
    StoredSettings Read() override { return stored; }
    bool Write(std::int32_t version, const WarningConfigBytes& config) override {
        if (!writable)
            return false;
        ++writes;
        stored.versionPresent = true;
        stored.version = version;
        stored.configPresent = true;
        stored.configBinary = true;
        stored.config = Bytes(config);
        return true;
    }
};

TEST(WarningSettingsRecord, LayoutIsLittleEndianWithSwitchesAndPadding) {
    WarningSettings s;
    s.MaxSubRefs = 0x01020304;
    s.MinSkadsVersion = -2;
    s.CheckMinDSVersion = false;
    s.CheckDupAddr = true;
    WarningConfigBytes b = EncodeWarningSettings(s);
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(b[0], 4);
    EXPECT_EQ(b[3], 1);
    EXPECT_EQ(b[4], 10); // MaxReadables
    EXPECT_EQ(b[8], 3);  // MinReplicasPerPartition
    EXPECT_EQ(b[16] | (b[17] << 8), 5000);
    EXPECT_EQ(b[24] | (b[25] << 8), 730);
    EXPECT_EQ(b[28], 0xFE);
    EXPECT_EQ(b[31], 0xFF);
    EXPECT_EQ(b[32], 1);
    EXPECT_EQ(b[34], 0); // CheckMinDSVersion
    EXPECT_EQ(b[40], 1); // CheckDupAddr
    EXPECT_EQ(b[41], 0);
    EXPECT_EQ(b[42], 0);
    EXPECT_EQ(b[43], 0);

    WarningSettings back;
    DecodeWarningSettings(Bytes(b), back);
    EXPECT_EQ(back, s);
}

TEST(WarningSettingsRecord, ShortValueOverwritesOnlyLeadingBytes) {
    WarningSettings s;
    std::string shortValue("\x07\x00\x00\x00\x2A", 5); // MaxSubRefs 7, low byte of MaxReadables
    DecodeWarningSettings(shortValue, s);
    EXPECT_EQ(s.MaxSubRefs, 7);
    EXPECT_EQ(s.MaxReadables, 42);
    EXPECT_EQ(s.MinReplicasPerPartition, 3);
    EXPECT_TRUE(s.CheckDupAddr);
    DecodeWarningSettings("", s);
    EXPECT_EQ(s.MaxSubRefs, 7);
}

TEST(WarningSettingsRegistry, StartupCases) {
    // Empty store: defaults, no message, 730 for 5.x.
    {
        MemoryStorage st;
        ScriptedInteraction ui;
        WarningSettings s;
        std::int32_t version = kSettingsVersion;
        ReadRegistry(st, ui, s, version);
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_EQ(s, WarningSettings{});
        EXPECT_EQ(s.Min5xDSVersion, 730);
    }
    // A record beside a wrong or missing version: defaults and the reset message.
    for (std::optional<long long> v : {std::optional<long long>(499), std::optional<long long>()}) {
        MemoryStorage st;
        WarningSettings other;
        other.MaxSubRefs = 99;
        st.stored.versionPresent = v.has_value();
        st.stored.version = v;
        st.stored.configPresent = true;
        st.stored.configBinary = true;
        st.stored.config = Bytes(EncodeWarningSettings(other));
        ScriptedInteraction ui;
        WarningSettings s;
        std::int32_t version = kSettingsVersion;
        ReadRegistry(st, ui, s, version);
        EXPECT_EQ(s, WarningSettings{});
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text,
                  "The Warning and Suggestion settings have been reset to default\rsettings due "
                  "to the new configuration parameters in Quorvane 5.0.");
    }
    // Version 500: the record is loaded; a text value or an over-long one is not.
    {
        MemoryStorage st;
        WarningSettings other;
        other.MaxSubRefs = 99;
        other.CheckIPXAddress = false;
        st.stored = {true, 500, true, true, Bytes(EncodeWarningSettings(other))};
        ScriptedInteraction ui;
        WarningSettings s;
        std::int32_t version = 0;
        ReadRegistry(st, ui, s, version);
        EXPECT_EQ(s, other);
        EXPECT_EQ(version, 500);
        EXPECT_TRUE(ui.boxes.empty());

        WarningSettings s2;
        st.stored.config += '\0';
        ReadRegistry(st, ui, s2, version);
        EXPECT_EQ(s2, WarningSettings{});
        st.stored.config.pop_back();
        st.stored.configBinary = false;
        ReadRegistry(st, ui, s2, version);
        EXPECT_EQ(s2, WarningSettings{});
        EXPECT_TRUE(ui.boxes.empty());
    }
}

TEST(WarningSettingsRegistry, WriteFailureWarnsAndWritesNothing) {
    MemoryStorage st;
    st.writable = false;
    ScriptedInteraction ui;
    EXPECT_FALSE(WriteRegistry(st, ui, WarningSettings{}));
    ASSERT_EQ(ui.Texts("warning").size(), 1u);
    EXPECT_EQ(ui.Texts("warning")[0], "Error updating the workstation's registry.");
    EXPECT_FALSE(st.stored.configPresent);
}

// ---------------------------------------------------------------- dialog OK

SettingsOkResult OkWith(int field, const std::string& text) {
    SettingsDialogState st = SettingsDialogShow(WarningSettings{});
    st.edits[static_cast<std::size_t>(field - 1)] = text;
    return SettingsDialogOk(st, WarningSettings{});
}

TEST(WarningSettingsDialog, CharacterTestListsInvalidFields) {
    SettingsDialogState st = SettingsDialogShow(WarningSettings{});
    st.edits[1] = "-1";
    st.edits[7] = "5.5";
    auto r = SettingsDialogOk(st, WarningSettings{});
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(r.warning, "Invalid input for field(s) : \r2,8.");
    // An empty box and one longer than the box holds are invalid fields too,
    // and the character test comes before the version ranges.
    st = SettingsDialogShow(WarningSettings{});
    st.edits[0] = "";
    st.edits[2] = "700";
    st.edits[5] = "12345678";
    r = SettingsDialogOk(st, WarningSettings{});
    EXPECT_EQ(r.warning, "Invalid input for field(s) : \r1,6.");
    EXPECT_TRUE(OkWith(8, "9999999").accepted);
}

TEST(WarningSettingsDialog, VersionRangesAtTheirBounds) {
    EXPECT_TRUE(OkWith(3, "699").accepted);
    EXPECT_EQ(OkWith(3, "700").warning, "4.X DS Versions must be less than 699.");
    EXPECT_TRUE(OkWith(4, "700").accepted);
    EXPECT_TRUE(OkWith(4, "799").accepted);
    EXPECT_EQ(OkWith(4, "699").warning, "5.X DS Versions must be between 700 and 799.");
    EXPECT_EQ(OkWith(4, "800").warning, "5.X DS Versions must be between 700 and 799.");
    EXPECT_TRUE(OkWith(5, "800").accepted);
    EXPECT_EQ(OkWith(5, "799").warning, "SKADS DS Versions must be greater or equal to 800.");
    EXPECT_EQ(OkWith(5, "799").accepted, std::nullopt);
}

TEST(WarningSettingsDialog, SwitchesAreStoredOnlyAfterAClick) {
    WarningSettings stored;
    stored.CheckDupAddr = false;
    SettingsDialogState st = SettingsDialogShow(stored);
    EXPECT_FALSE(st.settingsChanged);
    EXPECT_FALSE(st.checks[8]);
    // Boxes changed behind the dialog's back do not count without a click.
    st.checks[8] = true;
    st.edits[0] = "12";
    auto r = SettingsDialogOk(st, stored);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.accepted->MaxSubRefs, 12);
    EXPECT_FALSE(r.accepted->CheckDupAddr);
    // One click stores all nine as they stand.
    SettingsDialogClick(st, 0);
    r = SettingsDialogOk(st, stored);
    ASSERT_TRUE(r.accepted);
    EXPECT_FALSE(r.accepted->CheckMaxSubRefs);
    EXPECT_TRUE(r.accepted->CheckDupAddr);
}

TEST(WarningSettingsDialog, ResetToDefaultsGives736) {
    WarningSettings stored;
    stored.CheckIPXAddress = false;
    stored.MaxObjsPerContainer = 1;
    SettingsDialogState st = SettingsDialogShow(stored);
    SettingsDialogReset(st);
    auto r = SettingsDialogOk(st, stored);
    ASSERT_TRUE(r.accepted);
    WarningSettings expected;
    expected.Min5xDSVersion = 736;
    EXPECT_EQ(*r.accepted, expected);
}

// ---------------------------------------------------------------- INI store

class IniStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::TempDir();
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old)
            saved = old;
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    }
    void TearDown() override {
        if (saved)
            setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    std::string dir;
    std::optional<std::string> saved;
};

TEST_F(IniStoreTest, RoundTripThroughTheUsersConfigDirectory) {
    EXPECT_EQ(DefaultSettingsPath(), dir + "/Quorvane/Quorvane.ini");
    IniSettingsStorage store;
    StoredSettings empty = store.Read();
    EXPECT_FALSE(empty.configPresent);
    EXPECT_FALSE(empty.versionPresent);

    WarningSettings s;
    s.MaxReadables = 12;
    s.CheckDupAddr = false;
    ScriptedInteraction ui;
    ASSERT_TRUE(WriteRegistry(store, ui, s));
    StoredSettings got = IniSettingsStorage().Read();
    EXPECT_TRUE(got.configBinary);
    EXPECT_EQ(got.config.size(), 44u);
    EXPECT_EQ(got.config.substr(41), std::string(3, '\0'));
    EXPECT_EQ(got.version, 500);

    WarningSettings loaded;
    std::int32_t version = 0;
    ReadRegistry(store, ui, loaded, version);
    EXPECT_EQ(loaded, s);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(IniStoreTest, HandWrittenValues) {
    std::string path = dir + "/settings.ini";
    test::WriteFile(path, "[SOFTWARE]\nQuorvane\\Version=abc\nQuorvane\\Warning%20Config=text\n");
    StoredSettings got = IniSettingsStorage(path).Read();
    EXPECT_TRUE(got.versionPresent);
    EXPECT_FALSE(got.version);
    EXPECT_TRUE(got.configPresent);
    EXPECT_FALSE(got.configBinary);
    ScriptedInteraction ui;
    WarningSettings s;
    std::int32_t version = 500;
    IniSettingsStorage store(path);
    ReadRegistry(store, ui, s, version);
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(IniStoreTest, UnwritableLocationFails) {
    std::string blocker = dir + "/file";
    test::WriteFile(blocker, "x");
    IniSettingsStorage store(blocker + "/sub/Quorvane.ini");
    ScriptedInteraction ui;
    EXPECT_FALSE(WriteRegistry(store, ui, WarningSettings{}));
    EXPECT_EQ(ui.Texts("warning").size(), 1u);
}

} // namespace
} // namespace qv
