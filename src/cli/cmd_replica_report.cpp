// quorvane-cli replica-report DESIGN.qvd CONTEXT: the texts of the Replica
// Report window for one node.
#include "cli/analysis_support.h"

#include "reports/individual_reports.h"

namespace qv::cli {
namespace {

int Run(const Command&, const CommandArguments& args) {
    return WithNode(args[0], args[1], [](Session& s, ObjectNode* node) {
        ReplicaReportTexts r = BuildReplicaReport(s.design, node);
        std::vector<std::string> lines{r.label1 + r.edit1};
        lines.insert(lines.end(), r.panels.begin(), r.panels.end());
        return PrintLines(lines);
    });
}

const Registration kRegistration(
    {"replica-report", "DESIGN.qvd CONTEXT",
     "print the replica counts of a server or partition by type",
     "CONTEXT is the FullContext of the node. The first line is the window's label and\n"
     "field; then Master, Read/Write, Read/Only, Sub/Ref, Sparse Write and Sparse Read,\n"
     "one per line. DESIGN is not written.\n",
     Run, 2, "expects DESIGN and CONTEXT"});

} // namespace
} // namespace qv::cli
