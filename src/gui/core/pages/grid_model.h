// A string grid of the analysis pages shown in a table view: row 0 and
// column 0 (the fixed rows and columns) are the headings.
#pragma once

#include "reports/report_text.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <string_view>

namespace qv::gui {

class TextGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TextGridModel(const TextGrid& grid, QObject* parent = nullptr)
        : QAbstractTableModel(parent), grid_(grid) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The grid was rebuilt or sorted.
    void Reload();
    const TextGrid& Grid() const { return grid_; }

private:
    const TextGrid& grid_;
};

class ImageList;

// How the cells of a grid are drawn. Headers (row 0, column 0) are on the
// button face; the partition grids draw each replica as the bitmap of its
// type, centred at the cell's top, without its marker text; the object grids
// draw each class header with the class icon before the class name.
class GridCellDelegate final : public QStyledItemDelegate {
public:
    enum class Kind { Replicas, Text, Objects };
    GridCellDelegate(Kind kind, const ImageList& images, QObject* parent)
        : QStyledItemDelegate(parent), kind_(kind), images_(images) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The replica type whose bitmap a cell's marker text shows (SUB/REF for
    // any other text).
    static std::string_view ReplicaTypeOf(const QString& marker);

private:
    // The class of an object grid's header cell, or -1 for a cell without a class icon.
    int HeaderClass(const QModelIndex& index) const;
    Kind kind_;
    const ImageList& images_;
};

} // namespace qv::gui
