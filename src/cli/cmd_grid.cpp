// quorvane-cli grid KIND DESIGN.qvd [--sort]: one grid as its delimited export.
#include "cli/analysis_support.h"

#include "reports/analysis_pages.h"
#include "reports/delimited_export.h"

#include <array>
#include <iostream>

namespace qv::cli {
namespace {

int Run(const std::vector<std::string>& args);

const Command kCommand{
    "grid", "KIND DESIGN.qvd [--sort]", "print a grid view of a design as comma-separated lines",
    "KIND is one of: partition-x-server, server-x-partition, server-x-address,\n"
    "object-partition, object-server, object-container. The grid is printed as the\n"
    "delimited export writes it. --sort applies Sort Grid View first (its question is\n"
    "answered Yes). DESIGN is not written. The object grids need an imported object report.\n",
    Run};
const Registration kRegistration(kCommand);

struct Kind {
    const char* name;
    GridUnsortedIndex grid;
};
constexpr std::array<Kind, 6> kKinds = {{
    {"partition-x-server", kPartXServGrid},
    {"server-x-partition", kServXPartGrid},
    {"server-x-address", kServXAddrGrid},
    {"object-partition", kPartObjGrid},
    {"object-server", kServObjGrid},
    {"object-container", kContObjGrid},
}};

int Run(const std::vector<std::string>& args) {
    std::vector<std::string> plain;
    bool sort = false;
    for (const std::string& a : args) {
        if (a == "--sort")
            sort = true;
        else if (a.size() > 1 && a[0] == '-')
            return UsageError(kCommand, "unknown option '" + a + "'");
        else
            plain.push_back(a);
    }
    if (plain.size() != 2)
        return UsageError(kCommand, "expects KIND and DESIGN");
    const Kind* kind = nullptr;
    for (const Kind& k : kKinds)
        if (plain[0] == k.name)
            kind = &k;
    if (!kind)
        return UsageError(kCommand, "unknown KIND '" + plain[0] + "'");
    Session s;
    if (!OpenForAnalysis(s, plain[1]))
        return kExitFailed;
    AnalysisViews views;
    const bool objectGrid = kind->grid >= kPartObjGrid;
    PageResult result =
        objectGrid ? ShowObjectGridPage(s.design, views) : ShowPartitionGridPage(s.design, views);
    if (result == PageResult::NoObjectReport || result == PageResult::Aborted)
        return kExitFailed;
    if (sort)
        SortGridView(s.design, views, kind->grid);
    std::cout << DelimitedText(views.Grid(kind->grid)) << std::flush;
    return kExitOk;
}

} // namespace
} // namespace qv::cli
