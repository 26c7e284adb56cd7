#include "gui/core/tree_models.h"

#include "gui/core/qt_text.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QMimeData>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <algorithm>
#include <charconv>

namespace qv::gui {

// ---------------------------------------------------------------- TreeModel

TreeModel::TreeModel(TreeDesign& design, const ImageList& images, QObject* parent)
    : QAbstractItemModel(parent), design_(design), images_(images), version_(design.TreeVersion()) {
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (frozen_ || column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, 0, design_.Root()) : QModelIndex();
    ObjectNode* p = NodeAt(parent);
    if (!p || static_cast<std::size_t>(row) >= p->ChildCount())
        return {};
    return createIndex(row, 0, p->Child(static_cast<std::size_t>(row)));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    ObjectNode* n = NodeAt(child);
    if (!n || !n->Parent())
        return {};
    ObjectNode* p = n->Parent();
    int row = p->Parent() ? static_cast<int>(p->IndexInParent()) : 0;
    return createIndex(row, 0, p);
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (frozen_)
        return 0;
    if (!parent.isValid())
        return 1;
    if (parent.column() != 0)
        return 0;
    ObjectNode* n = NodeAt(parent);
    return n ? static_cast<int>(n->ChildCount()) : 0;
}

int TreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    ObjectNode* n = NodeAt(index);
    if (!n)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return FromModel(n->Name());
    case Qt::DecorationRole:
        return images_.NodePictureIn(n->ClassIndex(), n->IsPartitionRoot(), ink_);
    default:
        return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

ObjectNode* TreeModel::NodeAt(const QModelIndex& index) const {
    if (frozen_ || !index.isValid())
        return nullptr;
    return static_cast<ObjectNode*>(index.internalPointer());
}

QModelIndex TreeModel::IndexOf(const ObjectNode* node) const {
    if (frozen_ || !node)
        return {};
    int row = node->Parent() ? static_cast<int>(node->IndexInParent()) : 0;
    return createIndex(row, 0, const_cast<ObjectNode*>(node));
}

bool TreeModel::Sync() {
    if (frozen_ || version_ == design_.TreeVersion())
        return false;
    beginResetModel();
    version_ = design_.TreeVersion();
    endResetModel();
    return true;
}

void TreeModel::Freeze() {
    if (frozen_)
        return;
    beginResetModel();
    frozen_ = true;
    endResetModel();
}

void TreeModel::Unfreeze() {
    if (!frozen_)
        return;
    beginResetModel();
    frozen_ = false;
    version_ = design_.TreeVersion();
    endResetModel();
}

// ---------------------------------------------------------------- DesignTreeView

namespace {
const QString kNodeMime = QStringLiteral("application/x-quorvane-node");
}

DesignTreeView::DesignTreeView(QWidget* parent) : QTreeView(parent) {
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
}

ObjectNode* DesignTreeView::NodeAt(const QPoint& pos) const {
    auto* m = qobject_cast<TreeModel*>(model());
    return m ? m->NodeAt(indexAt(pos)) : nullptr;
}

namespace {

// The no-drop cursor: a red ring with a bar.
QPixmap NoDropCursor() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 0, 0), 3));
    p.drawEllipse(QRectF(3, 3, 18, 18));
    p.drawLine(QPointF(6.5, 17.5), QPointF(17.5, 6.5));
    return pixmap;
}

} // namespace

void DesignTreeView::BeginDrag(ObjectNode* node) {
    dragged_ = node;
    dragRefused_ = node && (!canStart || !canStart(node));
}

void DesignTreeView::EndDrag() {
    dragged_ = nullptr;
    dragRefused_ = false;
}

void DesignTreeView::startDrag(Qt::DropActions) {
    auto* m = qobject_cast<TreeModel*>(model());
    BeginDrag(m ? m->NodeAt(currentIndex()) : nullptr);
    if (!dragged_)
        return;
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(kNodeMime, QByteArray());
    drag->setMimeData(data);
    // An illegal target takes the drop as a "copy" drawn with the no-drop
    // cursor, so that dropping there still reaches the move, which says why
    // the move is illegal.
    drag->setDragCursor(NoDropCursor(), Qt::CopyAction);
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    EndDrag();
}

void DesignTreeView::dragEnterEvent(QDragEnterEvent* event) {
    // Only this view's own drag carries a node of this design.
    if (dragged_ && event->mimeData()->hasFormat(kNodeMime))
        event->acceptProposedAction();
    else
        event->ignore();
}

void DesignTreeView::dragMoveEvent(QDragMoveEvent* event) {
    ObjectNode* target = NodeAt(event->position().toPoint());
    if (!dragged_ || !target || target == dragged_) {
        event->ignore();
        return;
    }
    const bool legal = !dragRefused_ && accepts && accepts(dragged_, target);
    event->setDropAction(legal ? Qt::MoveAction : Qt::CopyAction);
    event->accept();
}

void DesignTreeView::dropEvent(QDropEvent* event) {
    ObjectNode* target = NodeAt(event->position().toPoint());
    ObjectNode* dragged = dragged_;
    if (!dragged || !target || target == dragged || !drop) {
        event->ignore();
        return;
    }
    // A refused drop is still handed on: the move says why it is illegal.
    // The tree changes under the view: the drag ends without moving anything itself.
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
    drop(dragged, target);
}

// ---------------------------------------------------------------- list models

bool ListTextLess(const std::string& a, const std::string& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<unsigned char>(y - 32);
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

std::string LeafListModel::MakeRow(std::string_view leafEntry) {
    long long cls = LeafClassIndex(leafEntry) % 256;
    if (cls < 0)
        cls += 256;
    std::string row;
    row.reserve(leafEntry.size() + 6);
    row += '\xBB';
    row += std::to_string(cls);
    row += '*';
    row += leafEntry;
    return row;
}

std::string_view LeafListModel::RowLeafName(std::string_view row) {
    std::size_t star = row.find('*');
    std::string_view entry = star == std::string_view::npos ? row : row.substr(star + 1);
    return LeafName(entry);
}

int LeafListModel::RowClass(std::string_view row) {
    int cls = 0;
    if (row.size() > 1)
        std::from_chars(row.data() + 1, row.data() + row.size(), cls);
    return cls;
}

void LeafListModel::SetEntries(const LeafList* list) {
    beginResetModel();
    rows_.clear();
    if (list) {
        rows_.reserve(list->size());
        for (const std::string& e : *list)
            rows_.push_back(MakeRow(e));
        std::stable_sort(rows_.begin(), rows_.end(), ListTextLess);
    }
    endResetModel();
}

int LeafListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant LeafListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const std::string& row = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case LeafNameRole:
        return FromModel(RowLeafName(row));
    case RowTextRole:
        return FromModel(row);
    case ClassRole:
        return RowClass(row);
    default:
        return {};
    }
}

void ReplicaListModel::SetEntries(const ReplicaList* list) {
    beginResetModel();
    rows_.clear();
    if (list) {
        rows_ = *list;
        std::stable_sort(rows_.begin(), rows_.end(), ListTextLess);
    }
    endResetModel();
}

int ReplicaListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ReplicaListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const std::string& e = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return FromModel(EntryName(e));
    case EntryRole:
        return FromModel(e);
    default:
        return {};
    }
}

// ---------------------------------------------------------------- painters

namespace {

void PaintRowBackground(QPainter* painter, const QStyleOptionViewItem& option) {
    const QPalette& pal = option.palette;
    if (option.state & QStyle::State_Selected)
        painter->fillRect(option.rect, pal.brush(QPalette::Highlight));
    else
        painter->fillRect(option.rect, pal.brush(QPalette::Base));
    painter->setPen(pal.color((option.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                      : QPalette::Text));
}

} // namespace

void LeafRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    painter->save();
    PaintRowBackground(painter, option);
    const QPixmap& icon =
        images_.ClassIconIn(index.data(LeafListModel::ClassRole).toInt(), painter->pen().color());
    const QRect& r = option.rect;
    // The icon inside the row, the name beside it with a gap, both centred vertically.
    const QSize size = icon.deviceIndependentSize().toSize();
    painter->drawPixmap(r.left() + 5, r.top() + (r.height() - size.height()) / 2, icon);
    QRect text(r.left() + 5 + size.width() + 4, r.top(), r.width(), r.height());
    painter->setFont(option.font);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
    painter->restore();
}

QSize LeafRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(200, std::max(18, QFontMetrics(option.font).height() + 2));
}

void ReplicaRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    painter->save();
    PaintRowBackground(painter, option);
    std::string entry = ToModel(index.data(ReplicaListModel::EntryRole).toString());
    // White is the bitmap's transparent colour: the row's ground shows through,
    // and the bitmap's lines and caption take the row's text colour.
    const QPixmap& bitmap = images_.ReplicaBitmapIn(EntryType(entry), painter->pen().color());
    const QRect& r = option.rect;
    painter->drawPixmap(r.left() + 5, r.top(), bitmap);
    painter->setFont(option.font);
    QFontMetrics fm(option.font);
    int x = r.left() + 5 + static_cast<int>(bitmap.deviceIndependentSize().width());
    painter->drawText(x, r.top() + 20 + fm.ascent(), index.data().toString());
    painter->restore();
}

QSize ReplicaRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return QSize(200, 55);
}

} // namespace qv::gui
