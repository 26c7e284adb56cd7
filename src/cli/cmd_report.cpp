// quorvane-cli report KIND DESIGN.qvd: one text of the Reports or
// Warnings/Suggestions page, built to the end.
#include "cli/analysis_support.h"

#include "reports/analysis_pages.h"

#include <array>

namespace qv::cli {
namespace {

int Run(const std::vector<std::string>& args);

const Command kCommand{
    "report", "KIND DESIGN.qvd", "print a report or suggestion text of a design",
    "KIND is one of: partition, server, relation, schema, object, server-suggestions,\n"
    "partition-suggestions, object-suggestions. The text is printed line by line as\n"
    "its page shows it, with the stored warning settings; DESIGN is not written.\n"
    "The object texts need an imported object report.\n",
    Run};
const Registration kRegistration(kCommand);

struct Kind {
    const char* name;
    ReportIndex index;
};
constexpr std::array<Kind, 8> kKinds = {{
    {"partition", kPartitionReport},
    {"server", kServerReport},
    {"relation", kRelationReport},
    {"schema", kSchemaReport},
    {"object", kObjectReport},
    {"server-suggestions", kServerSuggestions},
    {"partition-suggestions", kPartitionSuggestions},
    {"object-suggestions", kObjectSuggestions},
}};

int Run(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return UsageError(kCommand, "expects KIND and DESIGN");
    const Kind* kind = nullptr;
    for (const Kind& k : kKinds)
        if (args[0] == k.name)
            kind = &k;
    if (!kind)
        return UsageError(kCommand, "unknown KIND '" + args[0] + "'");
    Session s;
    WarningSettings settings = LoadStoredSettings(s.ui);
    if (!OpenForAnalysis(s, args[1]))
        return kExitFailed;
    AnalysisViews views;
    PageResult result = ShowReportText(s.design, settings, views, kind->index);
    if (result != PageResult::Built)
        return kExitFailed;
    PrintLines(views.texts[kind->index].lines);
    return kExitOk;
}

} // namespace
} // namespace qv::cli
