// The per-user settings store: an INI file at the user's configuration
// location (XDG_CONFIG_HOME, else ~/.config) under Quorvane/Quorvane.ini,
// group "SOFTWARE\Quorvane", values "Version" (integer) and "Warning Config"
// (the 44-byte record, binary). It stands in for the machine-wide registry
// key, which would need administrator rights to write.
#pragma once

#include "reports/warning_settings.h"

#include <string>

namespace qv {

// The INI file the store uses when given no path.
std::string DefaultSettingsPath();

class IniSettingsStorage final : public SettingsStorage {
public:
    // path: the INI file; empty means DefaultSettingsPath() at the time of use.
    explicit IniSettingsStorage(std::string path = {});
    StoredSettings Read() override;
    bool Write(std::int32_t version, const WarningConfigBytes& config) override;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace qv
