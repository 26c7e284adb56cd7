// quorvane-cli plan-replicas DESIGN.qvd [--plan PLAN.txt] [-o OUT.qvd] [--add-only]
// [--keep-masters] [--max-changes N] [--time-limit SECONDS]: the fewest replica
// changes that clear every replica warning, as a script for "apply".
#include "cli/analysis_support.h"
#include "cli/cli.h"

#include "core/operation_log.h"
#include "edit/edit_script.h"
#include "files/file_access.h"
#include "planner/replica_planner.h"

#include <iostream>

namespace qv::cli {
namespace {

const char* const kDetails =
    "Measures DESIGN against the warning settings in force (only the rules whose\n"
    "switch is on) and computes the fewest replica changes (additions, deletions,\n"
    "type changes, a new Master as a type change) after which the server and\n"
    "partition suggestions hold no replica warning: no Master, duplicate Master,\n"
    "too few or too many replicas of a partition, too many readable replicas or\n"
    "SubRefs on a server, a server without replicas. SubRefs follow the replicas\n"
    "as the design derives them. Among plans with as few changes it prefers\n"
    "servers that hold the parent or a child partition, then the least loaded.\n"
    "\n"
    "Prints the changes (each with the warning it clears), the warnings that stay,\n"
    "the warnings no replica change can clear (DS version, IPX address, duplicate\n"
    "addresses, objects per container) and a summary: warnings before and after,\n"
    "changes, and whether the count is proven the fewest or how far it may be\n"
    "from the solver's bound. --plan writes the changes as a script for\n"
    "\"quorvane-cli apply\"; -o writes the design after them (as apply would).\n"
    "\n"
    "  --add-only         keep every existing replica\n"
    "  --keep-masters     keep every Master where it is\n"
    "  --max-changes N    the best plan of at most N changes\n"
    "  --time-limit S     stop the solver after S seconds (default 60)\n"
    "\n"
    "Exit status: 0 every replica warning is cleared, 1 some cannot be (or the\n"
    "plan could not be made or written), 2 usage errors.\n";

std::string Indented(const DesignWarning& w) {
    return "  " + w.scope + ": " + w.text;
}

int Run(const Command& self, const CommandArguments& args) {
    CommandArgs a(self, args);
    const std::optional<std::string> planPath = a.Value("--plan");
    const std::optional<std::string> out = a.Value("-o");
    ReplicaPlanOptions options;
    options.addOnly = a.Flag("--add-only");
    options.keepMasters = a.Flag("--keep-masters");
    const std::optional<std::string> maxText = a.Value("--max-changes");
    const std::optional<std::string> timeText = a.Value("--time-limit");
    if (maxText) {
        options.maxChanges = ParseNumber(*maxText);
        if (!options.maxChanges || *options.maxChanges < 0)
            return a.Usage("--max-changes needs a whole number, not '" + *maxText + "'");
    }
    if (timeText) {
        std::optional<long long> t = ParseNumber(*timeText);
        if (!t || *t <= 0)
            return a.Usage("--time-limit needs a whole number of seconds, not '" + *timeText + "'");
        options.timeLimitSeconds = static_cast<double>(*t);
    }
    if (!a.Expect(1, "expects a design"))
        return kExitUsage;
    const WarningSettings settings = LoadStoredSettings();

    return WithDesign(a[0], out ? DesignUse::Edit : DesignUse::Plain, [&](Session& s) {
        ReplicaPlan plan = PlanReplicaLayout(s.design, settings, options);
        if (!plan.failure.empty()) {
            PrintBox(plan.failure);
            return kExitFailed;
        }
        std::vector<std::string> lines;
        lines.push_back(plan.changes.empty() ? "No changes." : "Changes:");
        for (const ReplicaChange& c : plan.changes)
            lines.push_back("  " + c.Line() + (c.clears.empty() ? "" : "    # " + c.clears));
        std::vector<std::string> left, other;
        for (const DesignWarning& w : plan.after)
            (IsReplicaRule(w.rule) ? left : other).push_back(Indented(w));
        if (!left.empty()) {
            lines.push_back("Replica warnings that stay:");
            lines.insert(lines.end(), left.begin(), left.end());
        }
        if (!plan.impossible.empty()) {
            lines.push_back("Rules that cannot be met:");
            for (const std::string& i : plan.impossible)
                lines.push_back("  " + i);
        }
        if (options.maxChanges && !left.empty())
            lines.push_back("--max-changes " + *maxText + " leaves " + std::to_string(left.size()) +
                            " replica warnings.");
        if (!other.empty()) {
            lines.push_back("Warnings no replica change can clear:");
            lines.insert(lines.end(), other.begin(), other.end());
        }
        lines.push_back(plan.Summary());
        if (PrintLines(lines) != kExitOk)
            return kExitFailed;
        if (planPath) {
            if (Result<FileIdentity> written = ReplaceFileAtomically(*planPath, plan.Script());
                !written) {
                PrintBox("Cannot write the plan \"" + *planPath + "\": " + written.error());
                return kExitFailed;
            }
        }
        if (out) {
            // As "apply" runs the plan: the operation log on, line by line.
            OperationLog::SetRecording(true);
            std::vector<ScriptLine> script;
            for (const ReplicaChange& c : plan.changes)
                script.push_back(ScriptLine{static_cast<int>(script.size()) + 1, c.Args()});
            if (std::optional<ScriptError> bad = RunEditScript(s.design, script, nullptr)) {
                PrintBox("change " + std::to_string(bad->line) + ": " + bad->message);
                return kExitFailed;
            }
            if (WriteDesign(s, *out) != kExitOk)
                return kExitFailed;
        }
        return plan.Clears() ? kExitOk : kExitFailed;
    });
}

const Registration kRegistration(
    {"plan-replicas",
     "DESIGN.qvd [--plan PLAN.txt] [-o OUT.qvd] [--add-only] [--keep-masters] [--max-changes N] "
     "[--time-limit SECONDS]",
     "the fewest replica changes that clear every replica warning", kDetails, Run});

} // namespace
} // namespace qv::cli
