#include "gui/edit/edit_dialogs.h"

#include "core/replica_vocabulary.h"
#include "gui/core/dialogs.h"
#include "gui/core/image_list.h"
#include "gui/core/named.h"
#include "gui/core/qt_text.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qv::gui {

// ---------------------------------------------------------------- TSvrDlg

TSvrDlg::TSvrDlg(const ImageList& images, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TSvrDlg"));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = MakeNamed<QLabel>(this, "Label1", QStringLiteral("Server : "));
    servers_ = MakeNamed<QComboBox>(this, "CB_SERVERS");
    servers_->setEditable(true);
    servers_->setInsertPolicy(QComboBox::NoInsert);
    servers_->setMinimumWidth(200);
    // Typed server names are upper-cased like every typed name.
    connect(servers_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& t) {
        QString up = UpperCaseTyped(t);
        if (up != t) {
            int pos = servers_->lineEdit()->cursorPosition();
            servers_->lineEdit()->setText(up);
            servers_->lineEdit()->setCursorPosition(pos);
        }
    });
    row->addWidget(label);
    row->addWidget(servers_, 1);
    layout->addLayout(row);

    auto* group = MakeNamed<QGroupBox>(this, "GB_REPTYPE", QStringLiteral("Replica Type"));
    auto* groupLayout = new QVBoxLayout(group);
    // The widget names of the radio buttons, in ReplicaRadio's order.
    const char* const names[kReplicaRadioCount] = {"RB_MASTER", "RB_RW", "RB_RO", "RB_SPARSE_RW",
                                                   "RB_SPARSE_RO"};
    for (std::size_t i = 0; i < kReplicaRadioCount; ++i) {
        const ReplicaTypeNames& type = NamesOf(RadioType(static_cast<ReplicaRadio>(i)));
        auto* rb = new QRadioButton(QString::fromLatin1(type.radioCaption), group);
        rb->setObjectName(QLatin1String(names[i]));
        // Each type with its replica picture.
        rb->setIcon(QIcon(images.ReplicaBitmap(type.marker)));
        rb->setIconSize(QSize(32, 32));
        groupLayout->addWidget(rb);
        radios_[i] = rb;
    }
    layout->addWidget(group);

    AddOkCancelButtons(this, layout);
}

void TSvrDlg::showEvent(QShowEvent* event) {
    setWindowTitle(QString());
    Centre(this);
    QDialog::showEvent(event);
}

void TSvrDlg::Prepare(const ReplicaDialogSetup& setup) {
    servers_->clear();
    for (const std::string& s : setup.servers)
        servers_->addItem(FromModel(s));
    if (servers_->count() > 0)
        servers_->setCurrentIndex(0);
    servers_->setEnabled(setup.serversEnabled);
    // No radio selected is a state of its own: exclusivity is lifted to clear them.
    for (QRadioButton* rb : radios_)
        rb->setAutoExclusive(false);
    for (std::size_t i = 0; i < kReplicaRadioCount; ++i) {
        radios_[i]->setChecked(setup.selected && static_cast<std::size_t>(*setup.selected) == i);
        radios_[i]->setEnabled(setup.enabled[i]);
    }
    for (QRadioButton* rb : radios_)
        rb->setAutoExclusive(true);
}

std::string TSvrDlg::Server() const {
    return ToModel(servers_->currentText().trimmed());
}

std::optional<ReplicaRadio> TSvrDlg::Selected() const {
    for (std::size_t i = 0; i < kReplicaRadioCount; ++i)
        if (radios_[i]->isChecked())
            return static_cast<ReplicaRadio>(i);
    return std::nullopt;
}

// ---------------------------------------------------------------- TDLG_CREATE

TDLG_CREATE::TDLG_CREATE(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TDLG_CREATE"));
    setWindowTitle(QStringLiteral("Create Object"));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    auto* layout = new QGridLayout(this);
    class_ = new UpperCaseEdit(this);
    class_->setObjectName(QStringLiteral("ED_CLASS"));
    class_->setReadOnly(true);
    image_ = MakeNamed<QLabel>(this, "Image1");
    auto* label = MakeNamed<QLabel>(this, "Label2", QStringLiteral("Enter in name for object:"));
    name_ = new UpperCaseEdit(this);
    name_->setObjectName(QStringLiteral("ED_OBJNAME"));
    name_->setMaxLength(255);
    again_ = MakeNamed<QCheckBox>(this, "CB_CREATEAGAIN", QStringLiteral("Create Another"));
    layout->addWidget(image_, 0, 0);
    layout->addWidget(class_, 0, 1);
    layout->addWidget(label, 1, 0, 1, 2);
    layout->addWidget(name_, 2, 0, 1, 2);
    layout->addWidget(again_, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    ok_ = MakeNamed<QPushButton>(this, "BTN_OK", QStringLiteral("OK"));
    ok_->setDefault(true);
    auto* cancel = MakeNamed<QPushButton>(this, "BTN_CANCEL", QStringLiteral("Cancel"));
    connect(name_, &QLineEdit::textChanged, this,
            [this](const QString& t) { ok_->setEnabled(!t.trimmed().isEmpty()); });
    connect(ok_, &QPushButton::clicked, this, [this] {
        name_->setText(CleanTypedName(name_->text()));
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        again_->setChecked(false);
        reject();
    });
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 4, 0, 1, 2);
}

void TDLG_CREATE::Prepare(const QString& className, const QPixmap& icon) {
    class_->setText(className);
    image_->setPixmap(icon);
    name_->clear();
    ok_->setEnabled(false);
    name_->setFocus();
    Centre(this);
}

std::string TDLG_CREATE::Name() const {
    return ToModel(name_->text());
}

bool TDLG_CREATE::CreateAnother() const {
    return again_->isChecked();
}

// ---------------------------------------------------------------- TMoveDlg

TMoveDlg::TMoveDlg(Interaction& ui, QWidget* parent) : QDialog(parent), ui_(ui) {
    setObjectName(QStringLiteral("TMoveDlg"));
    setWindowTitle(QStringLiteral("Move Object"));
    auto* layout = new QGridLayout(this);
    auto* l1 = MakeNamed<QLabel>(this, "Label1", QStringLiteral("Object Selected: "));
    from_ = MakeNamed<QLineEdit>(this, "ED_FROM");
    from_->setReadOnly(true);
    from_->setMinimumWidth(280);
    auto* l2 = MakeNamed<QLabel>(this, "Label2", QStringLiteral("Move Object To: "));
    to_ = new UpperCaseEdit(this);
    to_->setObjectName(QStringLiteral("ED_TO"));
    layout->addWidget(l1, 0, 0);
    layout->addWidget(from_, 0, 1);
    layout->addWidget(l2, 1, 0);
    layout->addWidget(to_, 1, 1);
    auto* buttons = new QHBoxLayout;
    ok_ = MakeNamed<QPushButton>(this, "BTN_OK", QStringLiteral("OK"));
    ok_->setDefault(true);
    auto* cancel = MakeNamed<QPushButton>(this, "BTN_CANCEL", QStringLiteral("Cancel"));
    auto* help = MakeNamed<QPushButton>(this, "BTN_HELP", QStringLiteral("Help"));
    connect(ok_, &QPushButton::clicked, this, [this] {
        to_->setText(to_->text().trimmed());
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        ui_.Message("Enter in the full context of the container where \rthe object is to be moved "
                    "to.  This can also be \raccomplished by dragging and dropping.");
    });
    connect(to_, &QLineEdit::textChanged, this,
            [this](const QString& t) { ok_->setEnabled(!t.trimmed().isEmpty()); });
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    layout->addLayout(buttons, 2, 0, 1, 2);
}

void TMoveDlg::Prepare(const QString& fromText) {
    from_->setText(fromText);
    to_->clear();
    ok_->setEnabled(false);
    to_->setFocus();
}

std::string TMoveDlg::Destination() const {
    return ToModel(to_->text().trimmed());
}

} // namespace qv::gui
