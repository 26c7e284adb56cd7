// Printing the object tree: graphically, as a drawn tree with class images
// and connecting lines paged over as many sheets as needed, or as text, one
// indented line per node.
#pragma once

#include "core/tree_design.h"
#include "print/print_canvas.h"
#include "reports/report_text.h"

#include <functional>

namespace qv {

// Whether a node is expanded on screen (graphical printing descends only into
// expanded nodes). Every node is expanded when none is given.
using ExpandedTest = std::function<bool(const ObjectNode*)>;

inline constexpr int kTreePrintPointSize = 8;
inline constexpr int kTreeMargin = 50;
inline constexpr int kContinuedMark = 48;

// The graphical printout of start and everything below it that is expanded.
// Pumps the design's message queue once per drawn node and polls its
// PrintCancelRequested flag; a cancel aborts the job. With testPage the
// printout ends with the first page.
PrintResult PrintTreeView(TreeDesign& design, PrintCanvas& canvas, PrintStatus& status,
                          ObjectNode* start, bool testPage, const ExpandedTest& expanded = {});

// The text of a tree printout (RE_MISC): the title line, an empty line, then
// start and its whole subtree, one indented line per node.
void BuildTreeText(TreeDesign& design, ObjectNode* start, TextSink& out);

// The text printout: BuildTreeText, then the lines printed as rich text with
// an empty job title.
PrintResult PrintTreeViewTextMode(TreeDesign& design, PrintCanvas& canvas, ObjectNode* start);

} // namespace qv
