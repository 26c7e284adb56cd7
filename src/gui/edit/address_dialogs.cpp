#include "gui/edit/address_dialogs.h"

#include "edit/server_addresses.h"
#include "gui/core/dialogs.h"
#include "gui/core/named.h"
#include "gui/core/qt_text.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qv::gui {

namespace {

void Setup8Point(QDialog* d) {
    QFont f = d->font();
    f.setPointSize(8);
    d->setFont(f);
}

bool HexText(const QString& t) {
    if (t.isEmpty())
        return false;
    for (QChar c : t)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    return true;
}

bool ValidOctet(const QString& t) {
    if (t.isEmpty())
        return false;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return t.size() < 3 || t.toInt() <= 255;
}

} // namespace

// ---------------------------------------------------------------- TAddEditDLg

TAddEditDLg::TAddEditDLg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAddEditDLg"));
    Setup8Point(this);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label1 = MakeNamed<QLabel>(this, "Label1", QStringLiteral("Action :"));
    action_ = MakeNamed<QLabel>(this, "Label2");
    row->addWidget(label1);
    row->addWidget(action_, 1);
    layout->addLayout(row);
    address_ = new UpperCaseEdit(this);
    address_->setObjectName(QStringLiteral("ED_ADDR"));
    address_->setMaxLength(8);
    layout->addWidget(address_);
    panel2_ = MakeNamed<QWidget>(this, "Panel2");
    auto* octets = new QHBoxLayout(panel2_);
    octets->setContentsMargins(0, 0, 0, 0);
    const char* names[4] = {"ED_ONE", "ED_TWO", "ED_THREE", "ED_FOUR"};
    for (std::size_t i = 0; i < 4; ++i) {
        auto* e = new QLineEdit(panel2_);
        e->setObjectName(QLatin1String(names[i]));
        e->setMaxLength(3);
        e->setFixedWidth(40);
        octets->addWidget(e);
        if (i < 3)
            octets->addWidget(new QLabel(QStringLiteral("."), panel2_));
        octets_[i] = e;
        connect(e, &QLineEdit::textEdited, this, [this, i] { OctetEdited(i); });
    }
    octets->addStretch(1);
    layout->addWidget(panel2_);
    connect(address_, &QLineEdit::textChanged, this, [this] { AddressEdited(); });
    ok_ = AddOkCancelButtons(this, layout);
}

void TAddEditDLg::Prepare(const QString& action, bool octets) {
    action_->setText(action);
    address_->setVisible(!octets);
    panel2_->setVisible(octets);
    address_->setText(QStringLiteral("0"));
    for (QLineEdit* e : octets_) {
        e->setText(QStringLiteral("0"));
        e->setEnabled(true);
    }
    ok_->setEnabled(true);
    if (octets)
        octets_[0]->setFocus();
    else
        address_->setFocus();
    adjustSize();
    Centre(this, QApplication::activeModalWidget());
}

void TAddEditDLg::AddressEdited() {
    if (address_->isVisibleTo(this))
        ok_->setEnabled(HexText(address_->text()));
}

void TAddEditDLg::OctetEdited(std::size_t which) {
    bool valid = ValidOctet(octets_[which]->text());
    ok_->setEnabled(valid);
    // An invalid octet must be corrected before any other.
    for (std::size_t i = 0; i < octets_.size(); ++i)
        if (i != which)
            octets_[i]->setEnabled(valid);
}

std::string TAddEditDLg::Address() const {
    return ToModel(address_->text());
}

std::array<std::string, 4> TAddEditDLg::Octets() const {
    return {ToModel(octets_[0]->text()), ToModel(octets_[1]->text()), ToModel(octets_[2]->text()),
            ToModel(octets_[3]->text())};
}

// ---------------------------------------------------------------- TAddrDlg

TAddrDlg::TAddrDlg(TAddEditDLg& editor, QWidget* parent) : QDialog(parent), editor_(editor) {
    setObjectName(QStringLiteral("TAddrDlg"));
    setWindowTitle(QStringLiteral("Addresses"));
    Setup8Point(this);
    auto* layout = new QVBoxLayout(this);
    label1_ = MakeNamed<QLabel>(this, "Label1");
    list_ = MakeNamed<QListWidget>(this, "LB_ADDR");
    layout->addWidget(label1_);
    layout->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    auto make = [this, buttons](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QLatin1String(name));
        buttons->addWidget(b);
        return b;
    };
    QPushButton* edit = make("BTN_EDIT", "&Edit");
    QPushButton* add = make("BTN_ADD", "&Add");
    delete_ = make("BTN_DELETE", "&Delete");
    QPushButton* close = make("BTN_CLOSE", "Close");
    connect(edit, &QPushButton::clicked, this, &TAddrDlg::BTN_EDITClick);
    connect(add, &QPushButton::clicked, this, &TAddrDlg::BTN_ADDClick);
    connect(delete_, &QPushButton::clicked, this, &TAddrDlg::BTN_DELETEClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { SelectionChanged(); });
    layout->addLayout(buttons);
    resize(360, 280);
}

void TAddrDlg::Run(const TreeDesign& design, const ObjectNode* server) {
    changed_ = false;
    list_->clear();
    label1_->setText(FromModel(AddressDialogCaption(server)));
    for (const std::string& line : AddressDialogLines(design, server))
        list_->addItem(FromModel(line));
    if (list_->count() > 0)
        list_->setCurrentRow(0);
    delete_->setEnabled(false);
    Centre(this);
    exec();
}

std::vector<std::string> TAddrDlg::Lines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < list_->count(); ++i)
        lines.push_back(ToModel(list_->item(i)->text()));
    return lines;
}

void TAddrDlg::SelectionChanged() {
    QListWidgetItem* item = list_->currentItem();
    delete_->setEnabled(item && CanDeleteAddressLine(ToModel(item->text())));
}

void TAddrDlg::BTN_EDITClick() {
    QListWidgetItem* item = list_->currentItem();
    if (!item)
        return;
    AddressEditKind kind = AddressEditKindOf(ToModel(item->text()));
    if (kind == AddressEditKind::None)
        return;
    editor_.Prepare(FromModel(AddressEditAction(kind)), kind == AddressEditKind::TcpipAddress);
    if (editor_.exec() != QDialog::Accepted)
        return;
    std::string line;
    if (kind == AddressEditKind::IpxAddress) {
        line = IpxLine(editor_.Address());
    } else if (kind == AddressEditKind::DsVersion) {
        line = VersionLine(editor_.Address());
    } else {
        auto o = editor_.Octets();
        line = TcpipLine(o[0], o[1], o[2], o[3]);
    }
    item->setText(FromModel(line));
    changed_ = true;
    SelectionChanged();
}

void TAddrDlg::BTN_ADDClick() {
    editor_.Prepare(QString::fromLatin1(kAddTcpipAction), true);
    if (editor_.exec() != QDialog::Accepted)
        return;
    auto o = editor_.Octets();
    list_->addItem(FromModel(TcpipLine(o[0], o[1], o[2], o[3])));
    changed_ = true;
}

void TAddrDlg::BTN_DELETEClick() {
    QListWidgetItem* item = list_->currentItem();
    if (!item || !CanDeleteAddressLine(ToModel(item->text())))
        return;
    delete list_->takeItem(list_->row(item));
    changed_ = true;
    SelectionChanged();
}

} // namespace qv::gui
