// What the workstation keeps for the console utilities, in the per-user
// settings store: the utility path the command interpreter searches (group
// "Utilities", value "Path", folders separated by ":"; empty means the
// stand-ins installed with the program) and the drive mappings (group
// "Drive Mappings", one value per letter: the typeless full name of the
// volume object, "CORP_SYS.CORP").
#pragma once

#include "core/result.h"

#include <map>
#include <string>
#include <vector>

namespace qv {

struct UtilitySettings {
    std::vector<std::string> utilityPath;
    std::map<char, std::string> drives; // upper-case letter -> volume object
};

class UtilitySettingsStore {
public:
    // path: the INI file; empty means DefaultSettingsPath() at the time of use.
    explicit UtilitySettingsStore(std::string path = {});
    // Missing file: the defaults. A failure when the file is refused (not a
    // regular file, too large); callers that go on without it take the
    // defaults.
    Result<UtilitySettings> Read() const;
    // Keeps the other groups; a failure when nothing was written.
    Result<void> Write(const UtilitySettings& settings) const;

private:
    std::string path_;
};

} // namespace qv
