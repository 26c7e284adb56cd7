#include "gui/utilities/rights_wait_dialog.h"

#include "gui/core/named.h"
#include "gui/core/qt_text.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace qv::gui {

TFRM_WAIT2::TFRM_WAIT2(QWidget* parent, utilities::Census census,
                       utilities::RightsWait::Starter start, utilities::RightsWait::Clock clock)
    : WaitDialog(parent, 1000), wait_(std::move(census), std::move(start), std::move(clock), [] {
          QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      }) {
    setObjectName(QStringLiteral("TFRM_WAIT2"));
    setWindowTitle(QString::fromLatin1(utilities::kRightsWaitCaption.data(),
                                       static_cast<int>(utilities::kRightsWaitCaption.size())));
    setModal(true);
    setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    Panel1 = MakeNamed<QLabel>(this, "Panel1");
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setMinimumWidth(260);
    Panel1->setMinimumHeight(32);
    layout->addWidget(Panel1);
    BTN_CANCEL = MakeNamed<QPushButton>(this, "BTN_CANCEL", tr("Cancel"));
    BTN_CANCEL->setAutoDefault(false);
    AddCentredButton(layout, BTN_CANCEL);
    connect(BTN_CANCEL, &QPushButton::clicked, this, &TFRM_WAIT2::BTN_CANCELClick);

    // Timer1: disabled until shown; the platform's default interval.
    Panel1->setText(QString::fromStdString(utilities::RightsWait::StepText(0)));
}

TFRM_WAIT2& TFRM_WAIT2::Instance(QWidget* parent) {
    return SingleInstance<TFRM_WAIT2>(parent);
}

void TFRM_WAIT2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Timer1->stop();
    wait_.Start();
    Panel1->setText(QString::fromStdString(wait_.PanelText()));
    Timer1->start();
}

void TFRM_WAIT2::Timer1Timer() {
    if (!wait_.TimerRunning()) {
        Timer1->stop();
        return;
    }
    // The pause inside the tick services events; a second tick must not
    // start while it lasts.
    Timer1->stop();
    Panel1->setText(QString::fromStdString(utilities::RightsWait::StepText(wait_.Step())));
    bool over = wait_.Tick();
    if (over) {
        done(wait_.Finished() ? QDialog::Accepted : QDialog::Rejected);
        return;
    }
    Timer1->start();
}

void TFRM_WAIT2::BTN_CANCELClick() {
    wait_.Cancel();
}

bool TFRM_WAIT2::EscapePressed() {
    BTN_CANCELClick();
    return true;
}

} // namespace qv::gui
