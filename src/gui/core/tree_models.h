// Models and row painters of the tree page: the object tree (TreeView1), the
// subordinate objects (LB_LEAFOBJS) and the replicas (ListBox1).
#pragma once

#include "core/tree_design.h"
#include "gui/core/image_list.h"

#include <QAbstractItemModel>
#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

namespace qv::gui {

// The ObjectTree as it stands: the model reads the design's nodes directly.
// Whenever the tree's structure changes the model is reset (Sync); during long
// operations it is frozen and shows nothing, so no view holds a node that the
// operation may remove.
class TreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    TreeModel(TreeDesign& design, const ImageList& images, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    ObjectNode* NodeAt(const QModelIndex& index) const;
    QModelIndex IndexOf(const ObjectNode* node) const;
    // The colour of the pictures' lines: the view's text colour.
    void SetInk(const QColor& ink) { ink_ = ink; }

    // Resets the model when the tree changed since the last reset. True when it did.
    bool Sync();
    void Freeze();
    void Unfreeze();
    bool Frozen() const { return frozen_; }

private:
    TreeDesign& design_;
    const ImageList& images_;
    QColor ink_ = Qt::black;
    std::uint64_t version_ = 0;
    bool frozen_ = false;
};

// TreeView1: the object tree with its drag and drop. A drag starts from any
// node; canStart decides whether it may go anywhere (otherwise the "no" cursor
// shows for the whole drag), accepts decides per target, drop performs it.
class DesignTreeView final : public QTreeView {
    Q_OBJECT
public:
    explicit DesignTreeView(QWidget* parent = nullptr);
    std::function<bool(ObjectNode* dragged)> canStart;
    std::function<bool(ObjectNode* dragged, ObjectNode* target)> accepts;
    std::function<void(ObjectNode* dragged, ObjectNode* target)> drop;
    bool DragRefused() const { return dragRefused_; }
    // The node a drag carries, and whether it may move at all; set when a
    // drag starts, cleared when it ends.
    void BeginDrag(ObjectNode* node);
    void EndDrag();

protected:
    void startDrag(Qt::DropActions supported) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    ObjectNode* NodeAt(const QPoint& pos) const;
    ObjectNode* dragged_ = nullptr;
    bool dragRefused_ = false;
};

// The sort order of the list boxes: case-insensitive, then by bytes.
bool ListTextLess(const std::string& a, const std::string& b);

// Rows of LB_LEAFOBJS: 0xBB, class index modulo 256, "*", the LeafEntry;
// sorted on those texts. The rows are a copy, so the list never refers to a
// leaf list that an operation replaces.
class LeafListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Roles { RowTextRole = Qt::UserRole + 1, ClassRole, LeafNameRole };
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void SetEntries(const LeafList* list);
    const std::string& RowText(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    // The LeafName part of a row.
    static std::string_view RowLeafName(std::string_view row);
    static int RowClass(std::string_view row);
    static std::string MakeRow(std::string_view leafEntry);

private:
    std::vector<std::string> rows_;
};

// Rows of ListBox1: the ReplicaEntry texts of one replica list, sorted.
class ReplicaListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Roles { EntryRole = Qt::UserRole + 1 };
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void SetEntries(const ReplicaList* list);
    const std::string& Entry(int row) const { return rows_[static_cast<std::size_t>(row)]; }

private:
    std::vector<std::string> rows_;
};

// A row painter that draws the class or replica pictures.
class ImageRowDelegate : public QStyledItemDelegate {
public:
    ImageRowDelegate(const ImageList& images, QObject* parent)
        : QStyledItemDelegate(parent), images_(images) {}

protected:
    const ImageList& images_;
};

// Subordinate row: the class icon 5 pixels from the left, the name right of it; 18 pixels high.
class LeafRowDelegate final : public ImageRowDelegate {
public:
    using ImageRowDelegate::ImageRowDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Replica row: the type bitmap 5 pixels from the left at the row's top, the
// name 20 pixels below the top right of it; 55 pixels high.
class ReplicaRowDelegate final : public ImageRowDelegate {
public:
    using ImageRowDelegate::ImageRowDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace qv::gui
