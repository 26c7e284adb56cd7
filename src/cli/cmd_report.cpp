// quorvane-cli report KIND DESIGN.qvd: one text of the Reports or
// Warnings/Suggestions page, built to the end.
#include "cli/analysis_support.h"

#include "reports/analysis_pages.h"

#include <array>

namespace qv::cli {
namespace {

int Run(const Command& self, const CommandArguments& args) {
    const ReportKind* kind = FindKind(kReportKinds, args[0]);
    if (!kind)
        return UsageError(self, "unknown KIND '" + args[0] + "'");
    const WarningSettings settings = LoadStoredSettings();
    return WithDesign(args[1], DesignUse::Analysis, [&](Session& s) {
        AnalysisViews views;
        if (ShowReportText(s.design, settings, views, kind->index) != PageResult::Built)
            return kExitFailed;
        return PrintLines(views.texts[kind->index].lines);
    });
}

const Registration kRegistration(
    {"report", "KIND DESIGN.qvd", "print a report or suggestion text of a design",
     "KIND is one of: partition, server, relation, schema, object, server-suggestions,\n"
     "partition-suggestions, object-suggestions. The text is printed line by line as\n"
     "its page shows it, with the stored warning settings; DESIGN is not written.\n"
     "The object texts need an imported object report.\n",
     Run, 2, "expects KIND and DESIGN"});

} // namespace
} // namespace qv::cli
