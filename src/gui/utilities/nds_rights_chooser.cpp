// NDS Rights' chooser TFRM_DSRIGHTS: a copy of the design's tree with the
// subordinate objects of the chosen container, the targets picked from them;
// OK writes the batch file that asks the directory for their rights.
#include "gui/utilities/nds_rights_dialogs.h"

#include "core/entries.h"
#include "core/tree_design.h"
#include "gui/core/image_list.h"
#include "gui/core/named.h"
#include "gui/core/qt_hosts.h"
#include "gui/core/qt_text.h"
#include "gui/core/tree_models.h"
#include "gui/utilities/nds_rights_widgets.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

namespace qv::gui {

using namespace nds_rights;

namespace {

constexpr int kLeavesRole = Qt::UserRole + 2;
constexpr int kClassRole = Qt::UserRole + 3;
constexpr int kPartitionRole = Qt::UserRole + 4;

// Runs a function whenever the watched widget is resized.
class ResizeWatcher final : public QObject {
public:
    ResizeWatcher(std::function<void()> resized, QObject* parent)
        : QObject(parent), resized_(std::move(resized)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            resized_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> resized_;
};

} // namespace

// ---------------------------------------------------------------- TFRM_DSRIGHTS

TFRM_DSRIGHTS::TFRM_DSRIGHTS(const ImageList& images, QWidget* parent)
    : QDialog(parent), images_(images) {
    setObjectName(QStringLiteral("TFRM_DSRIGHTS"));
    setWindowTitle(QStringLiteral("Find DS Rights to Objects..."));
    auto* layout = new QVBoxLayout(this);
    HeaderControl1 =
        MakeHeader(this, QStringLiteral("Tree View"), QStringLiteral("Subordinate Objects"));
    layout->addWidget(HeaderControl1);
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    TreeView1 = MakeNamed<QTreeWidget>(Splitter1, "TreeView1");
    TreeView1->setHeaderHidden(true);
    // Node pictures are the state image in front of the class icon.
    TreeView1->setIconSize(QSize(2 * ImageList::kIconSize + 2, ImageList::kIconSize));
    ListBox1 = MakeNamed<QListWidget>(Splitter1, "ListBox1");
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setSortingEnabled(false);
    layout->addWidget(Splitter1, 1);
    // The first header section ends in the middle of the splitter handle,
    // whenever the tree's width changes (splitter moved, dialog resized, shown).
    auto follow = [this] {
        HeaderControl1->resizeSection(0, TreeView1->width() + Splitter1->handleWidth() / 2);
    };
    connect(Splitter1, &QSplitter::splitterMoved, this, follow);
    TreeView1->installEventFilter(new ResizeWatcher(follow, TreeView1));
    auto* labels = new QHBoxLayout;
    LabelObject = MakeNamed<QLabel>(this, "LabelObject", QStringLiteral("Object :"));
    LabelSubordinates =
        MakeNamed<QLabel>(this, "LabelSubordinates", QStringLiteral("Subordinates :"));
    labels->addWidget(LabelObject, 1);
    labels->addWidget(LabelSubordinates, 1);
    layout->addLayout(labels);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    BTN_OK = MakeNamed<QPushButton>(this, "BTN_OK", QStringLiteral("OK"));
    BTN_CANCEL = MakeNamed<QPushButton>(this, "BTN_CANCEL", QStringLiteral("Cancel"));
    buttons->addWidget(BTN_OK);
    buttons->addWidget(BTN_CANCEL);
    layout->addLayout(buttons);
    resize(600, 420);
    connect(BTN_OK, &QPushButton::clicked, this, &TFRM_DSRIGHTS::BTN_OKClick);
    connect(BTN_CANCEL, &QPushButton::clicked, this, &QDialog::reject);
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, &TFRM_DSRIGHTS::TreeView1Change);
}

TFRM_DSRIGHTS& TFRM_DSRIGHTS::Instance(const ImageList& images, QWidget* parent) {
    return OneInstance<TFRM_DSRIGHTS>(images, parent);
}

void TFRM_DSRIGHTS::Prepare(const TreeDesign& design, const ObjectNode* select,
                            std::string designContext, std::vector<std::string> sourceRows) {
    designContext_ = std::move(designContext);
    sourceRows_ = std::move(sourceRows);
    targetRows_.clear();
    sources_.clear();
    lines_ = 0;
    QSignalBlocker block(TreeView1);
    TreeView1->clear();
    ListBox1->clear();
    QTreeWidgetItem* chosen = nullptr;
    // The copy: every node with its name, picture and subordinate objects.
    std::vector<std::pair<const ObjectNode*, QTreeWidgetItem*>> stack;
    if (const ObjectNode* root = design.Root()) {
        auto* item = new QTreeWidgetItem(TreeView1);
        stack.emplace_back(root, item);
    }
    while (!stack.empty()) {
        auto [node, item] = stack.back();
        stack.pop_back();
        item->setText(0, Q(node->Name()));
        item->setIcon(0, QIcon(images_.NodePicture(node->ClassIndex(), node->IsPartitionRoot())));
        item->setData(0, kClassRole, node->ClassIndex());
        item->setData(0, kPartitionRole, node->IsPartitionRoot());
        QStringList leaves;
        if (node->Leaves())
            for (const std::string& entry : *node->Leaves())
                leaves << Q(LeafListModel::MakeRow(entry));
        item->setData(0, kLeavesRole, leaves);
        if (node == select)
            chosen = item;
        for (std::size_t i = node->ChildCount(); i-- > 0;)
            stack.emplace_back(node->Child(i), new QTreeWidgetItem(item));
    }
    // Children were made in reverse; put them back in the design's order.
    std::vector<QTreeWidgetItem*> all;
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
        all.push_back(*it);
    for (QTreeWidgetItem* item : all) {
        QList<QTreeWidgetItem*> kids = item->takeChildren();
        std::reverse(kids.begin(), kids.end());
        item->addChildren(kids);
    }
    if (!chosen)
        chosen = TreeView1->topLevelItem(0);
    if (chosen) {
        TreeView1->setCurrentItem(chosen);
        for (QTreeWidgetItem* p = chosen->parent(); p; p = p->parent())
            p->setExpanded(true);
    }
    block.unblock();
    TreeView1Change();
}

void TFRM_DSRIGHTS::TreeView1Change() {
    ListBox1->clear();
    QTreeWidgetItem* item = TreeView1->currentItem();
    if (!item) {
        LabelObject->setText(QStringLiteral("Object :"));
        LabelSubordinates->setText(QStringLiteral("Subordinates :"));
        return;
    }
    std::vector<std::string> rows;
    for (const QString& row : item->data(0, kLeavesRole).toStringList())
        rows.push_back(ToModel(row));
    std::sort(rows.begin(), rows.end(), ListTextLess);
    for (const std::string& row : rows)
        ListBox1->addItem(MakeItem(images_, row));
    LabelObject->setText(QStringLiteral("Object : ") + item->text(0));
    LabelSubordinates->setText(QStringLiteral("Subordinates : %1").arg(rows.size()));
}

std::string TFRM_DSRIGHTS::ContainerContext() const {
    std::string ctx;
    for (QTreeWidgetItem* n = TreeView1->currentItem(); n; n = n->parent()) {
        if (!n->parent()) {
            if (ctx.empty())
                ctx = ToModel(n->text(0));
            break;
        }
        if (!ctx.empty())
            ctx += '.';
        ctx += ToModel(n->text(0));
    }
    return ctx;
}

std::vector<ChainLevel> TFRM_DSRIGHTS::Chain() const {
    std::vector<ChainLevel> chain;
    for (QTreeWidgetItem* n = TreeView1->currentItem(); n && n->parent(); n = n->parent())
        chain.push_back(ChainLevel{ToModel(n->text(0)), n->data(0, kClassRole).toInt(),
                                   n->data(0, kPartitionRole).toBool()});
    std::reverse(chain.begin(), chain.end());
    return chain;
}

void TFRM_DSRIGHTS::SelectTargets(const std::vector<std::string>& names) {
    ListBox1->clearSelection();
    for (int i = 0; i < ListBox1->count(); ++i)
        if (std::find(names.begin(), names.end(), ToModel(ListBox1->item(i)->text())) !=
            names.end())
            ListBox1->item(i)->setSelected(true);
}

bool TFRM_DSRIGHTS::ChooseContainer(const std::string& fullContext) {
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it) {
        TreeView1->setCurrentItem(*it);
        if (ContainerContext() == fullContext)
            return true;
    }
    return false;
}

void TFRM_DSRIGHTS::BTN_OKClick() {
    std::vector<std::string> targets;
    for (int i = 0; i < ListBox1->count(); ++i)
        if (ListBox1->item(i)->isSelected())
            targets.push_back(ToModel(ListBox1->item(i)->data(kRowTextRole).toString()));
    if (targets.empty()) {
        QtInteraction(this).Message(
            "No objects were selected to check NDS rights for.\r"
            "Objects from the Subordinate Objects list box must be selected.");
        return;
    }
    std::vector<std::string> leafNames;
    for (const std::string& row : sourceRows_)
        leafNames.push_back(utilities::ItemName(row));
    std::vector<std::string> targetNames;
    for (const std::string& row : targets)
        targetNames.push_back(utilities::ItemName(row));
    if (Result<void> written = utilities::WriteRightsBatch(
            ".", utilities::BuildRightsBatch(designContext_, ContainerContext(), leafNames,
                                             targetNames));
        !written) {
        QtInteraction(this).Error(written.error());
        return;
    }
    lines_ = leafNames.size() * targetNames.size();
    sources_.clear();
    for (const std::string& name : leafNames)
        sources_.push_back(utilities::SourceRights{name, false, {}});
    targetRows_.clear();
    for (const std::string& row : targets)
        if (std::find(targetRows_.begin(), targetRows_.end(), row) == targetRows_.end())
            targetRows_.push_back(row);
    accept();
}
} // namespace qv::gui
