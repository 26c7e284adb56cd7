// Printing a grid view: tiled over pages, column blocks across and row pages
// down, with the row and column headers on every page.
#pragma once

#include "core/tree_design.h"
#include "print/print_canvas.h"
#include "reports/report_text.h"

#include <vector>

namespace qv {

inline constexpr int kGridPrintPointSize = 7;
inline constexpr int kGridMargin = 50;
inline constexpr int kGridGap = 5;

// The widths a grid printout works with, in printer pixels.
struct GridLayout {
    int lineHeight = 0;
    int minWidth = 0;
    int rowHeaderWidth = 0;
    std::vector<int> columnWidths; // index = grid column; [0] unused (the row headers)
    int rowsPerPage = 1;
    // Column blocks: [first, last] grid columns of each block, left to right.
    std::vector<std::pair<int, int>> blocks;
};

// The layout of a grid on the canvas (its font must be set). graphical is the
// print mode; objectGrid the object-grid flag of the printout.
GridLayout LayoutGrid(const PrintCanvas& canvas, const TextGrid& grid, bool objectGrid,
                      bool graphical);

// The printout. Before every page the message queue is pumped and the design's
// PrintCancelRequested flag polled; a cancel aborts the job. With testPage only
// the first page is printed.
PrintResult PrintGrid(TreeDesign& design, PrintCanvas& canvas, PrintStatus& status,
                      const TextGrid& grid, bool objectGrid, bool testPage, bool graphical);

} // namespace qv
