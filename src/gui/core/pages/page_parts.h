// Widgets shared by the pages of the design window: the radio buttons that choose what a page
// shows, and the status row (status panel and Abort button) at the foot of a page.
#pragma once

class QBoxLayout;
class QPushButton;
class QRadioButton;
class QWidget;

#include <cstddef>

namespace qv::gui {

class StatusPanel;

// A radio button of a page and the view it shows: the view's object name and
// which grid or text of the design the view holds.
struct RadioView {
    const char* radio;
    const char* caption;
    const char* view;
    std::size_t content;
};

QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* caption, bool checked);

// The row of radio buttons (and buttons) at the top of a page, each control
// whole, in a strip that scrolls sideways when the window is narrower than
// the row. Returns the strip, to be added to the page's layout.
QWidget* ScrollingRow(QWidget* page, QBoxLayout* row);

// The status panel and Abort button at the foot of a page.
struct StatusRow {
    StatusPanel* panel = nullptr;
    QPushButton* abort = nullptr;
};
StatusRow AddStatusRow(QWidget* page, QBoxLayout* layout, const char* panelName,
                       const char* abortName, bool withHint, bool enabled);

} // namespace qv::gui
