// The main window's commands that lead into other subsystems: Edit > Undo and
// Redo (with the design window's step), Search NDS Tree, and File > Print and
// Print Screen.
#include "gui/shell/mdi_app.h"

#include "gui/core/mdi_child.h"
#include "gui/core/pages/grid_page.h"
#include "gui/core/pages/text_page.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/qt_text.h"
#include "gui/netware/nds_dialogs.h"
#include "gui/print/print_commands.h"

#include <QAction>

namespace qv::gui {

void TMDIApp::UpdateEditActions() {
    TMDIChild* c = ActiveChild();
    const UndoHistory* h = c && !c->Freed() ? &c->Design().History() : nullptr;
    const bool canUndo = h && h->CanUndo();
    const bool canRedo = h && h->CanRedo();
    menu_.undo->setEnabled(canUndo);
    menu_.redo->setEnabled(canRedo);
    menu_.undo->setText(canUndo ? QStringLiteral("&Undo ") + FromMessage(h->UndoName())
                                : QStringLiteral("&Undo"));
    menu_.redo->setText(canRedo ? QStringLiteral("&Redo ") + FromMessage(h->RedoName())
                                : QStringLiteral("&Redo"));
}

void TMDIApp::Undo1Click() {
    Forward([](TMDIChild& c) { c.UndoStep(true); });
    UpdateEditActions();
}

void TMDIApp::Redo1Click() {
    Forward([](TMDIChild& c) { c.UndoStep(false); });
    UpdateEditActions();
}

void TMDIApp::DiscoverTree1Click() {
    if (!ui_.AskYesNo("This will extract all partitions, replicas, and objects\rfrom the tree "
                      "that is currently your primary tree.\rMake sure that your connection is to "
                      "the tree that you want\rto extract the NDS information from.\rThis process "
                      "can be lengthy based on the size of your tree.\rDo you wish to continue?"))
        return;
    New1Click();
    TMDIChild* child = ActiveChild();
    if (!child)
        return;
    bool keep = false;
    {
        TMDIChild::BusyScope busy(*child, true);
        keep = DiscoverTreeWindow(child->Design(), images_, this);
    }
    if (!keep) {
        // The user has declined what was read: nothing to save.
        child->Design().DropChanges();
        child->close();
        return;
    }
    child->RefreshTreePage();
    child->Tree().ExpandFirstLevel();
}

PrintSource TMDIApp::PrintSourceFor(TMDIChild& c) {
    PrintSource s;
    s.window = &c;
    s.design = &c.Design();
    s.images = &images_;
    s.graphical = GraphicalPrintMode();
    s.setGraphicalMark = [this](bool on) {
        menu_.graphical->setChecked(on);
        menu_.text->setChecked(!on);
    };
    s.expanded = ExpandedOnScreen(c.TreeView1());
    s.statusDialog = printDlg_;
    return s;
}

void TMDIApp::Print1Click() {
    Forward([this](TMDIChild& c) {
        const int page = c.ActivePage();
        const TextGrid* grid = nullptr;
        bool address = false;
        const QTextEdit* box = nullptr;
        if (GridPage* g = c.ShownGridPage()) {
            GridUnsortedIndex which{};
            if (g->VisibleGrid(&which)) {
                grid = &c.Views().Grid(which);
                address = which == kServXAddrGrid;
            }
        }
        if (page == TMDIChild::kReportsPage || page == TMDIChild::kSuggestionsPage)
            box = c.ShownTextPage() ? c.ShownTextPage()->ShownBox(nullptr) : nullptr;
        PrintActivePage(PrintSourceFor(c), static_cast<DesignPage>(page), grid, address, box);
    });
}

void TMDIApp::PrintScreen1Click() {
    Forward([this](TMDIChild& c) { PrintWindowImage(this, &c); });
}

void TMDIChild::UndoStep(bool undo) {
    UndoHistory& history = design_.History();
    bool crossed = false;
    {
        // Nodes come and go: the tree view lets go of them meanwhile.
        BusyScope busy(*this, true);
        crossed = undo ? history.Undo(design_) : history.Redo(design_);
    }
    if (!crossed)
        return;
    if (ObjectNode* node = history.LastSelection())
        SelectNode(node);
    else
        RefreshTreePage();
    if (ActivePage() != kTreePage)
        BuildPage(ActivePage());
    app_->UpdateEditActions();
}

} // namespace qv::gui
