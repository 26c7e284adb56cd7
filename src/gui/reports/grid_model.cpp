#include "gui/reports/grid_model.h"

#include "gui/core/qt_text.h"

#include <QBrush>
#include <QGuiApplication>
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

} // namespace qv::gui
