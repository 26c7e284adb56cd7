#include "gui/print/print_status_dlg.h"

#include "gui/core/named.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace qv::gui {

TFM_PRINTDLG::TFM_PRINTDLG(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFM_PRINTDLG"));
    setWindowTitle(QStringLiteral("Printing Status"));
    auto* layout = new QVBoxLayout(this);
    panel_ = MakeNamed<QLabel>(this, "Panel1");
    panel_->setFrameShape(QFrame::Panel);
    panel_->setFrameShadow(QFrame::Sunken);
    panel_->setAlignment(Qt::AlignCenter);
    panel_->setMinimumHeight(32);
    layout->addWidget(panel_);
    // Cancel and OK share one place.
    auto* place = new QWidget(this);
    auto* stack = new QStackedLayout(place);
    cancel_ = MakeNamed<QPushButton>(place, "BTN_CANCEL", QStringLiteral("Cancel"));
    ok_ = MakeNamed<QPushButton>(place, "BTN_OK", QStringLiteral("OK"));
    stack->addWidget(cancel_);
    stack->addWidget(ok_);
    // The shared place is as large as the larger button, so that each is whole.
    place->setMinimumSize(cancel_->sizeHint().expandedTo(ok_->sizeHint()));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(place);
    row->addStretch(1);
    layout->addLayout(row);
    connect(cancel_, &QPushButton::clicked, this, &TFM_PRINTDLG::BTN_CANCELClick);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(sizeHint().expandedTo(QSize(300, 110)));
}

void TFM_PRINTDLG::ShowStatus(std::string_view text) {
    panel_->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void TFM_PRINTDLG::ShowOk() {
    cancel_->hide();
    ok_->show();
    ok_->setDefault(true);
    ok_->setFocus();
    static_cast<QStackedLayout*>(ok_->parentWidget()->layout())->setCurrentWidget(ok_);
}

QString TFM_PRINTDLG::StatusText() const {
    return panel_->text();
}

void TFM_PRINTDLG::BTN_CANCELClick() {
    if (design_)
        design_->SetPrintCancelRequested(true);
}

void TFM_PRINTDLG::reject() {
    if (running_) {
        BTN_CANCELClick();
        return;
    }
    QDialog::reject();
}

PrintResult TFM_PRINTDLG::Execute(const std::function<PrintResult()>& job) {
    panel_->clear();
    ok_->hide();
    cancel_->show();
    static_cast<QStackedLayout*>(ok_->parentWidget()->layout())->setCurrentWidget(cancel_);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // The job starts once the dialog is shown; a dialog closed before that
    // prints nothing.
    PrintResult result = PrintResult::Cancelled;
    QTimer start;
    start.setSingleShot(true);
    connect(&start, &QTimer::timeout, this, [&] {
        running_ = true;
        result = job();
        running_ = false;
        // A cancelled job keeps the last page number; OK closes the dialog.
        if (result == PrintResult::Cancelled)
            ShowOk();
    });
    start.start(0);
    exec();
    design_ = nullptr;
    return result;
}

PrintResult TFM_PRINTDLG::Run(TreeDesign& design, PrintCanvas& canvas, const StatusJob& job) {
    design_ = &design;
    return Execute([&] { return RunStatusJob(design, canvas, *this, job); });
}

PrintResult TFM_PRINTDLG::Run(TreeDesign& design, PrintCanvas& canvas, const StatusJob& job,
                              bool testPage) {
    design_ = &design;
    return Execute([&] { return RunStatusJob(design, canvas, *this, job, testPage); });
}

} // namespace qv::gui
