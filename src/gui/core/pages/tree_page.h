// The tree page (TAB_TREEVIEW) of the design window: the object tree
// (TreeView1), the subordinate objects of the selected node (LB_LEAFOBJS), the
// replicas of the selected partition or server (ListBox1), the splitters and
// header between them, and the import panel with its three labels. The page
// remembers the selected node and the expanded nodes across model resets.
#pragma once

#include "core/tree_design.h"

#include <QWidget>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QHeaderView;
class QLabel;
class QListView;
class QStandardItemModel;
class QTreeView;

namespace qv {
class Interaction;
}

namespace qv::gui {

class ImageList;
class LeafListModel;
class OperationLogPage;
class ReplicaListModel;
class SplitPanel;
class StatusPanel;
class TreeModel;

class TreePage : public QWidget {
    Q_OBJECT
public:
    TreePage(TreeDesign& design, const ImageList& images, QWidget* parent);
    ~TreePage() override;

    QTreeView* Tree() const { return treeView_; }
    QListView* Leaves() const { return leafList_; }
    QListView* Replicas() const { return replicaList_; }
    StatusPanel* ImportPanel() const { return pnlImport_; }

    // The captions of the labels and header.
    void ApplyTexts();
    void SetLabelsVisible(bool visible);
    // Input to the lists is refused during a long operation.
    void SetInputEnabled(bool enabled);

    // ---- selection ----
    // The node the commands act on; null while frozen or released.
    ObjectNode* SelectedNode();
    // Selects a node (or clears the selection when null) and refreshes.
    void SelectNode(ObjectNode* node);
    // Shows the selected node's labels, subordinates and replicas.
    void Refresh();
    // During a long operation the view lets go of the nodes; a refresh asked
    // for meanwhile is made by Unfreeze.
    void Freeze();
    void Unfreeze();
    bool Frozen() const { return frozen_; }
    // The design was freed: the lists are emptied and stay so.
    void Release();
    // A tree changed outside a frozen operation is shown before anything
    // paints it; true when the page must refresh.
    bool SyncChangedTree();

    // ---- the lists ----
    void ClearReplicas();
    int LeafRowCount() const;
    int SelectedLeafCount() const;
    int ReplicaRowCount() const;
    // The selected replica row, or empty.
    std::string SelectedReplica() const;
    bool ReplicaListShowsServer() const { return replicaModeServers_; }
    // The text of the focused subordinate row, or empty.
    std::string FocusedLeafRow() const;
    // The LeafEntries of the selected subordinate rows, in row order.
    std::vector<std::string> SelectedLeafEntries() const;
    // The texts of the selected rows, in list order.
    std::vector<std::string> SelectedLeafRows() const;
    std::vector<std::string> LeafRows() const;

    // ---- finds, expand and collapse ----
    void FindObject(const QString& text, Interaction& ui);
    void ExpandObject(ObjectNode* node);
    void CollapseObject(ObjectNode* node);
    void ExpandAll();
    // Opens the root, so that the first level under [ROOT] shows.
    void ExpandFirstLevel();
    void CollapseAll();

signals:
    void TreeDeleteKey();
    void ReplicaDeleteKey();
    void TreeDoubleClicked();
    void NodeDropped(ObjectNode* dragged, ObjectNode* target);
    // The pop-up menus at a global position.
    void TreeMenuRequested(const QPoint& at);
    void LeafMenuRequested(const QPoint& at);
    void ReplicaMenuRequested(const QPoint& at);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildLists(const ImageList& images);
    void LayoutBody();
    void UpdateHeader();
    void Panel2Dragged(int dx);
    void Panel1Dragged(int dx);
    void CurrentChanged();
    void SyncTreeModel();
    // Moves the tree's highlight, current index and scroll position to the
    // node (or clears them) without taking it for the user's choice.
    void ShowCurrent(ObjectNode* node);
    void RememberSelection(ObjectNode* node);
    ObjectNode* FindRememberedNode();
    std::string NodeKey(const ObjectNode* node) const;
    void NoteExpanded(const QModelIndex& index, bool expanded);
    void RestoreExpansion();

    TreeDesign& design_;
    bool frozen_ = false;
    bool showing_ = false;
    bool released_ = false;
    bool pendingRefresh_ = false;
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
    // The widths shown, which a narrow window makes smaller.
    int shownTree_ = 251;
    int shownLeaf_ = 260;

    QHeaderView* header_ = nullptr;
    QStandardItemModel* headerModel_ = nullptr;
    QWidget* body_ = nullptr;
    QTreeView* treeView_ = nullptr;
    QLabel* picture_ = nullptr;
    SplitPanel* panel2_ = nullptr;
    QListView* leafList_ = nullptr;
    SplitPanel* panel1_ = nullptr;
    QListView* replicaList_ = nullptr;
    StatusPanel* pnlImport_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label3_ = nullptr;
    OperationLogPage* log_ = nullptr;
    QString objectPrefix_, subordinatesPrefix_, replicaPrefix_;
    std::unique_ptr<TreeModel> treeModel_;
    std::unique_ptr<LeafListModel> leafModel_;
    std::unique_ptr<ReplicaListModel> replicaModel_;
};

} // namespace qv::gui
