// Pieces the NDS Rights windows share (nds_rights_dialogs.cpp and
// nds_rights_chooser.cpp): the items of the source and target lists, which
// carry the report row they stand for, and the header over two panes.
#pragma once

#include <QString>
#include <string>
#include <string_view>

class QHeaderView;
class QListWidgetItem;
class QWidget;

namespace qv::gui {

class ImageList;

namespace nds_rights {

// The report row of a list item.
constexpr int kRowTextRole = Qt::UserRole + 1;

// A name or report row of the design as shown (FromModel).
QString Q(std::string_view s);

// The class number after the 0xBC of an item (at most 10 characters).
long long ItemClass(std::string_view row);

// An item of the source and target lists: the class icon and the name.
QListWidgetItem* MakeItem(const ImageList& images, const std::string& row);

// The header of captions over two panes (HeaderControl1), first and second.
QHeaderView* MakeHeader(QWidget* parent, const QString& first, const QString& second);

} // namespace nds_rights

} // namespace qv::gui
