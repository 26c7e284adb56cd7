#include "gui/netware/nds_dialogs.h"

#include "gui/core/dialogs.h"
#include "gui/core/image_list.h"
#include "gui/core/named.h"
#include "gui/core/qt_text.h"
#include "platform/tree_connections.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace qv::gui {

namespace {

// LB_TREES is owner-drawn: the rectangle filled, image 0 of the image list at
// x = 2 and the item's top, the tree name at the item's left + 20.
class TreeItemDelegate : public QStyledItemDelegate {
public:
    TreeItemDelegate(const ImageList& images, QObject* parent)
        : QStyledItemDelegate(parent), images_(images) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(r, selected ? option.palette.highlight() : option.palette.base());
        painter->drawPixmap(2, r.top(), images_.ClassIcon(0));
        painter->setPen(selected ? option.palette.highlightedText().color()
                                 : option.palette.text().color());
        painter->drawText(QRect(r.left() + 20, r.top(), r.width() - 20, r.height()),
                          Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(100, 16);
    }

private:
    const ImageList& images_;
};

QLineEdit* Field(QFormLayout* form, QWidget* parent, const char* label, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    form->addRow(QString::fromLatin1(label), edit);
    return edit;
}

} // namespace

// ---- TDLG_TREES ----

TDLG_TREES::TDLG_TREES(const ImageList& images, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TDLG_TREES"));
    setWindowTitle(QStringLiteral("Select Tree"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Trees currently connected to:"), this));
    LB_TREES = MakeNamed<QListWidget>(this, "LB_TREES");
    LB_TREES->setUniformItemSizes(true);
    LB_TREES->setItemDelegate(new TreeItemDelegate(images, LB_TREES));
    layout->addWidget(LB_TREES, 1);
    CB_VERBOSE = MakeNamed<QCheckBox>(this, "CB_VERBOSE", QStringLiteral("Verbose Messages"));
    layout->addWidget(CB_VERBOSE);
    AddOkCancelButtons(this, layout);
    connect(LB_TREES, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

void TDLG_TREES::SetTrees(const std::vector<std::string>& trees) {
    LB_TREES->clear();
    for (const std::string& t : trees)
        LB_TREES->addItem(FromModel(t));
}

std::string TDLG_TREES::SelectedTree() const {
    QListWidgetItem* item = LB_TREES->currentItem();
    return item ? ToModel(item->text()) : std::string();
}

bool TDLG_TREES::Verbose() const {
    return CB_VERBOSE->isChecked();
}

void TDLG_TREES::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (LB_TREES->count() > 0)
        LB_TREES->setCurrentRow(0);
}

// ---- TDLG_NDS_SEARCH ----

TDLG_NDS_SEARCH::TDLG_NDS_SEARCH(Interaction& ui, QWidget* parent)
    : WaitDialog(parent, 100), search_(ui, *this) {
    setObjectName(QStringLiteral("TDLG_NDS_SEARCH"));
    setWindowTitle(QStringLiteral("NDS Search"));
    // No close box: the dialog closes through OK or Cancel only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    ED_TREENAME = Field(form, this, "Tree name:", "ED_TREENAME");
    ED_TOTALPARTITIONS = Field(form, this, "Total Partitions:", "ED_TOTALPARTITIONS");
    ED_TOTALSERVERS = Field(form, this, "Total Servers:", "ED_TOTALSERVERS");
    ED_TOTALOBJECTS = Field(form, this, "Total Objects:", "ED_TOTALOBJECTS");
    ED_CONTEXT = Field(form, this, "Searching Context:", "ED_CONTEXT");
    ED_ERRORS = Field(form, this, "Total errors:", "ED_ERRORS");
    ED_ELAPSED = Field(form, this, "Elapsed time:", "ED_ELAPSED");
    layout->addLayout(form);
    RE_ERRORS = MakeReportBox(this, "RE_ERRORS");
    layout->addWidget(RE_ERRORS, 1);
    auto* buttons = new QHBoxLayout;
    BTN_OK = MakeNamed<QPushButton>(this, "BTN_OK", QStringLiteral("OK"));
    BTN_CANCEL = MakeNamed<QPushButton>(this, "BTN_CANCEL", QStringLiteral("Cancel"));
    buttons->addStretch(1);
    buttons->addWidget(BTN_OK);
    buttons->addWidget(BTN_CANCEL);
    layout->addLayout(buttons);
    connect(BTN_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BTN_CANCEL, &QPushButton::clicked, this, &TDLG_NDS_SEARCH::BTN_CANCELClick);
    resize(520, 420);
}

void TDLG_NDS_SEARCH::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Timer1->stop();
    search_.FormShow();
    PaintFields();
    sincePump_.start();
    sincePaint_.start();
    Timer1->start();
}

void TDLG_NDS_SEARCH::Timer1Timer() {
    Timer1->stop();
    search_.Timer1Timer();
    PaintFields();
    // Cancel pressed during the walk closes the dialog once the walk returned.
    if (search_.abort)
        done(QDialog::Rejected);
}

void TDLG_NDS_SEARCH::BTN_CANCELClick() {
    search_.BTN_CANCELClick();
    if (!search_.searching)
        done(QDialog::Rejected);
}

void TDLG_NDS_SEARCH::done(int result) {
    if (!isVisible()) {
        QDialog::done(result);
        return;
    }
    search_.FormClose();
    QDialog::done(result);
}

bool TDLG_NDS_SEARCH::EscapePressed() {
    if (!search_.searching)
        return false;
    BTN_CANCELClick();
    return true;
}

void TDLG_NDS_SEARCH::LogCleared() {
    RE_ERRORS->clear();
}

void TDLG_NDS_SEARCH::LogAppended(const std::string& line) {
    RE_ERRORS->append(FromModel(line));
}

void TDLG_NDS_SEARCH::FieldsChanged(const SearchFields& fields) {
    pending_ = fields;
    fieldsDirty_ = true;
    if (!search_.searching || !sincePaint_.isValid() || sincePaint_.elapsed() >= 50)
        PaintFields();
}

void TDLG_NDS_SEARCH::PaintFields() {
    if (!fieldsDirty_)
        return;
    fieldsDirty_ = false;
    sincePaint_.start();
    ED_TREENAME->setText(FromModel(pending_.treeName));
    ED_TOTALPARTITIONS->setText(FromModel(pending_.totalPartitions));
    ED_TOTALSERVERS->setText(FromModel(pending_.totalServers));
    ED_TOTALOBJECTS->setText(FromModel(pending_.totalObjects));
    ED_CONTEXT->setText(FromModel(pending_.context));
    ED_CONTEXT->setToolTip(FromModel(pending_.contextHint));
    ED_ERRORS->setText(FromModel(pending_.errors));
    ED_ELAPSED->setText(FromModel(pending_.elapsed));
}

void TDLG_NDS_SEARCH::ButtonsChanged(bool okEnabled, bool cancelEnabled) {
    BTN_OK->setEnabled(okEnabled);
    BTN_CANCEL->setEnabled(cancelEnabled);
}

void TDLG_NDS_SEARCH::Pump() {
    if (sincePump_.isValid() && sincePump_.elapsed() < 10)
        return;
    sincePump_.start();
    if (fieldsDirty_ && sincePaint_.elapsed() >= 50)
        PaintFields();
    QCoreApplication::processEvents();
}

// ---- the command ----

namespace {

// A connection that binds without a password file asks for the password once
// per run of the program; false when the user cancels.
bool AskPassword(QWidget* parent, const std::string& tree) {
    std::vector<nds::TreeConnection> conns = nds::TreeConnections();
    for (nds::TreeConnection& c : conns) {
        if (c.name != tree || c.bindDn.empty() || !c.passwordFile.empty() || !c.password.empty())
            continue;
        bool ok = false;
        QString password = QInputDialog::getText(
            parent, QStringLiteral("Password"),
            QStringLiteral("Password for %1:").arg(QString::fromStdString(c.bindDn)),
            QLineEdit::Password, QString(), &ok);
        if (!ok)
            return false;
        c.password = password.toStdString();
        nds::SetTreeConnections(std::move(conns), nds::PreferredTree());
        return true;
    }
    return true;
}

class WindowDiscoveryHost : public DiscoveryHost {
public:
    WindowDiscoveryHost(TDLG_TREES& trees, TDLG_NDS_SEARCH& search, QWidget* parent)
        : trees_(trees), search_(search), parent_(parent) {}
    bool ChooseTree(const std::vector<std::string>& names, std::string& chosen,
                    bool& verbose) override {
        trees_.SetTrees(names);
        if (trees_.exec() != QDialog::Accepted || trees_.SelectedTree().empty())
            return false;
        chosen = trees_.SelectedTree();
        verbose = trees_.Verbose();
        return AskPassword(parent_, chosen);
    }
    bool RunSearch(NdsSearch&) override { return search_.exec() == QDialog::Accepted; }

private:
    TDLG_TREES& trees_;
    TDLG_NDS_SEARCH& search_;
    QWidget* parent_;
};

// The search dialog is made once; its message boxes go to the design being filled.
class ForwardingInteraction final : public Interaction {
public:
    Interaction* target = &TheNullInteraction();
    void Message(std::string_view t) override { target->Message(t); }
    void Information(std::string_view t) override { target->Information(t); }
    void Warning(std::string_view t) override { target->Warning(t); }
    void Error(std::string_view t) override { target->Error(t); }
    bool AskYesNo(std::string_view t) override { return target->AskYesNo(t); }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& r) override {
        return target->ChooseOpenFile(r);
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& r) override {
        return target->ChooseSaveFile(r);
    }
};

} // namespace

bool DiscoverTreeWindow(TreeDesign& design, const ImageList& images, QWidget* mainWindow) {
    // The two dialogs live as long as the main window.
    static QPointer<TDLG_TREES> trees;
    static QPointer<TDLG_NDS_SEARCH> search;
    static ForwardingInteraction ui;
    ui.target = &design.ui();
    if (!trees)
        trees = new TDLG_TREES(images, mainWindow);
    if (!search)
        search = new TDLG_NDS_SEARCH(ui, mainWindow);
    // Passwords typed earlier in this run are kept; the rest comes from the store.
    std::vector<nds::TreeConnection> typed = nds::TreeConnections();
    StoredTreeConnections stored = TreeConnectionStore().Read().value_or({});
    for (nds::TreeConnection& c : stored.trees)
        for (const nds::TreeConnection& t : typed)
            if (t.name == c.name && t.address == c.address && t.bindDn == c.bindDn)
                c.password = t.password;
    nds::SetTreeConnections(std::move(stored.trees), stored.preferred);
    search->Search().verbose = trees->Verbose();
    // The context is first set up for the preferred tree: its password comes first.
    if (!AskPassword(mainWindow, stored.preferred))
        return false;
    WindowDiscoveryHost host(*trees, *search, mainWindow);
    NdsSearch& walk = search->Search();
    walk.contextStatus = nds::kOk;
    const bool kept = DiscoverTree(design, walk, host);
    // A typed password that the server refused is asked for again next time.
    if (walk.contextStatus == nds::kErrFailedAuthentication) {
        std::vector<nds::TreeConnection> conns = nds::TreeConnections();
        for (nds::TreeConnection& c : conns)
            if (c.name == walk.contextTree && c.passwordFile.empty())
                c.password.clear();
        nds::SetTreeConnections(std::move(conns), nds::PreferredTree());
    }
    return kept;
}

} // namespace qv::gui
