// quorvane-cli settings show | set FIELD=VALUE... | reset: the warning and
// suggestion settings in the per-user store, checked as the settings dialog's
// OK checks them.
#include "cli/analysis_support.h"

#include "platform/settings_store.h"

#include <string>
#include <vector>

namespace qv::cli {
namespace {

// Record order: the eight integers by offset, then the nine switches.
int Show(const WarningSettings& s) {
    const auto& edits = SettingsEditFields();
    static constexpr const char* kRecordOrder[] = {"MaxSubRefs",
                                                   "MaxReadables",
                                                   "MinReplicasPerPartition",
                                                   "MaxReplicasPerPartition",
                                                   "MaxObjsPerContainer",
                                                   "Min4xDSVersion",
                                                   "Min5xDSVersion",
                                                   "MinSkadsVersion"};
    std::vector<std::string> lines;
    for (const char* name : kRecordOrder)
        for (const auto& e : edits)
            if (std::string_view(e.field) == name)
                lines.push_back(std::string(name) + "=" + std::to_string(s.*e.member));
    for (const auto& w : SettingsSwitchFields())
        lines.push_back(std::string(w.field) + "=" + ((s.*w.member) ? "1" : "0"));
    return PrintLines(lines);
}

int Store(Session& s, const SettingsDialogState& state, const WarningSettings& stored) {
    SettingsOkResult r = SettingsDialogOk(state, stored);
    if (!r.accepted) {
        s.ui.Warning(r.warning);
        return kExitFailed;
    }
    IniSettingsStorage storage;
    return WriteRegistry(storage, s.ui, *r.accepted) ? kExitOk : kExitFailed;
}

int Run(const Command& self, const CommandArguments& args) {
    if (args.empty())
        return UsageError(self, "expects show, set or reset");
    const std::string& action = args[0];
    if ((action == "show" || action == "reset") && args.size() != 1)
        return UsageError(self, action + " takes no arguments");
    Session s;
    WarningSettings stored = LoadStoredSettings(s.ui);
    if (action == "show")
        return Show(stored);
    SettingsDialogState state = SettingsDialogShow(stored);
    if (action == "reset") {
        SettingsDialogReset(state);
        return Store(s, state, stored);
    }
    if (action != "set")
        return UsageError(self, "unknown action '" + action + "'");
    if (args.size() < 2)
        return UsageError(self, "set expects FIELD=VALUE");
    const auto& edits = SettingsEditFields();
    const auto& switches = SettingsSwitchFields();
    for (std::size_t a = 1; a < args.size(); ++a) {
        const std::string& arg = args[a];
        std::size_t eq = arg.find('=');
        if (eq == std::string::npos)
            return UsageError(self, "expects FIELD=VALUE, got '" + arg + "'");
        const std::string field = arg.substr(0, eq);
        const std::string value = arg.substr(eq + 1);
        bool known = false;
        for (std::size_t i = 0; i < edits.size(); ++i)
            if (field == edits[i].field) {
                state.edits[i] = value;
                known = true;
            }
        for (std::size_t i = 0; i < switches.size(); ++i)
            if (field == switches[i].field) {
                if (value != "0" && value != "1")
                    return UsageError(self, field + " takes 0 or 1");
                state.checks[i] = value == "1";
                state.settingsChanged = true;
                known = true;
            }
        if (!known)
            return UsageError(self, "unknown field '" + field + "'");
    }
    return Store(s, state, stored);
}

const Registration kRegistration(
    {"settings", "show | set FIELD=VALUE... | reset",
     "show or change the stored warning and suggestion settings",
     "show prints every field as FIELD=VALUE in record order (switches as 0 or 1).\n"
     "set puts each VALUE into its field's edit box (the others hold the stored values;\n"
     "a switch given counts as a click on its check box, VALUE 0 or 1) and validates as\n"
     "the dialog's OK does: on a refusal the message goes to stderr, the exit status is 1\n"
     "and nothing is stored. reset stores the \"Reset to Defaults\" values.\n"
     "Fields: MaxSubRefs MaxReadables MinReplicasPerPartition MaxReplicasPerPartition\n"
     "MaxObjsPerContainer Min4xDSVersion Min5xDSVersion MinSkadsVersion CheckMaxSubRefs\n"
     "CheckMaxReadables CheckMinDSVersion CheckMinReplicasPerPartition\n"
     "CheckMaxReplicasPerPartition CheckMaxObjsPerContainer CheckIPXAddress\n"
     "CheckServerContainReplica CheckDupAddr. The store is\n"
     "$XDG_CONFIG_HOME/Quorvane/Quorvane.ini (~/.config when unset).\n",
     Run});

} // namespace
} // namespace qv::cli
