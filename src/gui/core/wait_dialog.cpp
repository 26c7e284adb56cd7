#include "gui/core/wait_dialog.h"

#include "gui/core/named.h"

#include <QCloseEvent>
#include <QKeyEvent>
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

} // namespace qv::gui
