// quorvane-cli replica-report DESIGN.qvd CONTEXT: the texts of the Replica
// Report window for one node.
#include "cli/analysis_support.h"

#include "reports/individual_reports.h"

namespace qv::cli {
namespace {

int Run(const std::vector<std::string>& args);

const Command kCommand{
    "replica-report", "DESIGN.qvd CONTEXT",
    "print the replica counts of a server or partition by type",
    "CONTEXT is the FullContext of the node. The first line is the window's label and\n"
    "field; then Master, Read/Write, Read/Only, Sub/Ref, Sparse Write and Sparse Read,\n"
    "one per line. DESIGN is not written.\n",
    Run};
const Registration kRegistration(kCommand);

int Run(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return UsageError(kCommand, "expects DESIGN and CONTEXT");
    Session s;
    if (!OpenForAnalysis(s, args[0]))
        return kExitFailed;
    ObjectNode* node = FindNodeForCommand(s, args[1]);
    if (!node)
        return kExitFailed;
    ReplicaReportTexts r = BuildReplicaReport(s.design, node);
    std::vector<std::string> lines{r.label1 + r.edit1};
    lines.insert(lines.end(), r.panels.begin(), r.panels.end());
    PrintLines(lines);
    return kExitOk;
}

} // namespace
} // namespace qv::cli
