#include "reports/warning_settings.h"

#include <cstring>

namespace qv {

namespace {

constexpr std::size_t kIntCount = 8;
constexpr std::size_t kSwitchOffset = 32;

// The integer fields in record order (offsets 0, 4, ... 28).
constexpr std::array<std::int32_t WarningSettings::*, kIntCount> kRecordInts = {
    &WarningSettings::MaxSubRefs,
    &WarningSettings::MaxReadables,
    &WarningSettings::MinReplicasPerPartition,
    &WarningSettings::MaxReplicasPerPartition,
    &WarningSettings::MaxObjsPerContainer,
    &WarningSettings::Min4xDSVersion,
    &WarningSettings::Min5xDSVersion,
    &WarningSettings::MinSkadsVersion,
};

constexpr std::size_t kMaxEditLength = 7;

} // namespace

const std::array<SettingsEditField, kSettingsEditCount>& SettingsEditFields() {
    static const std::array<SettingsEditField, kSettingsEditCount> fields = {{
        {"MaxSubRefs", "ED_MAX_SUBREFS", "10", &WarningSettings::MaxSubRefs},
        {"MaxReadables", "ED_MAX_READABLES", "10", &WarningSettings::MaxReadables},
        {"Min4xDSVersion", "ED_MIN_DSVERSION", "606", &WarningSettings::Min4xDSVersion},
        {"Min5xDSVersion", "ED_5XMINDS", "736", &WarningSettings::Min5xDSVersion},
        {"MinSkadsVersion", "ED_SKADSMINDS", "810", &WarningSettings::MinSkadsVersion},
        {"MinReplicasPerPartition", "ED_MIN_REPLICAS_PER_PARTITION", "3",
         &WarningSettings::MinReplicasPerPartition},
        {"MaxReplicasPerPartition", "ED_MAX_REP_PARTITION", "10",
         &WarningSettings::MaxReplicasPerPartition},
        {"MaxObjsPerContainer", "ED_MAX_OBJS_PER_CONTAINER", "5000",
         &WarningSettings::MaxObjsPerContainer},
    }};
    return fields;
}

const std::array<SettingsSwitchField, kSettingsSwitchCount>& SettingsSwitchFields() {
    static const std::array<SettingsSwitchField, kSettingsSwitchCount> fields = {{
        {"CheckMaxSubRefs", "CB_MAX_SUBREFS", &WarningSettings::CheckMaxSubRefs},
        {"CheckMaxReadables", "CB_MAX_READABLES", &WarningSettings::CheckMaxReadables},
        {"CheckMinDSVersion", "CB_MIN_DS_VERSION", &WarningSettings::CheckMinDSVersion},
        {"CheckMinReplicasPerPartition", "CB_MIN_REPLICAS_PER_PARTITION",
         &WarningSettings::CheckMinReplicasPerPartition},
        {"CheckMaxReplicasPerPartition", "CB_MAX_REP_PARTITION",
         &WarningSettings::CheckMaxReplicasPerPartition},
        {"CheckMaxObjsPerContainer", "CB_MAX_OBJS_PER_CONTAINER",
         &WarningSettings::CheckMaxObjsPerContainer},
        {"CheckIPXAddress", "CB_CHECK_IPX_ADDRESS", &WarningSettings::CheckIPXAddress},
        {"CheckServerContainReplica", "CB_SERVER_CONTAIN_REPLICA",
         &WarningSettings::CheckServerContainReplica},
        {"CheckDupAddr", "CB_DUP_ADDR", &WarningSettings::CheckDupAddr},
    }};
    return fields;
}

WarningConfigBytes EncodeWarningSettings(const WarningSettings& s) {
    WarningConfigBytes out{};
    for (std::size_t i = 0; i < kIntCount; ++i) {
        auto v = static_cast<std::uint32_t>(s.*kRecordInts[i]);
        for (std::size_t b = 0; b < 4; ++b)
            out[i * 4 + b] = static_cast<std::uint8_t>(v >> (8 * b));
    }
    const auto& switches = SettingsSwitchFields();
    for (std::size_t i = 0; i < switches.size(); ++i)
        out[kSwitchOffset + i] = (s.*switches[i].member) ? 1 : 0;
    return out;
}

void DecodeWarningSettings(std::string_view bytes, WarningSettings& s) {
    const std::size_t n = std::min(bytes.size(), kWarningConfigSize);
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    for (std::size_t i = 0; i < kIntCount; ++i) {
        // A field only partly covered keeps its trailing bytes, as an overlay would.
        auto v = static_cast<std::uint32_t>(s.*kRecordInts[i]);
        for (std::size_t b = 0; b < 4; ++b) {
            std::size_t at = i * 4 + b;
            if (at >= n)
                break;
            v = (v & ~(0xFFu << (8 * b))) | (static_cast<std::uint32_t>(byte(at)) << (8 * b));
        }
        s.*kRecordInts[i] = static_cast<std::int32_t>(v);
    }
    const auto& switches = SettingsSwitchFields();
    for (std::size_t i = 0; i < switches.size(); ++i)
        if (kSwitchOffset + i < n)
            s.*switches[i].member = byte(kSwitchOffset + i) != 0;
}

// ---------------------------------------------------------------- dialog

SettingsDialogState SettingsDialogShow(const WarningSettings& s) {
    SettingsDialogState st;
    const auto& edits = SettingsEditFields();
    for (std::size_t i = 0; i < edits.size(); ++i)
        st.edits[i] = std::to_string(s.*edits[i].member);
    const auto& switches = SettingsSwitchFields();
    for (std::size_t i = 0; i < switches.size(); ++i)
        st.checks[i] = s.*switches[i].member;
    st.settingsChanged = false;
    return st;
}

void SettingsDialogReset(SettingsDialogState& st) {
    const auto& edits = SettingsEditFields();
    for (std::size_t i = 0; i < edits.size(); ++i)
        st.edits[i] = edits[i].resetText;
    st.checks.fill(true);
    st.settingsChanged = true;
}

void SettingsDialogClick(SettingsDialogState& st, int switchIndex) {
    if (switchIndex < 0 || switchIndex >= kSettingsSwitchCount)
        return;
    st.checks[static_cast<std::size_t>(switchIndex)] =
        !st.checks[static_cast<std::size_t>(switchIndex)];
    st.settingsChanged = true;
}

namespace {

bool AllDigits(const std::string& text) {
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The boxes hold at most 7 digits, so the value always fits.
std::int32_t ToInt(const std::string& text) {
    std::int32_t v = 0;
    for (char c : text)
        v = v * 10 + (c - '0');
    return v;
}

} // namespace

SettingsOkResult SettingsDialogOk(const SettingsDialogState& st, const WarningSettings& stored) {
    SettingsOkResult result;
    std::string invalid;
    for (std::size_t i = 0; i < st.edits.size(); ++i) {
        const std::string& t = st.edits[i];
        if (t.empty() || t.size() > kMaxEditLength || !AllDigits(t)) {
            if (!invalid.empty())
                invalid += ",";
            invalid += std::to_string(i + 1);
        }
    }
    if (!invalid.empty()) {
        result.warning = "Invalid input for field(s) : \r" + invalid + ".";
        return result;
    }
    // Field numbers: 3 = 4.x, 4 = 5.x, 5 = SKADS.
    const std::int32_t v4 = ToInt(st.edits[2]);
    const std::int32_t v5 = ToInt(st.edits[3]);
    const std::int32_t vs = ToInt(st.edits[4]);
    if (v4 > 699) {
        result.warning = "4.X DS Versions must be less than 699.";
        return result;
    }
    if (v5 < 700 || v5 > 799) {
        result.warning = "5.X DS Versions must be between 700 and 799.";
        return result;
    }
    if (vs < 800) {
        result.warning = "SKADS DS Versions must be greater or equal to 800.";
        return result;
    }
    WarningSettings s = stored;
    const auto& edits = SettingsEditFields();
    for (std::size_t i = 0; i < edits.size(); ++i)
        s.*edits[i].member = ToInt(st.edits[i]);
    if (st.settingsChanged) {
        const auto& switches = SettingsSwitchFields();
        for (std::size_t i = 0; i < switches.size(); ++i)
            s.*switches[i].member = st.checks[i];
    }
    result.accepted = s;
    return result;
}

// ---------------------------------------------------------------- storage

void ReadRegistry(SettingsStorage& storage, Interaction& ui, WarningSettings& settings,
                  std::int32_t& settingsVersion) {
    storage.readError.clear();
    StoredSettings stored = storage.Read();
    if (!storage.readError.empty()) {
        ui.Error(storage.readError);
        return;
    }
    if (!stored.configPresent)
        return;
    if (!stored.versionPresent || !stored.version || *stored.version != kSettingsVersion) {
        ui.Information(kSettingsResetMessage);
        return;
    }
    settingsVersion = kSettingsVersion;
    if (!stored.configBinary || stored.config.size() > kWarningConfigSize)
        return;
    DecodeWarningSettings(stored.config, settings);
}

bool WriteRegistry(SettingsStorage& storage, Interaction& ui, const WarningSettings& settings) {
    storage.notice.clear();
    const bool written = storage.Write(kSettingsVersion, EncodeWarningSettings(settings));
    if (!storage.notice.empty())
        ui.Information(storage.notice);
    if (written)
        return true;
    ui.Warning(kSettingsWriteError);
    return false;
}

} // namespace qv
