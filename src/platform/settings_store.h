// The per-user settings store: an INI file at the user's configuration
// location (XDG_CONFIG_HOME, else ~/.config) under Quorvane/Quorvane.ini,
// group "SOFTWARE\Quorvane", values "Version" (integer) and "Warning Config"
// (the 44-byte record, binary). It stands in for the machine-wide registry
// key, which would need administrator rights to write.
#pragma once

#include "core/result.h"
#include "reports/warning_settings.h"

#include <functional>
#include <string>

class QSettings;

namespace qv {

// The INI file the store uses when given no path.
std::string DefaultSettingsPath();

// Every store of the settings file reads and writes it through these two, so
// that it gets the file access of every other file: a FIFO, device or folder
// is refused naming the file, the size is limited (kMaxSettingsFileBytes),
// and a change replaces the file (or the target of its links) atomically.
//
// Reads the INI file at path: a private copy is handed to read. A missing
// file is no settings (read is not called). A failure when refused.
Result<void> ReadIniFile(const std::string& path, const std::function<void(QSettings&)>& read);
// Changes the INI file at path: edit gets a private copy of the old contents
// (other groups are kept), then the result replaces the file. A failure when
// nothing was written; else the notice of hard links left behind (empty when
// the file had no other names).
Result<std::string> UpdateIniFile(const std::string& path,
                                  const std::function<void(QSettings&)>& edit);

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
