#include "print/grid_printing.h"

#include "core/class_table.h"

#include <algorithm>
#include <string>

namespace qv {
namespace {

// The label of a page: row page, ",", column page.
std::string PageLabel(int rowPage, int columnPage) {
    return std::to_string(rowPage) + "," + std::to_string(columnPage);
}

} // namespace

GridLayout LayoutGrid(const PrintCanvas& canvas, const TextGrid& grid, bool objectGrid,
                      bool graphical) {
    GridLayout layout;
    const int lh = canvas.FontHeight();
    layout.lineHeight = lh;
    std::size_t threshold;
    if (!graphical && !objectGrid) {
        layout.minWidth = canvas.TextWidth("*SPARSE/WRITE*");
        threshold = 12;
    } else {
        layout.minWidth = canvas.TextWidth(kRootName);
        threshold = 6;
    }
    const int imageRoom = graphical && objectGrid ? lh + 2 : 0;
    layout.columnWidths.assign(static_cast<std::size_t>(std::max(grid.ColCount(), 1)), 0);
    for (int c = 1; c < grid.ColCount(); ++c) {
        const std::string& header = grid.Cell(c, 0);
        int w = header.size() > threshold ? canvas.TextWidth(header) : layout.minWidth;
        layout.columnWidths[static_cast<std::size_t>(c)] = w + imageRoom;
    }
    layout.rowHeaderWidth = layout.minWidth;
    for (int r = 0; r < grid.RowCount(); ++r)
        layout.rowHeaderWidth = std::max(layout.rowHeaderWidth, canvas.TextWidth(grid.Cell(0, r)));
    layout.rowsPerPage = std::max(1, canvas.PageHeight() / (3 * lh) - 2);

    int first = 1;
    while (first < grid.ColCount()) {
        int x = layout.rowHeaderWidth + kGridMargin;
        int last = first;
        for (int c = first; c < grid.ColCount(); ++c) {
            int right = x + layout.columnWidths[static_cast<std::size_t>(c)] + kGridGap;
            if (right > canvas.PageWidth() && c > first)
                break;
            x = right;
            last = c;
        }
        layout.blocks.emplace_back(first, last);
        first = last + 1;
    }
    if (layout.blocks.empty())
        layout.blocks.emplace_back(1, 0); // no columns: the row headers alone
    return layout;
}

PrintResult PrintGrid(TreeDesign& design, PrintCanvas& canvas, PrintStatus& status,
                      const TextGrid& grid, bool objectGrid, bool testPage, bool graphical) {
    canvas.SetFontSize(kGridPrintPointSize);
    canvas.BeginJob("");
    canvas.TextOut(0, 0, "");
    const GridLayout layout = LayoutGrid(canvas, grid, objectGrid, graphical);
    const int lh = layout.lineHeight;
    const int rowHeight = 3 * lh;
    const int firstRowY = 4 * lh + kGridMargin;
    const int headerY = lh + kGridMargin;
    const int dataRows = std::max(grid.RowCount() - 1, 0);
    const int rowPages = std::max(1, (dataRows + layout.rowsPerPage - 1) / layout.rowsPerPage);
    int printerPage = 0;

    const int pages = testPage ? 1 : rowPages * static_cast<int>(layout.blocks.size());
    for (std::size_t b = 0; b < layout.blocks.size() && printerPage < pages; ++b) {
        const auto [firstCol, lastCol] = layout.blocks[b];
        for (int rp = 0; rp < rowPages && printerPage < pages; ++rp) {
            if (printerPage > 0)
                canvas.NewPage();
            ++printerPage;
            status.ShowStatus(kPrintingPagePrefix + std::to_string(printerPage));
            design.progress().Pump();
            if (design.Flags().printCancelRequested) {
                canvas.AbortJob();
                return PrintResult::Cancelled;
            }
            const int firstRow = 1 + rp * layout.rowsPerPage;
            const int rowsHere = std::min(layout.rowsPerPage, dataRows - (firstRow - 1));

            // Row headers.
            for (int i = 0; i < rowsHere; ++i)
                canvas.TextOut(kGridMargin, firstRowY + i * rowHeight, grid.Cell(0, firstRow + i));
            // Column headers and cells.
            int x = layout.rowHeaderWidth + kGridMargin;
            std::vector<int> columnEnds;
            for (int c = firstCol; c <= lastCol; ++c) {
                const int w = layout.columnWidths[static_cast<std::size_t>(c)];
                const std::string& header = grid.Cell(c, 0);
                if (graphical && objectGrid) {
                    int index = ClassIndexOf(header);
                    if (index >= 0)
                        canvas.ClassImage(x + kGridGap, headerY, lh, lh, index);
                    canvas.TextOut(x + lh + 2, headerY, header);
                } else {
                    canvas.TextOut(x + kGridGap, headerY, header);
                }
                for (int i = 0; i < rowsHere; ++i) {
                    const std::string& cell = grid.Cell(c, firstRow + i);
                    if (cell.empty())
                        continue;
                    const int y = firstRowY + i * rowHeight;
                    if (graphical && !objectGrid)
                        canvas.ReplicaImage(x + (w + kGridGap - rowHeight) / 2, y - lh, rowHeight,
                                            rowHeight, cell);
                    else
                        canvas.TextOut(x + kGridGap, y, cell);
                }
                x += w + kGridGap;
                columnEnds.push_back(x);
            }
            // Lines and frame.
            const int bottom = rowHeight * (rowsHere + 1) + kGridMargin;
            const int right = x;
            canvas.Line(kGridMargin - 2, kGridMargin - 2, right, kGridMargin - 2);
            canvas.Line(right, kGridMargin - 2, right, bottom);
            canvas.Line(right, bottom, kGridMargin - 2, bottom);
            canvas.Line(kGridMargin - 2, bottom, kGridMargin - 2, kGridMargin - 2);
            const int headerRight = layout.rowHeaderWidth + kGridMargin;
            canvas.Line(headerRight, kGridMargin - 2, headerRight, bottom);
            for (int end : columnEnds)
                canvas.Line(end, kGridMargin - 2, end, bottom);
            for (int i = 0; i < rowsHere; ++i) {
                const int y = rowHeight + kGridMargin - 2 + i * rowHeight;
                canvas.Line(kGridMargin - 2, y, right, y);
            }
            // The page label.
            const std::string label = PageLabel(rp + 1, static_cast<int>(b) + 1);
            canvas.TextOut(canvas.PageWidth() / 2 - static_cast<int>(label.size() / 2) * lh,
                           canvas.PageHeight() - lh, label);
        }
    }
    canvas.EndJob();
    status.ShowStatus(kPrintSuccessText);
    status.ShowOk();
    return PrintResult::Finished;
}

} // namespace qv
