#include "gui/core/pages/log_page.h"

#include "gui/core/dialogs.h"

namespace qv::gui {

OperationLogPage::OperationLogPage(QWidget* parent) : QTextEdit(parent) {
    setObjectName(QStringLiteral("RE_LOGFILE"));
    setReadOnly(true);
    setLineWrapMode(QTextEdit::NoWrap);
    setAcceptRichText(false);
    setFont(ReportFont(7));
    hide();
}

} // namespace qv::gui
