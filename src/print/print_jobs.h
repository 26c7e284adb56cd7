// The jobs of the printing status dialog (TFM_PRINTDLG): the tree, the
// partition grids, the object grids and the address grid, and the choice of
// what File > Print prints on each page of a design window.
#pragma once

#include "core/tree_design.h"
#include "print/print_canvas.h"
#include "print/tree_printing.h"
#include "reports/report_text.h"

#include <functional>

namespace qv {

// The print kinds of the printing status dialog.
enum class PrintKind { Tree = 1, PartitionGrid = 2, ObjectGrid = 3, AddressGrid = 4 };

struct StatusJob {
    PrintKind kind = PrintKind::Tree;
    // The print mode: Graphical (true) or Text.
    bool graphical = true;
    // The visible grid of the page, for the grid kinds.
    const TextGrid* grid = nullptr;
    // Which nodes are expanded on screen (graphical tree printing).
    ExpandedTest expanded;
    // Switches the Graphical check mark; the address grid turns it off for
    // the duration of its job.
    std::function<void(bool)> setGraphicalMark;
};

// What the dialog does on showing: asks "Print test page only?" in Graphical
// mode (not for the address grid), clears PrintCancelRequested, then runs the
// job of the kind. The question goes through the design's Interaction.
PrintResult RunStatusJob(TreeDesign& design, PrintCanvas& canvas, PrintStatus& status,
                         const StatusJob& job);
// The question alone: whether the job asks it and the answer (false when not asked).
bool AskTestPage(TreeDesign& design, const StatusJob& job);
// The job with the answer already given (a preview and its printout share one answer).
PrintResult RunStatusJob(TreeDesign& design, PrintCanvas& canvas, PrintStatus& status,
                         const StatusJob& job, bool testPage);

// The pages of a design window, in tab order.
enum class DesignPage { Tree = 0, PartitionGrid, ObjectGrid, Reports, Suggestions };

// What File > Print does on a page (after the system print dialog).
enum class PageAction {
    Nothing,
    StatusDialog, // the printing status dialog with a kind
    RichText,     // PrintRichText of a text box
};
struct PagePrint {
    PageAction action = PageAction::Nothing;
    PrintKind kind = PrintKind::Tree;
};

// The action of a page. addressGridVisible: Adv_AddrCols is the visible grid of
// the partition grid page; textVisible: a text box of the page is visible.
PagePrint PrintForPage(DesignPage page, bool addressGridVisible, bool textVisible);

} // namespace qv
