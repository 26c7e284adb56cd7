// The print commands of the desktop program. Each command shows Qt's print
// preview first, whose "Print..." button leads to the system print dialog
// (a printer, or a PDF file through "Print to file"); the preview and the
// printout are drawn by the same routines on the same kind of page.
#pragma once

#include "print/print_jobs.h"
#include "reports/leaf_commands.h"

#include <QString>
#include <functional>

class QPrinter;
class QTextEdit;
class QTreeView;
class QWidget;

namespace qv {
struct AnalysisViews;
}

namespace qv::gui {

class ImageList;
class TFM_PRINTDLG;
class TreeModel;

// What a design window hands to its print commands.
struct PrintSource {
    QWidget* window = nullptr; // the design window: parent of the dialogs
    TreeDesign* design = nullptr;
    const ImageList* images = nullptr;
    // File > Print Mode: Graphical (true) or Text, and the way to switch the
    // Graphical check mark (the address grid turns it off for its job).
    bool graphical = true;
    std::function<void(bool)> setGraphicalMark;
    // The tree view's expansion (graphical tree printing follows it).
    ExpandedTest expanded;
    // The main window's printing status dialog; a private one when null.
    TFM_PRINTDLG* statusDialog = nullptr;
};

// The expansion of a design window's tree view (TreeView1 over its TreeModel).
ExpandedTest ExpandedOnScreen(const QTreeView* view, const TreeModel* model);
// The same with the view's own model (every node counts as expanded when the
// view shows no TreeModel).
ExpandedTest ExpandedOnScreen(const QTreeView* view);

// Draws a printout on a printer; preview is true while the print preview draws.
using PrintRender = std::function<void(QPrinter& printer, bool preview)>;
// How a printout reaches the printer: the print preview and the system print
// dialog. Tests replace it (an empty function restores the dialogs).
using PrintDelivery = std::function<void(QWidget* parent, const PrintRender& render)>;
void SetPrintDelivery(PrintDelivery delivery);
// Runs the current delivery.
void DeliverPrintout(QWidget* parent, const PrintRender& render);

// File > Print: by the active page. visibleGrid is the grid shown on a grid
// page (addressGrid when it is Adv_AddrCols); visibleBox the first visible
// text box of the reports or suggestions page (nothing happens without one).
void PrintActivePage(const PrintSource& source, DesignPage page, const TextGrid* visibleGrid,
                     bool addressGrid, const QTextEdit* visibleBox);
// Print SubTree of the tree's pop-up menu: the selected node's subtree,
// graphically (no test page) or as text, without the status dialog.
void PrintSubTree(const PrintSource& source, ObjectNode* selected);
// File > Print Screen: the window as it is on screen, scaled proportionally
// to the page. Also the "&Print" of TFRM_REPLICARPT (the window's image).
void PrintWindowImage(QWidget* parent, QWidget* window);
// The "&Print" buttons of text windows (TErrReportDlg's visible pane, the
// help text): the box's lines as rich text over as many pages as needed.
void PrintTextBox(QWidget* parent, const QTextEdit* box, const ImageList& images);
// The same for windows that hold no image list (a text printout draws no picture).
void PrintTextBox(QWidget* parent, const QTextEdit* box);
// The "&Print" of TFM_DISPLAYOBJS: the result tree from its root, graphical
// or text according to the print mode.
void PrintSearchResult(const PrintSource& source, const ObjectSearchResult& result, int rootClass,
                       bool rootIsPartition);

// The rendering steps alone (what the preview and the printer get), for
// callers that hold a printer already.
void RenderTextLines(QPrinter& printer, const std::vector<std::string>& lines,
                     const ImageList& images, int pointSize);
void RenderWindowImage(QPrinter& printer, QWidget* window);

} // namespace qv::gui
