// TMDIChild: the document window of one design, with its five pages. The tree
// page shows the object tree, the subordinate objects of the selected node and
// the replicas of the selected partition or server.
#pragma once

#include "core/tree_design.h"
#include "reports/analysis_pages.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QMdiSubWindow>
#include <array>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QHBoxLayout;
class QHeaderView;
class QLabel;
class QListView;
class QMenu;
class QAction;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;
class QTextEdit;
class QVBoxLayout;
class QTreeView;
class QStandardItemModel;

namespace qv::gui {

class TMDIApp;
class TreeModel;
class LeafListModel;
class ReplicaListModel;
class TextGridModel;

// A panel whose caption is a status text.
class StatusPanel : public QFrame {
    Q_OBJECT
public:
    StatusPanel(const QString& name, QWidget* parent);
    void SetCaption(const QString& text);
    QString Caption() const;
    QLabel* CaptionLabel() const { return caption_; }

private:
    QLabel* caption_;
};

// A 5-pixel splitter panel between two lists. It reports the horizontal
// movement of a completed drag; the window decides whether to apply it.
class SplitPanel : public QFrame {
    Q_OBJECT
public:
    SplitPanel(const QString& name, QWidget* parent);
signals:
    void Dragged(int dx);

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    bool cursorShown_ = false;
    bool dragging_ = false;
    int startX_ = 0;
};

class TMDIChild : public QMdiSubWindow, public Progress, public DesignView {
    Q_OBJECT
public:
    enum Page { kTreePage = 0, kGridPage, kObjGridPage, kReportsPage, kSuggestionsPage };

    explicit TMDIChild(TMDIApp* app);
    ~TMDIChild() override;

    TreeDesign& Design() { return design_; }
    TMDIApp& App() const { return *app_; }
    AnalysisViews& Views() { return views_; }

    // ---- DesignView ----
    void RefreshTreePage() override;
    void SetObjectLabelsVisible(bool visible) override;
    void ClearReplicaView() override;
    void DesignFileNameChanged(const std::string& oldName, const std::string& newName) override;
    void SetWindowsEnabled(bool enabled) override;
    // ---- Progress ----
    void Show(ProgressChannel channel, std::string_view text) override;
    void Pump() override;

    // ---- operations ----
    void ApplyTexts();
    // Asks to save a modified design, then frees it; runs once.
    void FreeAll();
    bool Freed() const { return freed_; }
    void SortObjects();
    void SetDefaultSorting(bool on);
    bool DefaultSorting() const { return defaultSorting_; }
    void SortGridView();
    void FindServer();
    void FindObject(const QString& text);
    void FindText(const QString& text);
    void GotoObject();
    void ExpandObject(ObjectNode* node);
    void CollapseObject(ObjectNode* node);
    void ExpandAll();
    void CollapseAll();
    // Selects a node (or clears the selection when null) and refreshes.
    void SelectNode(ObjectNode* node);
    // Brings the window's sorting in line with the main window's check mark.
    void FollowDefaultSorting(bool checked);
    // The window became the active one: its page is brought up to date, then
    // its sorting follows the check mark.
    void WindowActivated(bool sortChecked);

    // ---- state read by the menus ----
    int ActivePage() const;
    ObjectNode* SelectedNode();
    int LeafRowCount() const;
    int SelectedLeafCount() const;
    int ReplicaRowCount() const;
    // The selected replica row, or empty.
    std::string SelectedReplica() const;
    bool ReplicaListShowsServer() const { return replicaModeServers_; }
    bool CanCreateObject();
    bool CanDeleteObject();
    bool CanRenameObject();
    bool CanCreatePartition();
    bool CanMergePartition();
    bool CanAddReplica();
    bool CanMoveObject();
    bool SelectedIsServer();
    bool SelectedIsContainer();
    // Delete Replica and Change Type: rows exist and the selected type is
    // neither "*MASTER*" nor "*SUB/REF*".
    bool CanChangeReplica() const;
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
    QTreeView* TreeView1() const { return treeView_; }
    QListView* LB_LEAFOBJS() const { return leafList_; }
    QListView* ListBox1() const { return replicaList_; }
    QTabWidget* PageControl1() const { return pages_; }
    QMenu* PopupMenu1() const { return popup1_; }
    QMenu* PopupMenu2() const { return popup2_; }
    // Decides the enabling of the two context menus.
    void UpdatePopupMenu1();
    void UpdatePopupMenu2();
    void UpdatePopupMenu3();
    QMenu* PopupMenu3() const { return popup3_; }

    // ---- editing commands (menus, context menus and keys) ----
    void DeleteObjectCmd();
    void RenameObjectCmd();
    void CreatePartitionCmd();
    void MergePartitionCmd();
    void DeleteReplicaCmd();
    void ClearDSVersionsCmd();
    void ClearServerAddressesCmd();
    void AddReplicaCmd();
    void CreateObjectCmd();
    void ChangeTypeCmd();
    void MoveObjectCmd();
    void MoveLeafObjectsCmd();
    void IndividualReportCmd();
    void ReplicaReportCmd();
    // The subordinate list's commands.
    void GotoLeafObject();
    void ReportObjectsCmd();
    // "Save to delimited file.." of the grid pages.
    void SaveDelimitedCmd();
    void DeleteLeafObjectsCmd();
    void RenameLeafObjectCmd();

    // The Delete key in the tree and in the replica list.
    void TreeDeleteKey();
    void ReplicaDeleteKey();

signals:
    void PageChanged(int page);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildTreePage(QWidget* page);
    void BuildGridPage(QWidget* page);
    void BuildObjGridPage(QWidget* page);
    void BuildReportsPage(QWidget* page);
    // The names and contents of a grid page: three radio buttons, each showing one grid.
    struct GridPageParts {
        std::array<const char*, 3> radios;
        std::array<const char*, 3> captions;
        const char* label;
        const char* fontSize;
        const char* upDown;
        const char* save;
        std::array<const char*, 3> grids;
        std::array<const TextGrid*, 3> data;
        int rowHeight;
        const char* panel;
        const char* abort;
        bool abortHint;
    };
    void BuildGridViews(QWidget* page, const GridPageParts& parts);
    // The status panel and Abort button at the foot of a page.
    StatusPanel* AddStatusRow(QWidget* page, QVBoxLayout* layout, const char* panelName,
                              const char* abortName, bool withHint, bool enabled);
    // A row of radio buttons, each showing one read-only text box of the page.
    struct RadioBox {
        const char* radio;
        const char* caption;
        const char* box;
    };
    void AddRadioBoxes(QWidget* page, QVBoxLayout* layout, QHBoxLayout* row,
                       const std::vector<RadioBox>& defs);
    void BuildSuggestionsPage(QWidget* page);
    void BuildPopupMenus();
    void LayoutTreeBody();
    void UpdateHeader();
    void Panel2Dragged(int dx);
    void Panel1Dragged(int dx);
    void PageControl1Change(int page);
    void AbortClick();
    void TreeSelectionChanged();
    void TreeDoubleClicked();
    void NotAvailable();
    std::vector<std::string> SelectedLeafEntries() const;
    std::string FocusedLeafRow() const;
    void SyncTreeModel();
    void RememberSelection(ObjectNode* node);
    ObjectNode* FindRememberedNode();
    std::string NodeKey(const ObjectNode* node) const;
    void NoteExpanded(const QModelIndex& index, bool expanded);
    void RestoreExpansion();
    QTextEdit* VisibleTextBox() const;
    QTableView* VisibleGrid(int* gridIndex) const;
    // The page builder: rebuilds what the page shows when it is stale.
    void BuildPage(int page);
    void ReloadGrids();
    QTextEdit* ShownBox(int page, ReportIndex* which) const;
    void EndBusy();
    void FlushProgressTexts();

    TMDIApp* app_;
    TreeDesign design_;
    AnalysisViews views_;
    std::vector<TextGridModel*> gridModels_;
    bool freed_ = false;
    int busy_ = 0;
    std::array<std::string, 6> pendingTexts_;
    unsigned pendingChannels_ = 0;
    QElapsedTimer pumpTimer_;
    bool frozen_ = false;
    bool pendingRefresh_ = false;
    bool defaultSorting_ = false;
    bool replicaModeServers_ = false;
    ObjectNode* selected_ = nullptr;
    bool hasSelection_ = false;
    // The selected node as an address only: compared, never followed, until found in the tree.
    const void* lastSelected_ = nullptr;
    std::uint64_t selectedVersion_ = 0;
    std::vector<std::pair<std::size_t, std::string>> selectedPath_;
    std::set<std::string> expanded_;
    int treeWidth_ = 251;
    int leafWidth_ = 260;

    QTabWidget* pages_ = nullptr;
    QHeaderView* header_ = nullptr;
    QStandardItemModel* headerModel_ = nullptr;
    QWidget* treeBody_ = nullptr;
    QTreeView* treeView_ = nullptr;
    SplitPanel* panel2_ = nullptr;
    QListView* leafList_ = nullptr;
    SplitPanel* panel1_ = nullptr;
    QListView* replicaList_ = nullptr;
    StatusPanel* pnlImport_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label3_ = nullptr;
    QString objectPrefix_, subordinatesPrefix_, replicaPrefix_;
    std::unique_ptr<TreeModel> treeModel_;
    std::unique_ptr<LeafListModel> leafModel_;
    std::unique_ptr<ReplicaListModel> replicaModel_;
    QMenu* popup1_ = nullptr;
    QMenu* popup2_ = nullptr;
    QMenu* popup3_ = nullptr;
    std::vector<QPushButton*> abortButtons_;
    std::vector<StatusPanel*> statusPanels_;
    std::vector<QLabel*> reportLabels_;
    QTextEdit* logBox_ = nullptr;

    friend class BusyScope;
};

} // namespace qv::gui
