// WarningSettings: the application-wide thresholds and switches against which
// the suggestion texts and the individual reports measure a design, their
// stored 44-byte form, the storage they are loaded from and written to, and the
// OK rules of the settings dialog (shared by the dialog and quorvane-cli).
#pragma once

#include "core/host.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The layout number of the record below, stored beside it as "Version".
inline constexpr std::int32_t kSettingsVersion = 500;
// Size of the stored record: eight int32, nine one-byte switches, three zero bytes.
inline constexpr std::size_t kWarningConfigSize = 44;

struct WarningSettings {
    // The start-up defaults. "Reset to Defaults" differs in Min5xDSVersion (736).
    std::int32_t MaxSubRefs = 10;
    std::int32_t MaxReadables = 10;
    std::int32_t MinReplicasPerPartition = 3;
    std::int32_t MaxReplicasPerPartition = 10;
    std::int32_t MaxObjsPerContainer = 5000;
    std::int32_t Min4xDSVersion = 606;
    std::int32_t Min5xDSVersion = 730;
    std::int32_t MinSkadsVersion = 810;
    bool CheckMaxSubRefs = true;
    bool CheckMaxReadables = true;
    bool CheckMinDSVersion = true;
    bool CheckMinReplicasPerPartition = true;
    bool CheckMaxReplicasPerPartition = true;
    bool CheckMaxObjsPerContainer = true;
    bool CheckIPXAddress = true;
    bool CheckServerContainReplica = true;
    bool CheckDupAddr = true;

    bool operator==(const WarningSettings&) const = default;
};

using WarningConfigBytes = std::array<std::uint8_t, kWarningConfigSize>;

// The record byte for byte (little-endian integers, switches 0 or 1, padding 0).
WarningConfigBytes EncodeWarningSettings(const WarningSettings& settings);
// Overlays the leading bytes of the record with bytes (at most 44 are read);
// the fields not fully covered keep their values. A switch byte other than 0 is on.
void DecodeWarningSettings(std::string_view bytes, WarningSettings& settings);

// ---- field tables ----

inline constexpr int kSettingsEditCount = 8;
inline constexpr int kSettingsSwitchCount = 9;

// The eight integer fields by field number (1..8, the edit boxes top to
// bottom): record name, edit box, and the "Reset to Defaults" text.
struct SettingsEditField {
    const char* field;
    const char* editBox;
    const char* resetText;
    std::int32_t WarningSettings::*member;
};
const std::array<SettingsEditField, kSettingsEditCount>& SettingsEditFields();

// The nine switches in record order: record name and check box.
struct SettingsSwitchField {
    const char* field;
    const char* checkBox;
    bool WarningSettings::*member;
};
const std::array<SettingsSwitchField, kSettingsSwitchCount>& SettingsSwitchFields();

// ---- the dialog's OK rules ----

// What the dialog holds: the texts of its edit boxes by field number, its
// check boxes in record order, and its SettingsChanged flag.
struct SettingsDialogState {
    std::array<std::string, kSettingsEditCount> edits;
    std::array<bool, kSettingsSwitchCount> checks{};
    bool settingsChanged = false;
};

// FormShow: the boxes filled from the settings, SettingsChanged clear.
SettingsDialogState SettingsDialogShow(const WarningSettings& settings);
// "Reset to Defaults": the reset texts, every check box on, SettingsChanged set.
void SettingsDialogReset(SettingsDialogState& state);
// A click on a check box: toggles it and sets SettingsChanged.
void SettingsDialogClick(SettingsDialogState& state, int switchIndex);

struct SettingsOkResult {
    // Set when OK is accepted: the record to store.
    std::optional<WarningSettings> accepted;
    // The warning shown when refused ("\r" as line break).
    std::string warning;
};

// BTN_OKClick: validates the state against the stored record. On success the
// eight integers come from the boxes and, only when SettingsChanged is set, the
// switches from the check boxes. An empty box, or one longer than an edit box
// can hold (7 characters), is an invalid field.
SettingsOkResult SettingsDialogOk(const SettingsDialogState& state, const WarningSettings& stored);

// ---- storage ----

// What the settings store holds. The desktop program and quorvane-cli use a
// per-user INI file (src/platform/settings_store.h); tests may use their own.
struct StoredSettings {
    bool versionPresent = false;
    // The "Version" value when it is an integer.
    std::optional<long long> version;
    bool configPresent = false;
    bool configBinary = false;
    std::string config;
};

class SettingsStorage {
public:
    virtual ~SettingsStorage() = default;
    // Reads both values without creating anything.
    virtual StoredSettings Read() = 0;
    // Creates the key when needed and writes both values. False (nothing
    // written) when the key cannot be opened or created.
    virtual bool Write(std::int32_t version, const WarningConfigBytes& config) = 0;
    // Set by Read: why the store could not be read (it is not a regular
    // file, or too large); the defaults are kept and this is shown.
    std::string readError;
    // Set by Write: a notice for the user (the store had other names), or
    // why it failed.
    std::string notice;
};

inline constexpr const char* kSettingsResetMessage =
    "The Warning and Suggestion settings have been reset to default\r"
    "settings due to the new configuration parameters in Quorvane 5.0.";
inline constexpr const char* kSettingsWriteError = "Error updating the workstation's registry.";

// ReadRegistry: call after the defaults were set. Missing values keep the
// defaults silently; a missing or different "Version" beside a stored record
// keeps them and shows the reset message; a record longer than 44 bytes or not
// binary keeps them silently.
void ReadRegistry(SettingsStorage& storage, Interaction& ui, WarningSettings& settings,
                  std::int32_t& settingsVersion);
// WriteRegistry: stores "Version" 500 and the record; on failure shows the
// warning and returns false.
bool WriteRegistry(SettingsStorage& storage, Interaction& ui, const WarningSettings& settings);

} // namespace qv
