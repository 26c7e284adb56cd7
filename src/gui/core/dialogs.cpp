#include "gui/core/dialogs.h"

#include "edit/name_rules.h"
#include "gui/core/named.h"
#include "gui/core/qt_text.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

namespace qv::gui {

QFont ReportFont(int pointSize) {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char* f : {"Courier New", "Liberation Mono", "Cousine"})
            if (families.contains(QLatin1String(f), Qt::CaseInsensitive))
                return QString::fromLatin1(f);
        return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }();
    QFont font(family, pointSize);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QString UpperCaseTyped(const QString& text) {
    return FromModel(qv::UpperCaseTyped(ToModel(text)));
}

QString CleanTypedName(const QString& text) {
    return FromModel(qv::CleanTypedName(ToModel(text)));
}

UpperCaseEdit::UpperCaseEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this](const QString& t) {
        QString up = UpperCaseTyped(t);
        if (up != t) {
            int pos = cursorPosition();
            setText(up);
            setCursorPosition(pos);
        }
    });
}

void Centre(QWidget* window, QWidget* owner) {
    QRect area;
    if (owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    else
        return;
    window->move(area.center() - window->rect().center());
}

std::optional<std::string> ChooseEditScriptToSave(Interaction& ui) {
    FileDialogRequest request;
    request.title = "Save Plan";
    request.filter = "Edit Scripts *.qvs|*.qvs|Any File *.*|*.*";
    request.defaultExt = "*.qvs";
    request.overwritePrompt = true;
    return ui.ChooseSaveFile(request);
}

QPushButton* AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout) {
    auto* buttons = new QHBoxLayout;
    auto* ok = MakeNamed<QPushButton>(dialog, "BTN_OK", QStringLiteral("OK"));
    ok->setDefault(true);
    auto* cancel = MakeNamed<QPushButton>(dialog, "BTN_CANCEL", QStringLiteral("Cancel"));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    return ok;
}

PrintOkRow MakePrintOkRow(QDialog* dialog) {
    PrintOkRow r;
    r.row = new QHBoxLayout;
    r.print = MakeNamed<QPushButton>(dialog, "BTN_PRINT", QStringLiteral("&Print"));
    r.ok = MakeNamed<QPushButton>(dialog, "BTN_OK", QStringLiteral("OK"));
    r.ok->setDefault(true);
    r.row->addStretch(1);
    r.row->addWidget(r.print);
    r.row->addWidget(r.ok);
    return r;
}

static QDialogButtonBox* OkCancel(QDialog* dlg) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dlg);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BTN_OK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BTN_CANCEL"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
    return buttons;
}

// ---------------------------------------------------------------- TFindDlg

TFindDlg::TFindDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFindDlg"));
    setWindowTitle(QStringLiteral("Find"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = MakeNamed<QLabel>(this, "Label1", QStringLiteral("Text :"));
    edit_ = new UpperCaseEdit(this);
    edit_->setObjectName(QStringLiteral("ED_FIND"));
    row->addWidget(label);
    row->addWidget(edit_, 1);
    layout->addLayout(row);
    layout->addWidget(OkCancel(this));
}

void TFindDlg::Prepare() {
    edit_->clear();
    edit_->setFocus();
}

QString TFindDlg::Text() const {
    return UpperCaseTyped(edit_->text());
}

// ---------------------------------------------------------------- TNewNameDlg

TNewNameDlg::TNewNameDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TNewNameDlg"));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    auto* layout = new QVBoxLayout(this);
    label_ = MakeNamed<QLabel>(this, "Label1", QStringLiteral("Enter in name:"));
    edit_ = new UpperCaseEdit(this);
    edit_->setObjectName(QStringLiteral("Edit1"));
    edit_->setMaxLength(255);
    layout->addWidget(label_);
    layout->addWidget(edit_);
    QDialogButtonBox* buttons = OkCancel(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(edit_, &QLineEdit::textChanged, this,
            [this](const QString& t) { ok_->setEnabled(!t.trimmed().isEmpty()); });
    layout->addWidget(buttons);
}

void TNewNameDlg::showEvent(QShowEvent* event) {
    setWindowTitle(QString());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TNewNameDlg::Prepare(const QString& label, const QString& text) {
    label_->setText(label);
    edit_->setText(text);
    ok_->setEnabled(!text.trimmed().isEmpty());
    edit_->selectAll();
    edit_->setFocus();
}

QString TNewNameDlg::Name() const {
    return CleanTypedName(edit_->text());
}

// ---------------------------------------------------------------- TWinList

TWinList::TWinList(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TWinList"));
    setWindowTitle(QStringLiteral("Window List"));
    auto* layout = new QVBoxLayout(this);
    auto* label = MakeNamed<QLabel>(this, "Label1", QStringLiteral("Available Windows : "));
    list_ = MakeNamed<QListWidget>(this, "ListBox1");
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(label);
    layout->addWidget(list_, 1);
    layout->addWidget(OkCancel(this));
    resize(320, 260);
}

void TWinList::Prepare(const QStringList& shortNames) {
    list_->clear();
    list_->addItems(shortNames);
    if (list_->count() > 0)
        list_->setCurrentRow(0);
}

int TWinList::SelectedPosition() const {
    return list_->currentRow();
}

// ---------------------------------------------------------------- TErrReportDlg

QTextEdit* MakeReportBox(QWidget* parent, const char* name) {
    auto* box = new QTextEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setLineWrapMode(QTextEdit::NoWrap);
    box->setAcceptRichText(false);
    box->setFont(ReportFont(8));
    return box;
}

TErrReportDlg::TErrReportDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TErrReportDlg"));
    auto* layout = new QVBoxLayout(this);
    treeReport_ = MakeReportBox(this, "RE_TREEREPORT");
    logFile_ = MakeReportBox(this, "RE_LOGFILE");
    layout->addWidget(treeReport_, 1);
    layout->addWidget(logFile_, 1);
    PrintOkRow buttons = MakePrintOkRow(this);
    print_ = buttons.print;
    connect(buttons.ok, &QPushButton::clicked, this, &TErrReportDlg::BTN_OKClick);
    layout->addLayout(buttons.row);
    resize(620, 440);
}

void TErrReportDlg::BTN_OKClick() {
    treeReport_->clear();
    accept();
}

void TErrReportDlg::ShowTreeReport() {
    setWindowTitle(QString());
    logFile_->hide();
    treeReport_->show();
    exec();
}

void TErrReportDlg::ShowLogFile(const QString& text) {
    setWindowTitle(QString());
    treeReport_->hide();
    logFile_->show();
    logFile_->setPlainText(text);
    exec();
}

// ---------------------------------------------------------------- About, splash

TAboutBox::TAboutBox(const QPixmap& picture, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("About QUORVANE"));
    auto* layout = new QVBoxLayout(this);
    auto* image = MakeNamed<QLabel>(this, "ProgramIcon");
    image->setPixmap(picture);
    image->setAlignment(Qt::AlignCenter);
    layout->addWidget(image);
    auto* ok = MakeNamed<QPushButton>(this, "OKButton", QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addStretch(1);
    layout->addLayout(row);
    setFixedSize(sizeHint());
}

QWidget* CreateSplash(const QPixmap& picture) {
    auto* splash = new QLabel(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
    splash->setObjectName(QStringLiteral("SplashForm"));
    splash->setPixmap(picture);
    splash->adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        splash->move(area.center() - splash->rect().center());
    }
    return splash;
}

} // namespace qv::gui
