// What the workstation keeps for the console utilities, in the per-user
// settings store: the utility path the command interpreter searches (group
// "Utilities", value "Path", folders separated by ":"; empty means the
// stand-ins installed with the program) and the drive mappings (group
// "Drive Mappings", one value per letter: the typeless full name of the
// volume object, "CORP_SYS.CORP").
#pragma once

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
    UtilitySettings Read() const;
    bool Write(const UtilitySettings& settings) const;

private:
    std::string path_;
};

} // namespace qv
