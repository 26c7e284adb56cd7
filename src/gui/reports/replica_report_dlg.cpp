#include "gui/reports/replica_report_dlg.h"

#include "core/replica_vocabulary.h"
#include "gui/core/dialogs.h"
#include "gui/core/image_list.h"
#include "gui/core/named.h"
#include "gui/core/qt_text.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::gui {

TFRM_REPLICARPT::TFRM_REPLICARPT(const ImageList& images, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFRM_REPLICARPT"));
    setWindowTitle(QStringLiteral("Replica Report"));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    auto* layout = new QVBoxLayout(this);
    label1_ = MakeNamed<QLabel>(this, "Label1");
    edit1_ = MakeNamed<QLineEdit>(this, "Edit1");
    edit1_->setReadOnly(true);
    layout->addWidget(label1_);
    layout->addWidget(edit1_);
    // The panels' widget names, in the vocabulary's order of the types.
    const char* const kPanels[kReplicaTypes.size()] = {"PN_MASTER", "PN_RW",        "PN_RO",
                                                       "PN_SUBREF", "PN_SPARSE_RW", "PN_SPARSE_RO"};
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < kReplicaTypes.size(); ++i) {
        auto* panel = new QFrame(this);
        panel->setObjectName(QLatin1String(kPanels[i]));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Raised);
        auto* row = new QHBoxLayout(panel);
        auto* image = new QLabel(panel);
        image->setPixmap(images.ReplicaBitmap(kReplicaTypes[i].marker));
        auto* caption = new QLabel(panel);
        caption->setObjectName(QLatin1String(kPanels[i]) + QStringLiteral("_Caption"));
        row->addWidget(image);
        row->addWidget(caption, 1);
        panels_[i] = caption;
        grid->addWidget(panel, static_cast<int>(i / 2), static_cast<int>(i % 2));
    }
    layout->addLayout(grid);
    PrintOkRow buttons = MakePrintOkRow(this);
    print_ = buttons.print;
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addLayout(buttons.row);
}

void TFRM_REPLICARPT::Prepare(const ReplicaReportTexts& texts) {
    label1_->setText(FromModel(texts.label1));
    edit1_->setText(FromModel(texts.edit1));
    for (std::size_t i = 0; i < panels_.size(); ++i)
        panels_[i]->setText(FromModel(texts.panels[i]));
    setFixedSize(sizeHint());
}

} // namespace qv::gui
