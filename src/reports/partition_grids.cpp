// The partition grids and the address grid.
#include "reports/grids.h"

#include "reports/report_support.h"

#include <unordered_map>

namespace qv {

bool BuildPartitionGrids(TreeDesign& d, TextGrid& servXPart, TextGrid& partXServ) {
    std::vector<std::string> headers; // the partition roots in tree order
    d.Walk(d.Root(), [&](ObjectNode* n) {
        if (n->IsPartitionRoot())
            headers.push_back(d.FullContext(n));
        return true;
    });
    const int nServers = static_cast<int>(d.servers.Size());
    const int nParts = static_cast<int>(headers.size());
    servXPart.Reset(nParts + 1, nServers + 1);
    partXServ.Reset(nServers + 1, nParts + 1);
    servXPart.fixedRows = servXPart.fixedCols = 0;
    partXServ.fixedRows = partXServ.fixedCols = 0;
    for (int i = 0; i < nServers; ++i) {
        servXPart.SetCell(0, i + 1, d.servers.Name(static_cast<std::size_t>(i)));
        partXServ.SetCell(i + 1, 0, d.servers.Name(static_cast<std::size_t>(i)));
    }
    std::unordered_map<std::string_view, std::vector<int>> columnsOf;
    for (int k = 0; k < nParts; ++k) {
        servXPart.SetCell(k + 1, 0, headers[static_cast<std::size_t>(k)]);
        partXServ.SetCell(0, k + 1, headers[static_cast<std::size_t>(k)]);
        columnsOf[headers[static_cast<std::size_t>(k)]].push_back(k + 1);
    }
    // Each cell holds the type of the server's replica of that partition; when
    // a server lists a partition twice, its later entry wins.
    for (int i = 0; i < nServers; ++i) {
        ShowStatus(d, "  Processing Server: " + d.servers.Name(static_cast<std::size_t>(i)));
        if (PumpAborted(d)) {
            ShowStatus(d, "");
            return false;
        }
        int si = d.servers.FindFirst(d.servers.Name(static_cast<std::size_t>(i)));
        if (si < 0)
            continue;
        for (const std::string& e : d.servers.Entries(static_cast<std::size_t>(si))) {
            auto it = columnsOf.find(EntryName(e));
            if (it == columnsOf.end())
                continue;
            std::string type(EntryType(e));
            for (int col : it->second) {
                servXPart.SetCell(col, i + 1, type);
                partXServ.SetCell(i + 1, col, type);
            }
        }
    }
    for (TextGrid* g : {&servXPart, &partXServ}) {
        g->fixedRows = 1;
        g->fixedCols = 1;
        g->defaultRowHeight = 50;
    }
    ShowStatus(d, "");
    return true;
}

void BuildAddressGrid(TreeDesign& d, TextGrid& g) {
    int rows = 2;
    for (std::size_t i = 0; i < d.servers.Size(); ++i) {
        std::size_t n = i < d.attributes.Size() ? d.attributes.Entries(i).size() : 0;
        rows += n > 1 ? static_cast<int>(n) : 1;
    }
    g.Reset(3, rows);
    g.SetCell(1, 0, kAddrHeaderVersion);
    g.SetCell(2, 0, kAddrHeaderAddress);
    int row = 1;
    for (std::size_t i = 0; i < d.servers.Size(); ++i) {
        const std::string version = i < d.attributes.Size() ? d.attributes.Name(i) : "";
        if (i >= d.attributes.Size() || d.attributes.Entries(i).empty()) {
            g.SetCell(0, row, d.servers.Name(i));
            g.SetCell(1, row, version);
            ++row;
            continue;
        }
        for (const std::string& a : d.attributes.Entries(i)) {
            g.SetCell(0, row, d.servers.Name(i));
            g.SetCell(1, row, version);
            g.SetCell(2, row, a);
            ++row;
        }
    }
    g.SetCell(0, rows - 1, "Total: " + std::to_string(d.servers.Size()));
    g.fixedRows = 1;
    g.fixedCols = 1;
    g.defaultRowHeight = 24;
}

void SortGridRows(TextGrid& grid) {
    grid.SortRows(1, grid.RowCount(), 0);
}

void SortAddressGrid(TreeDesign& d, TextGrid& g, int column) {
    if (g.RowCount() < 2)
        return;
    g.SortRows(1, g.RowCount() - 1, column);
    g.SetRow(g.RowCount() - 1, {{0, "Total: " + std::to_string(d.servers.Size())}});
}

} // namespace qv
