// quorvane-cli individual-report DESIGN.qvd CONTEXT: the "Report" command of
// the tree page for one server or partition.
#include "cli/analysis_support.h"

#include "reports/individual_reports.h"

namespace qv::cli {
namespace {

int Run(const Command&, const CommandArguments& args) {
    const WarningSettings settings = LoadStoredSettings();
    return WithNode(args[0], args[1], [&](Session& s, ObjectNode* node) {
        TextLines out;
        if (!BuildIndividualReport(s.design, settings, node, out))
            return kExitFailed;
        return PrintLines(out.lines);
    });
}

const Registration kRegistration(
    {"individual-report", "DESIGN.qvd CONTEXT",
     "print the individual report of a server or partition",
     "CONTEXT is the FullContext of the node (servers too, e.g. FS1.SALES.ACME; the\n"
     "root is [ROOT]). A server gets the individual server report, any other node the\n"
     "individual partition report, measured against the stored warning settings.\n"
     "DESIGN is not written.\n",
     Run, 2, "expects DESIGN and CONTEXT"});

} // namespace
} // namespace qv::cli
