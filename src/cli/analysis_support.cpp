#include "cli/analysis_support.h"

#include "platform/settings_store.h"
#include "reports/analysis_pages.h"

#include <iostream>

namespace qv::cli {

WarningSettings LoadStoredSettings(Interaction& ui) {
    WarningSettings settings;
    std::int32_t version = kSettingsVersion;
    IniSettingsStorage storage;
    ReadRegistry(storage, ui, settings, version);
    return settings;
}

bool OpenForAnalysis(Session& s, const std::string& path) {
    if (!s.Open(path))
        return false;
    BeginPageChange(s.design);
    return true;
}

void PrintLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) {
        out += l;
        out.push_back('\n');
    }
    std::cout << out << std::flush;
}

ObjectNode* FindNodeForCommand(Session& s, const std::string& context) {
    ObjectNode* node = s.design.FindNodeByContext(context);
    if (!node)
        PrintBox("No object " + context + " in the design.");
    return node;
}

} // namespace qv::cli
