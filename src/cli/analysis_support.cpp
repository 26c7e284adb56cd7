#include "cli/analysis_support.h"

#include "platform/settings_store.h"
#include "reports/analysis_pages.h"

#include <iostream>

namespace qv::cli {

WarningSettings LoadStoredSettings() {
    TerminalInteraction ui;
    return LoadStoredSettings(ui);
}

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

ObjectNode* FindNodeForCommand(Session& s, const std::string& context) {
    ObjectNode* node = s.design.FindNodeByContext(context);
    if (!node)
        PrintBox("No object " + context + " in the design.");
    return node;
}

int WithNode(const std::string& path, const std::string& context,
             const std::function<int(Session&, ObjectNode*)>& body) {
    return WithDesign(path, DesignUse::Analysis, [&](Session& s) {
        ObjectNode* node = FindNodeForCommand(s, context);
        return node ? body(s, node) : kExitFailed;
    });
}

} // namespace qv::cli
