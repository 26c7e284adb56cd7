#include "gui/core/pages/tree_page.h"

#include "core/class_table.h"
#include "core/host.h"
#include "edit/object_operations.h"
#include "gui/core/image_list.h"
#include "gui/core/named.h"
#include "gui/core/pages/log_page.h"
#include "gui/core/panels.h"
#include "gui/core/qt_text.h"
#include "gui/core/tree_models.h"
#include "reports/leaf_commands.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace qv::gui {

namespace {

// A list of the page: read-only rows of one height, with a pop-up menu.
QListView* MakeList(QWidget* parent, const char* name, QAbstractItemModel* model,
                    QAbstractItemView::SelectionMode selection) {
    auto* list = new QListView(parent);
    list->setObjectName(QLatin1String(name));
    list->setModel(model);
    list->setUniformItemSizes(true);
    list->setSelectionMode(selection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    return list;
}

} // namespace

TreePage::TreePage(TreeDesign& design, const ImageList& images, QWidget* parent)
    : QWidget(parent), design_(design) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    header_ = new QHeaderView(Qt::Horizontal, this);
    header_->setObjectName(QStringLiteral("HeaderControl1"));
    headerModel_ = new QStandardItemModel(0, 3, header_);
    headerModel_->setHorizontalHeaderLabels({QStringLiteral("Tree"),
                                             QStringLiteral("Subordinate Objects"),
                                             QStringLiteral("Replicas/Partitions")});
    header_->setModel(headerModel_);
    header_->setSectionsClickable(false);
    header_->setSectionResizeMode(QHeaderView::Fixed);
    header_->setStretchLastSection(false);
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header_->setFixedHeight(20);
    header_->resizeSection(0, 240);
    header_->resizeSection(1, 170);
    header_->resizeSection(2, 10000);
    layout->addWidget(header_);

    body_ = MakeNamed<QWidget>(this, "TreeBody");
    body_->installEventFilter(this);
    layout->addWidget(body_, 1);
    BuildLists(images);

    pnlImport_ = new StatusPanel(QStringLiteral("PNL_IMPORT"), this);
    auto* panelLayout = static_cast<QHBoxLayout*>(pnlImport_->layout());
    label1_ = MakeNamed<QLabel>(pnlImport_, "Label1");
    label2_ = MakeNamed<QLabel>(pnlImport_, "Label2");
    label3_ = MakeNamed<QLabel>(pnlImport_, "Label3");
    for (QLabel* l : {label1_, label2_, label3_}) {
        l->setTextFormat(Qt::PlainText);
        panelLayout->addSpacing(12);
        panelLayout->addWidget(l);
    }
    panelLayout->addStretch(1);
    log_ = new OperationLogPage(pnlImport_);
    layout->addWidget(pnlImport_);
    UpdateHeader();
}

TreePage::~TreePage() {
    // The models refer to the design; let the views go first.
    treeView_->setModel(nullptr);
    leafList_->setModel(nullptr);
    replicaList_->setModel(nullptr);
}

void TreePage::BuildLists(const ImageList& images) {
    treeModel_ = std::make_unique<TreeModel>(design_, images);
    auto* tree = new DesignTreeView(body_);
    tree->canStart = [](ObjectNode* n) { return CanStartDrag(n); };
    tree->accepts = [](ObjectNode* dragged, ObjectNode* target) {
        return DropAccepted(dragged, target);
    };
    tree->drop = [this](ObjectNode* dragged, ObjectNode* target) {
        // After the drag has ended: the drop may ask questions.
        QTimer::singleShot(0, this, [this, dragged, target, version = design_.TreeVersion()] {
            if (!frozen_ && version == design_.TreeVersion())
                emit NodeDropped(dragged, target);
        });
    };
    treeView_ = tree;
    treeView_->setObjectName(QStringLiteral("TreeView1"));
    treeModel_->SetInk(treeView_->palette().color(QPalette::Text));
    treeView_->setModel(treeModel_.get());
    treeView_->setHeaderHidden(true);
    treeView_->setIndentation(19);
    treeView_->setRootIsDecorated(false);
    treeView_->setItemsExpandable(true);
    // No expand buttons: a double click or the keyboard opens a node.
    treeView_->setStyleSheet(
        QStringLiteral("QTreeView::branch { image: none; border-image: none; }"));
    treeView_->setExpandsOnDoubleClick(true);
    treeView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeView_->setSelectionMode(QAbstractItemView::SingleSelection);
    treeView_->setIconSize(QSize(2 * ImageList::kIconSize + 2, ImageList::kIconSize));
    treeView_->setUniformRowHeights(true);
    // Deep trees scroll sideways rather than cutting names short.
    treeView_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    treeView_->header()->setStretchLastSection(false);
    treeView_->setTextElideMode(Qt::ElideNone);
    treeView_->setContextMenuPolicy(Qt::CustomContextMenu);
    treeView_->installEventFilter(this);
    connect(treeView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { CurrentChanged(); });
    connect(treeView_, &QTreeView::doubleClicked, this, &TreePage::TreeDoubleClicked);
    connect(treeView_, &QTreeView::expanded, this,
            [this](const QModelIndex& i) { NoteExpanded(i, true); });
    connect(treeView_, &QTreeView::collapsed, this,
            [this](const QModelIndex& i) { NoteExpanded(i, false); });
    connect(treeView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        QModelIndex at = treeView_->indexAt(p);
        if (at.isValid() && at != treeView_->currentIndex())
            treeView_->setCurrentIndex(at);
        emit TreeMenuRequested(treeView_->viewport()->mapToGlobal(p));
    });

    picture_ = MakeNamed<QLabel>(body_, "TreePicture");
    picture_->hide();

    panel2_ = new SplitPanel(QStringLiteral("Panel2"), body_);
    connect(panel2_, &SplitPanel::Dragged, this, &TreePage::Panel2Dragged);

    leafModel_ = std::make_unique<LeafListModel>();
    leafList_ =
        MakeList(body_, "LB_LEAFOBJS", leafModel_.get(), QAbstractItemView::ExtendedSelection);
    leafList_->setItemDelegate(new LeafRowDelegate(images, leafList_));
    connect(leafList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        emit LeafMenuRequested(leafList_->viewport()->mapToGlobal(p));
    });

    panel1_ = new SplitPanel(QStringLiteral("Panel1"), body_);
    connect(panel1_, &SplitPanel::Dragged, this, &TreePage::Panel1Dragged);

    replicaModel_ = std::make_unique<ReplicaListModel>();
    replicaList_ =
        MakeList(body_, "ListBox1", replicaModel_.get(), QAbstractItemView::SingleSelection);
    replicaList_->setItemDelegate(new ReplicaRowDelegate(images, replicaList_));
    replicaList_->installEventFilter(this);
    connect(replicaList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        QModelIndex at = replicaList_->indexAt(p);
        if (at.isValid())
            replicaList_->setCurrentIndex(at);
        emit ReplicaMenuRequested(replicaList_->viewport()->mapToGlobal(p));
    });
}

void TreePage::ApplyTexts() {
    objectPrefix_ = QStringLiteral("Object: ");
    subordinatesPrefix_ = QStringLiteral("Subordinate Objects: ");
    replicaPrefix_ = QStringLiteral("Replica Count: ");
}

void TreePage::SetLabelsVisible(bool visible) {
    for (QLabel* l : {label1_, label2_, label3_})
        l->setVisible(visible);
}

void TreePage::SetInputEnabled(bool enabled) {
    body_->setEnabled(enabled);
}

// ---------------------------------------------------------------- layout

void TreePage::LayoutBody() {
    constexpr int kSplit = SplitPanel::kWidth;
    // In a window narrower than the three panes, the tree and the subordinate
    // list give up width in proportion, so that every pane keeps at least
    // kMinPane pixels (or a third of the window when even that does not fit).
    constexpr int kMinPane = 60;
    int h = body_->height();
    int w = body_->width();
    const int panes = std::max(0, w - 2 * kSplit);
    int tree = treeWidth_;
    int leaf = leafWidth_;
    if (tree + leaf + kMinPane > panes) {
        const int least = std::min(kMinPane, panes / 3);
        const int room = std::max(0, panes - least);
        const int wanted = std::max(1, tree + leaf);
        tree = std::max(least, static_cast<int>(static_cast<long long>(room) * tree / wanted));
        leaf = std::max(least, room - tree);
        tree = std::max(least, std::min(tree, room - leaf));
    }
    shownTree_ = tree;
    shownLeaf_ = leaf;
    treeView_->setGeometry(0, 0, tree, h);
    panel2_->setGeometry(tree, 0, kSplit, h);
    int leafLeft = tree + kSplit;
    leafList_->setGeometry(leafLeft, 0, leaf, h);
    int panel1Left = leafLeft + leaf;
    panel1_->setGeometry(panel1Left, 0, kSplit, h);
    int replicaLeft = panel1Left + kSplit;
    replicaList_->setGeometry(replicaLeft, 0, std::max(0, w - replicaLeft), h);
    UpdateHeader();
}

void TreePage::UpdateHeader() {
    header_->resizeSection(0, shownTree_ + SplitPanel::kWidth / 2);
    header_->resizeSection(1, shownLeaf_ + SplitPanel::kWidth + 1);
}

void TreePage::Panel2Dragged(int dx) {
    int pos = treeWidth_ + dx;
    int panel1Left = treeWidth_ + SplitPanel::kWidth + leafWidth_;
    if (pos >= 15 && pos <= panel1Left - 15) {
        treeWidth_ += dx;
        leafWidth_ -= dx;
    }
    LayoutBody();
    UpdateHeader();
}

void TreePage::Panel1Dragged(int dx) {
    int pos = treeWidth_ + SplitPanel::kWidth + leafWidth_ + dx;
    if (pos >= treeWidth_ + 15 && pos <= body_->width() - 30)
        leafWidth_ += dx;
    LayoutBody();
    UpdateHeader();
}

bool TreePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == body_ && event->type() == QEvent::Resize) {
        LayoutBody();
    } else if (event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        if (watched == treeView_) {
            emit TreeDeleteKey();
            return true;
        }
        if (watched == replicaList_) {
            emit ReplicaDeleteKey();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- selection memory

std::string TreePage::NodeKey(const ObjectNode* node) const {
    std::vector<const ObjectNode*> path;
    for (const ObjectNode* n = node; n; n = n->Parent())
        path.push_back(n);
    std::string key;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        key += (*it)->Name();
        key += '\x01';
    }
    return key;
}

void TreePage::RememberSelection(ObjectNode* node) {
    selectedPath_.clear();
    for (const ObjectNode* n = node; n && n->Parent(); n = n->Parent())
        selectedPath_.emplace_back(n->IndexInParent(), n->Name());
    std::reverse(selectedPath_.begin(), selectedPath_.end());
    selected_ = node;
    lastSelected_ = node;
    hasSelection_ = node != nullptr;
    selectedVersion_ = design_.TreeVersion();
}

ObjectNode* TreePage::FindRememberedNode() {
    // A node that moved is still the selected node: look for it by address first.
    std::vector<ObjectNode*> stack{design_.Root()};
    while (!stack.empty()) {
        ObjectNode* x = stack.back();
        stack.pop_back();
        if (x == lastSelected_)
            return x;
        for (std::size_t i = 0; i < x->ChildCount(); ++i)
            stack.push_back(x->Child(i));
    }
    ObjectNode* n = design_.Root();
    for (const auto& [index, name] : selectedPath_) {
        ObjectNode* next = nullptr;
        if (index < n->ChildCount() && n->Child(index)->Name() == name)
            next = n->Child(index);
        for (std::size_t i = 0; !next && i < n->ChildCount(); ++i)
            if (n->Child(i)->Name() == name)
                next = n->Child(i);
        if (!next)
            break; // the node is gone: its nearest remaining ancestor
        n = next;
    }
    return n;
}

ObjectNode* TreePage::SelectedNode() {
    if (frozen_ || released_)
        return nullptr;
    if (selectedVersion_ != design_.TreeVersion() || !selected_)
        SyncTreeModel();
    return selected_;
}

void TreePage::SyncTreeModel() {
    if (frozen_)
        return;
    bool reset = treeModel_->Sync();
    if (reset || selectedVersion_ != design_.TreeVersion() || !selected_) {
        if (reset)
            RestoreExpansion();
        ObjectNode* n = hasSelection_ ? FindRememberedNode() : nullptr;
        if (n)
            ShowCurrent(n);
        RememberSelection(n);
    }
}

void TreePage::SelectNode(ObjectNode* node) {
    if (frozen_)
        return;
    treeModel_->Sync();
    ShowCurrent(node);
    RememberSelection(node);
    Refresh();
}

void TreePage::ShowCurrent(ObjectNode* node) {
    showing_ = true;
    if (node) {
        QModelIndex idx = treeModel_->IndexOf(node);
        for (QModelIndex p = idx.parent(); p.isValid(); p = p.parent())
            treeView_->expand(p);
        treeView_->selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
        treeView_->scrollTo(idx);
    } else {
        treeView_->selectionModel()->clear();
    }
    showing_ = false;
}

void TreePage::CurrentChanged() {
    if (frozen_ || showing_)
        return;
    RememberSelection(treeModel_->NodeAt(treeView_->currentIndex()));
    Refresh();
}

void TreePage::Freeze() {
    if (frozen_)
        return;
    // The view lets go of the nodes; until the end, a picture of the tree as
    // it was stands in its place, so that the tree never goes blank.
    picture_->setPixmap(treeView_->grab());
    picture_->setGeometry(treeView_->geometry());
    picture_->raise();
    picture_->show();
    frozen_ = true;
    selected_ = nullptr;
    treeModel_->Freeze();
}

void TreePage::Unfreeze() {
    if (frozen_) {
        picture_->hide();
        picture_->clear();
        frozen_ = false;
        treeModel_->Unfreeze();
        RestoreExpansion();
        SyncTreeModel();
    }
    if (pendingRefresh_ && !released_) {
        pendingRefresh_ = false;
        Refresh();
    }
}

void TreePage::Release() {
    released_ = true;
    replicaModel_->SetEntries(nullptr);
    leafModel_->SetEntries(nullptr);
}

bool TreePage::SyncChangedTree() {
    if (frozen_ || !treeModel_->Sync())
        return false;
    selected_ = nullptr;
    pendingRefresh_ = true;
    return true;
}

// ---------------------------------------------------------------- expansion memory

void TreePage::NoteExpanded(const QModelIndex& index, bool expanded) {
    ObjectNode* n = treeModel_->NodeAt(index);
    if (!n)
        return;
    if (expanded)
        expanded_.insert(NodeKey(n));
    else
        expanded_.erase(NodeKey(n));
}

void TreePage::RestoreExpansion() {
    if (frozen_ || expanded_.empty())
        return;
    std::set<std::string> wanted;
    wanted.swap(expanded_);
    // One pre-order pass with the key of each node built from its parent's.
    std::vector<std::pair<ObjectNode*, std::string>> stack;
    stack.emplace_back(design_.Root(), design_.Root()->Name() + '\x01');
    while (!stack.empty()) {
        auto [n, key] = std::move(stack.back());
        stack.pop_back();
        if (n->ChildCount() == 0 || !wanted.count(key))
            continue;
        treeView_->expand(treeModel_->IndexOf(n));
        for (std::size_t i = n->ChildCount(); i-- > 0;)
            stack.emplace_back(n->Child(i), key + n->Child(i)->Name() + '\x01');
    }
}

void TreePage::ExpandObject(ObjectNode* node) {
    if (!node)
        return;
    treeView_->expandRecursively(treeModel_->IndexOf(node));
    design_.WalkSubtree(node, [this](ObjectNode* n) {
        if (n->ChildCount() > 0)
            expanded_.insert(NodeKey(n));
        return true;
    });
}

void TreePage::CollapseObject(ObjectNode* node) {
    if (!node)
        return;
    std::vector<ObjectNode*> withChildren;
    design_.WalkSubtree(node, [&](ObjectNode* n) {
        if (n->ChildCount() > 0)
            withChildren.push_back(n);
        return true;
    });
    for (auto it = withChildren.rbegin(); it != withChildren.rend(); ++it)
        treeView_->collapse(treeModel_->IndexOf(*it));
}

void TreePage::ExpandAll() {
    if (!frozen_)
        ExpandObject(design_.Root());
}

void TreePage::ExpandFirstLevel() {
    if (!frozen_)
        treeView_->expand(treeModel_->IndexOf(design_.Root()));
}

void TreePage::CollapseAll() {
    if (frozen_)
        return;
    treeView_->collapseAll();
    expanded_.clear();
}

// ---------------------------------------------------------------- refresh

void TreePage::Refresh() {
    if (released_)
        return;
    if (frozen_) {
        pendingRefresh_ = true;
        return;
    }
    SyncTreeModel();
    ObjectNode* node = selected_;
    if (!node) {
        replicaModel_->SetEntries(nullptr);
        leafModel_->SetEntries(nullptr);
        label1_->setText(objectPrefix_);
        label2_->setText(subordinatesPrefix_ + QStringLiteral("0"));
        label3_->setText(replicaPrefix_ + QStringLiteral("0"));
        return;
    }
    design_.EnsureSubRefsForNode(node);
    // The messages of the sub-reference upkeep may have let the tree change.
    if (selectedVersion_ != design_.TreeVersion()) {
        SyncTreeModel();
        node = selected_;
        if (!node)
            return;
    }

    const ReplicaList* replicas = nullptr;
    replicaModeServers_ = node->ClassIndex() == kClassServer;
    if (!replicaModeServers_)
        replicas = design_.partitions.EntriesOf(design_.FullContext(node));
    else
        replicas = design_.servers.EntriesOf(node->Name());
    replicaModel_->SetEntries(replicas);
    if (replicaModel_->rowCount() > 0)
        replicaList_->setCurrentIndex(replicaModel_->index(0));

    leafModel_->SetEntries(node->Leaves());
    if (leafModel_->rowCount() > 0)
        leafList_->setCurrentIndex(leafModel_->index(0));

    label1_->setText(objectPrefix_ + FromModel(design_.FullContext(node)));
    int subordinates = leafModel_->rowCount();
    if (subordinates == 0)
        subordinates = static_cast<int>(node->ChildCount());
    label2_->setText(subordinatesPrefix_ + QString::number(subordinates));
    label3_->setText(replicaPrefix_ + QString::number(replicaModel_->rowCount()));
}

// ---------------------------------------------------------------- the lists

void TreePage::ClearReplicas() {
    replicaModel_->SetEntries(nullptr);
}

int TreePage::LeafRowCount() const {
    return leafModel_->rowCount();
}

int TreePage::SelectedLeafCount() const {
    return static_cast<int>(leafList_->selectionModel()->selectedRows().size());
}

int TreePage::ReplicaRowCount() const {
    return replicaModel_->rowCount();
}

std::string TreePage::SelectedReplica() const {
    QModelIndex i = replicaList_->currentIndex();
    if (!i.isValid() || i.row() >= replicaModel_->rowCount())
        return {};
    return replicaModel_->Entry(i.row());
}

std::string TreePage::FocusedLeafRow() const {
    QModelIndex i = leafList_->currentIndex();
    if (!i.isValid() || i.row() >= leafModel_->rowCount())
        return {};
    return leafModel_->RowText(i.row());
}

std::vector<std::string> TreePage::SelectedLeafRows() const {
    std::vector<std::string> texts;
    QModelIndexList rows = leafList_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    for (const QModelIndex& i : rows)
        texts.push_back(leafModel_->RowText(i.row()));
    return texts;
}

std::vector<std::string> TreePage::SelectedLeafEntries() const {
    std::vector<std::string> entries;
    for (const std::string& row : SelectedLeafRows())
        entries.emplace_back(LeafEntryOfRow(row));
    return entries;
}

std::vector<std::string> TreePage::LeafRows() const {
    std::vector<std::string> rows;
    rows.reserve(static_cast<std::size_t>(LeafRowCount()));
    for (int r = 0; r < LeafRowCount(); ++r)
        rows.push_back(leafModel_->RowText(r));
    return rows;
}

void TreePage::FindObject(const QString& text, Interaction& ui) {
    std::string t = ToModel(text);
    QItemSelection selection;
    int first = -1;
    int start = -1;
    int rows = leafModel_->rowCount();
    for (int r = 0; r <= rows; ++r) {
        bool match =
            r < rows && LeafListModel::RowLeafName(leafModel_->RowText(r)).substr(0, t.size()) == t;
        if (match && start < 0)
            start = r;
        if (!match && start >= 0) {
            selection.select(leafModel_->index(start), leafModel_->index(r - 1));
            if (first < 0)
                first = start;
            start = -1;
        }
    }
    leafList_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (first < 0) {
        ui.Information("\"" + t + "\" was not found.");
        return;
    }
    leafList_->selectionModel()->setCurrentIndex(leafModel_->index(first),
                                                 QItemSelectionModel::NoUpdate);
    leafList_->scrollTo(leafModel_->index(first));
}

} // namespace qv::gui
