#include "gui/core/wait_dialog.h"

#include "gui/core/dialogs.h"
#include "gui/core/named.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

namespace qv::gui {

WaitDialog::WaitDialog(QWidget* parent, int intervalMs) : QDialog(parent) {
    Timer1 = MakeNamed<QTimer>(this, "Timer1");
    Timer1->setInterval(intervalMs);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void WaitDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && EscapePressed()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void WaitDialog::closeEvent(QCloseEvent* event) {
    if (Running())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

QTextEdit* WaitDialog::AddRunLog(QBoxLayout* layout) {
    auto* log = MakeNamed<QTextEdit>(this, "Memo1");
    log->setReadOnly(true);
    log->setLineWrapMode(QTextEdit::NoWrap);
    log->setFont(ReportFont(8));
    layout->addWidget(log);
    return log;
}

void WaitDialog::AddCentredButton(QBoxLayout* layout, QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(button);
    row->addStretch();
    layout->addLayout(row);
}

} // namespace qv::gui
