#include "gui/utilities/default_server_dialogs.h"

#include "files/file_access.h"
#include "gui/core/dialogs.h"
#include "gui/core/image_list.h"
#include "gui/core/mdi_child.h"
#include "gui/core/named.h"
#include "gui/core/qt_text.h"
#include "gui/core/workspace.h"
#include "gui/print/print_commands.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace qv::gui {

namespace {

constexpr int kItemHeight = 16;
constexpr int kImageRole = Qt::UserRole;
constexpr int kWarningRole = TFM_SRVDISPLAY::kWarningRole;
constexpr const char* kWarningMark = "WARNING!";
constexpr std::string_view kWarningSuffix = ", WARNING!";

void AddItem(QListWidget* list, const std::string& text, int image) {
    auto* item = new QListWidgetItem(FromModel(text), list);
    item->setData(kImageRole, image);
}

QListWidget* MakeList(QWidget* parent, const char* name, QAbstractItemDelegate* delegate) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setItemDelegate(delegate);
    list->setUniformItemSizes(true);
    return list;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

// ---------------------------------------------------------------- TFM_DEFSERV

TFM_DEFSERV::TFM_DEFSERV(QWidget* parent, utilities::Census census, std::function<void()> start)
    : WaitDialog(parent, 1000),
      wait_(census ? std::move(census)
                   : utilities::ProcessCensus(std::string(utilities::kDefaultServerMarker)),
            start ? std::move(start) : std::function<void()>([this] {
                utilities::StartExternalCommand(utilities::kDefaultServerMarker,
                                                utilities::DefaultServerCommandText(contextText_),
                                                utilities::kDefaultServerFile);
            })) {
    setObjectName(QStringLiteral("TFM_DEFSERV"));
    setWindowTitle(QStringLiteral("User Default Server Report"));
    setModal(true);
    setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    Label1 = MakeLabel(this, "Label1", QStringLiteral("Generating Default Server Report"));
    Label1->setMinimumWidth(300);
    layout->addWidget(Label1);
    Memo1 = AddRunLog(layout);
    BTN_ACTION = MakeNamed<QPushButton>(this, "BTN_ACTION", QStringLiteral("&Abort"));
    BTN_ACTION->setAutoDefault(false);
    AddCentredButton(layout, BTN_ACTION);
    connect(BTN_ACTION, &QPushButton::clicked, this, &TFM_DEFSERV::BTN_ACTIONClick);

    // Timer1: disabled until shown; the platform's default interval.
}

TFM_DEFSERV& TFM_DEFSERV::Instance(QWidget* parent) {
    return SingleInstance<TFM_DEFSERV>(parent);
}

void TFM_DEFSERV::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    contexts_.clear();
    result_ = false;
    Memo1->clear();
    BTN_ACTION->setText(QStringLiteral("&Abort"));
    log_.Mark();
    wait_.Start();
    Timer1->start();
}

void TFM_DEFSERV::Timer1Timer() {
    if (!wait_.Running()) {
        Timer1->stop();
        return;
    }
    bool read = wait_.Tick();
    Label1->setText(FromModel(wait_.Label()));
    if (!read)
        return;
    Timer1->stop();
    std::vector<std::string> memo = utilities::DefaultServerRunProblems(wait_, log_);
    // NLIST could not run or was given up: its own message, nothing read.
    const bool ok = memo.empty() && utilities::ParseDefaultServerFile(contexts_, memo);
    // Set as a whole: append would merge a first empty line into the empty
    // document.
    QStringList lines;
    for (const std::string& line : memo)
        lines << FromMessage(line);
    const QString text = lines.join(QLatin1Char('\n'));
    Memo1->setPlainText(text);
    if (ok) {
        result_ = true;
        accept();
        return;
    }
    BTN_ACTION->setText(QStringLiteral("&Close"));
}

void TFM_DEFSERV::BTN_ACTIONClick() {
    if (wait_.Running())
        Timer1->stop();
    bool close = wait_.Abort([this](std::string_view question) {
        return QMessageBox::warning(this, QStringLiteral("Warning"), FromMessage(question),
                                    QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::No) == QMessageBox::Yes;
    });
    if (!close) {
        Timer1->start();
        return;
    }
    reject();
}

// ---------------------------------------------------------------- drawing

ImageItemDelegate::ImageItemDelegate(const ImageList& images, QObject* parent)
    : QStyledItemDelegate(parent), images_(images) {}

void ImageItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    painter->save();
    painter->fillRect(option.rect,
                      option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
    const int image = index.data(kImageRole).toInt();
    if (image >= 0)
        painter->drawPixmap(option.rect.left() + 5, option.rect.top(), images_.ClassIcon(image));
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    QRect text = option.rect.adjusted(5 + ImageList::kIconSize + 5, 0, 0, 0);
    QRect drawn;
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, index.data().toString(), &drawn);
    // A user whose default server is not a recommended one, as the summary marks it.
    if (index.data(kWarningRole).toBool()) {
        if (!selected)
            painter->setPen(Qt::red);
        painter->drawText(text.adjusted(drawn.width() + 8, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(kWarningMark));
    }
    painter->restore();
}

QSize ImageItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    return {size.width() + 5 + ImageList::kIconSize + 5, kItemHeight};
}

// ---------------------------------------------------------------- TFM_SRVDISPLAY

TFM_SRVDISPLAY::TFM_SRVDISPLAY(const ImageList& images, Interaction& ui, QWidget* parent)
    : QDialog(parent), images_(images), ui_(ui) {
    setObjectName(QStringLiteral("TFM_SRVDISPLAY"));
    setWindowTitle(QStringLiteral("User Default Server Report Results"));
    setModal(true);
    auto* delegate = new ImageItemDelegate(images_, this);

    auto* grid = new QGridLayout;
    LBL_CONTEXTS = MakeLabel(this, "LBL_CONTEXTS", QStringLiteral("Contexts Searched : "));
    LBL_USERS = MakeLabel(this, "LBL_USERS", QStringLiteral("User Objects : "));
    LB_CONTEXTS = MakeList(this, "LB_CONTEXTS", delegate);
    LB_USERS = MakeList(this, "LB_USERS", delegate);
    LB_DEFAULTSERVER = MakeList(this, "LB_DEFAULTSERVER", delegate);
    LB_PARTROOT = MakeList(this, "LB_PARTROOT", delegate);
    LB_SERVERS = MakeList(this, "LB_SERVERS", delegate);
    for (QListWidget* small : {LB_DEFAULTSERVER, LB_PARTROOT})
        small->setFixedHeight(kItemHeight + 2 * small->frameWidth() + 2);
    grid->addWidget(LBL_CONTEXTS, 0, 0);
    grid->addWidget(LBL_USERS, 0, 1);
    grid->addWidget(LB_CONTEXTS, 1, 0, 5, 1);
    grid->addWidget(LB_USERS, 1, 1, 5, 1);
    grid->addWidget(MakeLabel(this, "LBL_DEFAULTSERVER", QStringLiteral("Default Server")), 0, 2);
    grid->addWidget(LB_DEFAULTSERVER, 1, 2);
    grid->addWidget(MakeLabel(this, "LBL_PARTROOT", QStringLiteral("Partition Root")), 2, 2);
    grid->addWidget(LB_PARTROOT, 3, 2);
    grid->addWidget(MakeLabel(this, "LBL_SERVERS", QStringLiteral("Recommended Default Servers")),
                    4, 2);
    grid->addWidget(LB_SERVERS, 5, 2);
    grid->setColumnMinimumWidth(0, 200);
    grid->setColumnMinimumWidth(1, 180);
    grid->setColumnMinimumWidth(2, 200);

    // The summary is kept for Save and Print only.
    RE_SUMMARY = MakeReportBox(this, "RE_SUMMARY");
    RE_SUMMARY->hide();

    auto* row = new QHBoxLayout;
    row->addStretch();
    BTN_SAVE = MakeNamed<QPushButton>(this, "BTN_SAVE", QStringLiteral("&Save"));
    BTN_PRINT = MakeNamed<QPushButton>(this, "BTN_PRINT", QStringLiteral("&Print"));
    BTN_OK = MakeNamed<QPushButton>(this, "BTN_OK", QStringLiteral("OK"));
    BTN_OK->setDefault(true);
    for (QPushButton* b : {BTN_SAVE, BTN_PRINT, BTN_OK})
        row->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(RE_SUMMARY);
    layout->addLayout(row);

    connect(LB_CONTEXTS, &QListWidget::itemClicked, this, &TFM_SRVDISPLAY::LB_CONTEXTSClick);
    connect(LB_USERS, &QListWidget::itemClicked, this, &TFM_SRVDISPLAY::LB_USERSClick);
    connect(BTN_SAVE, &QPushButton::clicked, this, &TFM_SRVDISPLAY::BTN_SAVEClick);
    connect(BTN_PRINT, &QPushButton::clicked, this, &TFM_SRVDISPLAY::BTN_PRINTClick);
    connect(BTN_OK, &QPushButton::clicked, this, &QDialog::accept);
}

TFM_SRVDISPLAY& TFM_SRVDISPLAY::Instance(const ImageList& images, Interaction& ui,
                                         QWidget* parent) {
    return OneInstance<TFM_SRVDISPLAY>(images, ui, parent);
}

void TFM_SRVDISPLAY::SetContexts(utilities::DefaultServerContexts contexts) {
    contexts_ = std::move(contexts);
    located_.assign(contexts_.size(), {});
    LB_CONTEXTS->clear();
    for (const auto& c : contexts_)
        AddItem(LB_CONTEXTS, c.name, -1);
}

void TFM_SRVDISPLAY::LocateContexts(TreeDesign& design) {
    design_ = &design;
    located_ = utilities::LocateContexts(design, contexts_);
    for (int i = 0; i < LB_CONTEXTS->count(); ++i)
        LB_CONTEXTS->item(i)->setData(kImageRole, located_[static_cast<std::size_t>(i)].image);
}

void TFM_SRVDISPLAY::Clear() {
    contexts_.clear();
    located_.clear();
    summary_.clear();
    LB_CONTEXTS->clear();
    design_ = nullptr;
}

void TFM_SRVDISPLAY::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    LB_USERS->clear();
    LB_DEFAULTSERVER->clear();
    LB_PARTROOT->clear();
    LB_SERVERS->clear();
    RE_SUMMARY->clear();
    summary_.clear();
    LBL_CONTEXTS->setText(QStringLiteral("Contexts Searched : ") +
                          QString::number(contexts_.size()));
    LBL_USERS->setText(QStringLiteral("User Objects : "));
    if (std::string note = utilities::BeyondLimitMessage(contexts_.size()); !note.empty())
        QTimer::singleShot(0, this, [this, note] { ui_.Information(note); });
}

void TFM_SRVDISPLAY::LB_CONTEXTSClick() {
    const int row = LB_CONTEXTS->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= contexts_.size())
        return;
    utilities::DefaultServerContext& context = contexts_[static_cast<std::size_t>(row)];
    const utilities::LocatedContext where = located_[static_cast<std::size_t>(row)];
    utilities::SortUsers(context);
    LB_USERS->clear();
    LB_DEFAULTSERVER->clear();
    for (const std::string& user : context.users)
        AddItem(LB_USERS, utilities::UserName(user), utilities::kUserImage);
    LBL_USERS->setText(QStringLiteral("User Objects : ") + QString::number(context.users.size()));
    ObjectNode* root = design_ && where.Located()
                           ? utilities::NodeAtAbsoluteIndex(*design_, where.rootIndex)
                           : nullptr;
    if (!root) {
        // The lists of the context before would belong to another context.
        LB_PARTROOT->clear();
        LB_SERVERS->clear();
        RE_SUMMARY->clear();
        summary_.clear();
        ui_.Warning(where.beyondLimit ? utilities::BeyondLimitMessage(contexts_.size())
                                      : utilities::CannotLocateMessage(context.name));
        return;
    }
    const std::string rootContext = design_->FullContext(root);
    LB_PARTROOT->clear();
    AddItem(LB_PARTROOT, rootContext, utilities::kPartitionImage);
    const std::vector<std::string> servers = utilities::RecommendedServers(*design_, root);
    LB_SERVERS->clear();
    for (const std::string& s : servers)
        AddItem(LB_SERVERS, s, utilities::kServerImage);
    summary_ = utilities::BuildDefaultServerSummary(context, rootContext, servers);
    // The summary ends with one line per user, in the order of the list.
    const std::size_t firstUser = summary_.size() - std::min(summary_.size(), context.users.size());
    for (int i = 0; i < LB_USERS->count(); ++i) {
        const std::size_t at = firstUser + static_cast<std::size_t>(i);
        const bool warned = at < summary_.size() && summary_[at].ends_with(kWarningSuffix);
        LB_USERS->item(i)->setData(kWarningRole, warned);
    }
    QString text;
    for (const std::string& line : summary_)
        text += FromModel(line) + QLatin1Char('\n');
    RE_SUMMARY->setPlainText(text);
}

void TFM_SRVDISPLAY::LB_USERSClick() {
    const int row = LB_CONTEXTS->currentRow();
    QListWidgetItem* user = LB_USERS->currentItem();
    if (row < 0 || static_cast<std::size_t>(row) >= contexts_.size() || !user)
        return;
    const utilities::DefaultServerContext& context = contexts_[static_cast<std::size_t>(row)];
    const int i = utilities::FindUserItem(context, ToModel(user->text()));
    LB_DEFAULTSERVER->clear();
    if (i < 0)
        return;
    AddItem(LB_DEFAULTSERVER,
            utilities::DefaultServerShortName(context.users[static_cast<std::size_t>(i)]),
            utilities::kServerImage);
}

void TFM_SRVDISPLAY::BTN_SAVEClick() {
    ui_.Information(utilities::kDefaultServerSaveNotice);
    FileDialogRequest request;
    request.title = "Save As";
    request.filter = "Rich Text Files (*.rtf)|*.RTF|All Files (*.*)|*.*";
    request.defaultExt = "RTF";
    request.overwritePrompt = true;
    std::optional<std::string> path = ui_.ChooseSaveFile(request);
    if (!path)
        return;
    if (!ConfirmSaveTarget(ui_, *path))
        return;
    if (Result<FileIdentity> written =
            ReplaceFileAtomically(*path, utilities::SummaryAsRichText(summary_));
        !written)
        ui_.Error("Cannot write \"" + *path + "\": " + written.error());
}

void TFM_SRVDISPLAY::BTN_PRINTClick() {
    PrintTextBox(this, RE_SUMMARY, images_);
}

// ---------------------------------------------------------------- the command

void VerifyUserDefaultServer(Workspace& app) {
    TMDIChild* child = app.ActiveChild();
    if (!child)
        return;
    // Held from the run of NLIST to the reading of its report.
    utilities::WorkingFolderLock lock;
    if (utilities::CountCommandWindows(utilities::kDefaultServerMarker) != 0 ||
        !lock.Acquire(".")) {
        app.Ui().Warning(utilities::kDefaultServerRunning);
        return;
    }
    utilities::DeleteOldDefaultServerReport(".");
    TreeDesign& design = child->Design();
    ObjectNode* node = child->SelectedNode();
    TFM_DEFSERV& wait = TFM_DEFSERV::Instance(app.MainWindow());
    wait.SetContextText(utilities::DefaultServerContextText(design, node ? node : design.Root()));
    wait.exec();
    if (!wait.Result())
        return;
    TFM_SRVDISPLAY& display = TFM_SRVDISPLAY::Instance(app.Images(), app.Ui(), app.MainWindow());
    display.SetContexts(std::move(wait.Contexts()));
    wait.Contexts().clear();
    display.LocateContexts(design);
    display.exec();
    display.Clear();
}

} // namespace qv::gui
