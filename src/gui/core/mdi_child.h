// TMDIChild: the document window of one design. It owns the design and its
// five pages (the tree page, the two grid pages, the two text pages), relays
// the logic's progress texts to them, and keeps input away while a long
// operation runs.
#pragma once

#include "core/tree_design.h"
#include "gui/core/qt_hosts.h"
#include "reports/analysis_pages.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <memory>
#include <string>

class QListView;
class QMenu;
class QTabWidget;
class QTreeView;

namespace qv::gui {

class GridPage;
class TextPage;
class TreePage;
class TreePageActions;
class Workspace;

class TMDIChild : public QMdiSubWindow, public DesignView {
    Q_OBJECT
public:
    enum Page { kTreePage = 0, kGridPage, kObjGridPage, kReportsPage, kSuggestionsPage };

    explicit TMDIChild(Workspace* app);
    ~TMDIChild() override;

    TreeDesign& Design() { return design_; }
    Workspace& App() const { return *app_; }
    AnalysisViews& Views() { return views_; }
    TreePage& Tree() const { return *tree_; }
    // The commands of the tree page's keys, drops and pop-up menus, attached
    // once after the window is made.
    void AttachActions(std::unique_ptr<TreePageActions> actions);
    TreePageActions& Actions() const { return *actions_; }

    // ---- DesignView ----
    void RefreshTreePage() override;
    void SetObjectLabelsVisible(bool visible) override;
    void ClearReplicaView() override;
    void DesignFileNameChanged(const std::string& oldName, const std::string& newName) override;
    void SetWindowsEnabled(bool enabled) override;
    void HistoryChanged() override;
    // A progress text on the window's panels.
    void Show(ProgressChannel channel, std::string_view text);

    // ---- operations ----
    void ApplyTexts();
    // Asks to save a modified design, then frees it; runs once. False when
    // the design was to be saved and was not: the window stays as it is.
    bool FreeAll();
    // The two halves of FreeAll. SettleChanges asks to save a modified design
    // and saves it when asked to; false when it was to be saved and was not.
    // On No, *dropChanges is set and the design keeps its Modified flag until
    // Free(true), so that a later cancel leaves the window as it was.
    bool SettleChanges(bool* dropChanges);
    void Free(bool dropChanges);
    bool Freed() const { return freed_; }
    void SortObjects();
    // Edit > Undo (undo) and Redo (!undo) of the design's last change.
    void UndoStep(bool undo);
    void SetDefaultSorting(bool on);
    bool DefaultSorting() const { return defaultSorting_; }
    void SortGridView();
    // "Sort By Server" (0), "Sort By DS Version" (1), "Sort By Address" (2)
    // of the address grid's pop-up menu.
    void SortAddressGrid(int column);
    void FindText(const QString& text);
    // "Save to delimited file.." of the grid pages.
    void SaveDelimitedCmd();
    // Selects a node (or clears the selection when null) and refreshes.
    void SelectNode(ObjectNode* node);
    void GotoObject();
    // Brings the window's sorting in line with the main window's check mark.
    void FollowDefaultSorting(bool checked);
    // The window became the active one: its page is brought up to date, then
    // its sorting follows the check mark.
    void WindowActivated(bool sortChecked);

    // ---- state read by the menus ----
    int ActivePage() const;
    // The grid page or text page shown, or nullptr.
    GridPage* ShownGridPage() const;
    TextPage* ShownTextPage() const;
    ObjectNode* SelectedNode();
    int LeafRowCount() const;
    int SelectedLeafCount() const;
    bool ReplicaListShowsServer() const;
    bool Busy() const { return busy_ > 0; }

    // A long operation on the design: input to the window is refused, and with
    // freezeTree the tree view lets go of the nodes until the end.
    class BusyScope {
    public:
        BusyScope(TMDIChild& child, bool freezeTree);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TMDIChild& child_;
    };

    // Window widgets (also reachable by object name).
    QTreeView* TreeView1() const;
    QListView* LB_LEAFOBJS() const;
    QListView* ListBox1() const;
    QTabWidget* PageControl1() const { return pages_; }
    QMenu* PopupMenu1() const;
    QMenu* PopupMenu2() const;
    QMenu* PopupMenu3() const;
    // Decide the enabling of the three pop-up menus.
    void UpdatePopupMenu1();
    void UpdatePopupMenu2();
    void UpdatePopupMenu3();

signals:
    void PageChanged(int page);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void PaintProgress(ProgressChannel channel, const QString& text);
    void PageControl1Change(int page);
    void AbortClick();
    // The page builder: rebuilds what the page shows when it is stale.
    void BuildPage(int page);
    void EndBusy();
    // Empties the grids whose GridStale flag is set.
    void DropStaleGrids();

    Workspace* app_;
    TreeDesign design_;
    AnalysisViews views_;
    ProgressRelay relay_;
    bool freed_ = false;
    int busy_ = 0;
    // The widget that had the keyboard focus when the window became busy.
    QPointer<QWidget> focusBeforeBusy_;
    // The selected node when the window became busy (valid until the end).
    ObjectNode* busySelection_ = nullptr;
    bool defaultSorting_ = false;

    QTabWidget* pages_ = nullptr;
    TreePage* tree_ = nullptr;
    GridPage* partitionGrids_ = nullptr;
    GridPage* objectGrids_ = nullptr;
    TextPage* reports_ = nullptr;
    TextPage* suggestions_ = nullptr;
    std::unique_ptr<TreePageActions> actions_;

    friend class BusyScope;
};

} // namespace qv::gui
