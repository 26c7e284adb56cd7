// quorvane-cli individual-report DESIGN.qvd CONTEXT: the "Report" command of
// the tree page for one server or partition.
#include "cli/analysis_support.h"

#include "reports/individual_reports.h"

namespace qv::cli {
namespace {

int Run(const std::vector<std::string>& args);

const Command kCommand{
    "individual-report", "DESIGN.qvd CONTEXT",
    "print the individual report of a server or partition",
    "CONTEXT is the FullContext of the node (servers too, e.g. FS1.SALES.ACME; the\n"
    "root is [ROOT]). A server gets the individual server report, any other node the\n"
    "individual partition report, measured against the stored warning settings.\n"
    "DESIGN is not written.\n",
    Run};
const Registration kRegistration(kCommand);

int Run(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return UsageError(kCommand, "expects DESIGN and CONTEXT");
    Session s;
    WarningSettings settings = LoadStoredSettings(s.ui);
    if (!OpenForAnalysis(s, args[0]))
        return kExitFailed;
    ObjectNode* node = FindNodeForCommand(s, args[1]);
    if (!node)
        return kExitFailed;
    TextLines out;
    if (!BuildIndividualReport(s.design, settings, node, out))
        return kExitFailed;
    PrintLines(out.lines);
    return kExitOk;
}

} // namespace
} // namespace qv::cli
