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

const std::array<GridKind, 6> kGridKinds = {{
    {"partition-x-server", kPartXServGrid},
    {"server-x-partition", kServXPartGrid},
    {"server-x-address", kServXAddrGrid},
    {"object-partition", kPartObjGrid},
    {"object-server", kServObjGrid},
    {"object-container", kContObjGrid},
}};

const std::array<ReportKind, 8> kReportKinds = {{
    {"partition", kPartitionReport},
    {"server", kServerReport},
    {"relation", kRelationReport},
    {"schema", kSchemaReport},
    {"object", kObjectReport},
    {"server-suggestions", kServerSuggestions},
    {"partition-suggestions", kPartitionSuggestions},
    {"object-suggestions", kObjectSuggestions},
}};

bool BuildGridPage(TreeDesign& design, AnalysisViews& views, GridUnsortedIndex grid) {
    const PageResult result = grid >= kPartObjGrid ? ShowObjectGridPage(design, views)
                                                   : ShowPartitionGridPage(design, views);
    return result != PageResult::NoObjectReport && result != PageResult::Aborted;
}

} // namespace qv::cli
