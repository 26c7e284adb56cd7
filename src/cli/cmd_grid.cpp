// quorvane-cli grid KIND DESIGN.qvd [--sort]: one grid as its delimited export.
#include "cli/analysis_support.h"

#include "reports/analysis_pages.h"
#include "reports/delimited_export.h"

#include <array>
#include <utility>
#include <vector>

namespace qv::cli {
namespace {

int Run(const Command& self, const CommandArguments& args) {
    CommandArgs a(self, args);
    const bool sort = a.Flag("--sort");
    if (!a.Expect(2, "expects KIND and DESIGN"))
        return kExitUsage;
    const GridKind* kind = FindKind(kGridKinds, a[0]);
    if (!kind)
        return a.Usage("unknown KIND '" + a[0] + "'");
    return WithDesign(a[1], DesignUse::Analysis, [&](Session& s) {
        AnalysisViews views;
        if (!BuildGridPage(s.design, views, kind->grid))
            return kExitFailed;
        if (sort)
            SortGridView(s.design, views, kind->grid);
        // A cell's control characters (a line break too) are escaped before
        // the cells are joined, so a name cannot forge a row.
        TextGrid grid = views.Grid(kind->grid);
        for (int r = 0; r < grid.RowCount(); ++r) {
            std::vector<std::pair<int, std::string>> escaped;
            for (const auto& [col, text] : grid.RowCells(r))
                if (Visible(text) != text)
                    escaped.emplace_back(col, Visible(text));
            for (auto& [col, text] : escaped)
                grid.SetCell(col, r, std::move(text));
        }
        return PrintText(DelimitedText(grid));
    });
}

const Registration kRegistration(
    {"grid", "KIND DESIGN.qvd [--sort]", "print a grid view of a design as comma-separated lines",
     "KIND is one of: partition-x-server, server-x-partition, server-x-address,\n"
     "object-partition, object-server, object-container. The grid is printed as the\n"
     "delimited export writes it. --sort applies Sort Grid View first (its question is\n"
     "answered Yes). DESIGN is not written. The object grids need an imported object report.\n",
     Run});

} // namespace
} // namespace qv::cli
