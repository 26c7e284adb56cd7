#include "gui/core/pages/grid_model.h"

#include "core/class_table.h"
#include "core/replica_vocabulary.h"
#include "gui/core/image_list.h"
#include "gui/core/qt_text.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace qv::gui {

int TextGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.RowCount();
}

int TextGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.ColCount();
}

QVariant TextGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    bool fixed = index.row() < grid_.fixedRows || index.column() < grid_.fixedCols;
    switch (role) {
    case Qt::DisplayRole:
        return FromModel(grid_.Cell(index.column(), index.row()));
    case Qt::BackgroundRole:
        if (fixed)
            return QGuiApplication::palette().brush(QPalette::Button);
        return {};
    default:
        return {};
    }
}

void TextGridModel::Reload() {
    beginResetModel();
    endResetModel();
}

// ---------------------------------------------------------------- cells

std::string_view GridCellDelegate::ReplicaTypeOf(const QString& marker) {
    // The first type name (the marker without its stars) that occurs
    // anywhere in the text decides; a text with none is a subordinate reference.
    for (const ReplicaTypeNames& t : kReplicaTypes) {
        if (t.type == ReplicaType::SubRef)
            continue;
        const std::string_view name = t.marker.substr(1, t.marker.size() - 2);
        if (marker.contains(QLatin1String(name.data(), static_cast<qsizetype>(name.size()))))
            return t.marker;
    }
    return kSubRef;
}

int GridCellDelegate::HeaderClass(const QModelIndex& index) const {
    if (kind_ != Kind::Objects || index.row() != 0 || index.column() == 0)
        return -1;
    QString text = index.data().toString();
    if (text.isEmpty() || text.contains(QLatin1String("TOTAL")))
        return -1;
    int c = ClassIndexOf(ToModel(text));
    return c < 0 ? 96 : c;
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QRect r = option.rect;
    const bool header = index.row() == 0 || index.column() == 0;
    const QString text = index.data().toString();
    painter->save();
    painter->setFont(option.font);
    // Headers on the button colour, cells on the base, both from the palette.
    painter->fillRect(r, header ? option.palette.button() : option.palette.base());
    if (!header && option.state.testFlag(QStyle::State_Selected))
        painter->fillRect(r, option.palette.highlight().color().lighter(170));
    const QColor ink = option.palette.color(header ? QPalette::ButtonText : QPalette::Text);
    painter->setPen(ink);
    const QPoint textAt = kind_ == Kind::Objects ? QPoint(2, 4) : QPoint(1, 1);
    const QRect textRect = r.adjusted(textAt.x(), textAt.y(), 0, 0);
    if (kind_ == Kind::Replicas && !header) {
        if (!text.isEmpty()) {
            const QPixmap& picture = images_.ReplicaBitmapIn(ReplicaTypeOf(text), ink);
            painter->drawPixmap(r.left() + r.width() / 2 -
                                    static_cast<int>(picture.deviceIndependentSize().width()) / 2,
                                r.top(), picture);
        }
    } else if (int c = HeaderClass(index); c >= 0) {
        const QPixmap& icon = images_.ClassIconIn(c, ink);
        painter->drawPixmap(r.left() + 4, r.top() + 4, icon);
        painter->drawText(
            r.adjusted(4 + static_cast<int>(icon.deviceIndependentSize().width()) + 2, 5, 0, 0),
            Qt::AlignLeft | Qt::AlignTop, text);
    } else {
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
    }
    painter->restore();
}

QSize GridCellDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const QFontMetrics fm(option.font);
    const QString text = index.data().toString();
    const bool header = index.row() == 0 || index.column() == 0;
    if (kind_ == Kind::Replicas && !header)
        return {ImageList::kReplicaBitmapSize + 6, ImageList::kReplicaBitmapSize};
    int width = fm.horizontalAdvance(text) + 8;
    if (HeaderClass(index) >= 0)
        width += ImageList::kIconSize + 6;
    return {width, fm.height() + 6};
}

} // namespace qv::gui
