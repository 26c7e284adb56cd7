// quorvane-cli diff A.qvd B.qvd [--plan OUT.qvs]: what differs between two
// designs, and the script of edits that turns A into B.
#include "cli/cli.h"

#include "edit/design_compare.h"
#include "files/design_file.h"

#include <iostream>

namespace qv::cli {
namespace {

constexpr int kExitDiffer = 1;
constexpr int kExitTrouble = 2;

const char* const kDetails =
    "Opens both designs as Open does and prints what differs, one difference a\n"
    "line, grouped: objects, leaves, partitions, replicas, servers. Objects are\n"
    "known by their FullContext: one that keeps its name under another parent is\n"
    "\"moved\", the only new child of a class where the only old one of that class\n"
    "went is \"renamed\". Partitions follow their root object, servers their\n"
    "object. Subordinate references are derived and never listed; sibling order\n"
    "and list order are not differences.\n"
    "\n"
    "With --plan the script of edits that turns A into B is written to OUT, in the\n"
    "order the operations accept (containers before their contents, a partition\n"
    "before its replicas, a new master before the old one is retyped, moves\n"
    "before the deletion of what they empty); \"quorvane-cli apply A.qvd OUT\"\n"
    "runs it. What no operation can make is said in a comment line of the script\n"
    "and on stderr.\n"
    "\n"
    "Exit status: 0 the designs are equal, 1 they differ, 2 usage errors and\n"
    "designs or files that cannot be read or written.\n";

int Run(const Command& self, const CommandArguments& args) {
    CommandArgs a(self, args);
    const std::optional<std::string> planPath = a.Value("--plan");
    if (!a.Expect(2, "expects two designs"))
        return kExitUsage;

    Session target;
    if (!target.Open(a[1]))
        return kExitTrouble;
    int result = -1;
    WithDesign(a[0], DesignUse::Plain, [&](Session& s) {
        std::vector<std::string> lines;
        for (const Difference& d : CompareDesigns(s.design, target.design))
            lines.push_back(d.text);
        result = lines.empty() ? kExitOk : kExitDiffer;
        if (PrintLines(lines) != kExitOk) {
            result = kExitTrouble;
            return kExitFailed;
        }
        if (!planPath)
            return kExitOk;
        // The first design becomes the plan's working copy: it ends as the
        // plan leaves it, which is the plan's check.
        DesignPlan plan = PlanDesignChanges(s.design, target.design);
        for (const std::string& line : plan.lines)
            if (!line.empty() && line[0] == '#')
                std::cerr << "quorvane-cli diff: " << ToUtf8(line.substr(2)) << "\n";
        if (!ConfirmSaveTarget(s.ui, *planPath)) {
            result = kExitTrouble;
            return kExitFailed;
        }
        if (Result<FileIdentity> written = ReplaceFileAtomically(*planPath, plan.Script());
            !written) {
            PrintBox("Cannot write the plan \"" + *planPath + "\": " + written.error());
            result = kExitTrouble;
            return kExitFailed;
        }
        return kExitOk;
    });
    return result < 0 ? kExitTrouble : result;
}

const Registration kRegistration({"diff", "A.qvd B.qvd [--plan OUT.qvs]",
                                  "what differs between two designs, and the plan from A to B",
                                  kDetails, Run});

} // namespace
} // namespace qv::cli
