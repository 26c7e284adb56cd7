// The operation log of a design window: a hidden rich-text box (RE_LOGFILE,
// font size 7) on the import panel. The log's lines live in the design.
#pragma once

#include <QTextEdit>

namespace qv::gui {

class OperationLogPage : public QTextEdit {
    Q_OBJECT
public:
    explicit OperationLogPage(QWidget* parent);
};

} // namespace qv::gui
