#include "gui/utilities/schema_dialogs.h"

#include "core/tree_design.h"
#include "gui/core/dialogs.h"
#include "gui/core/image_list.h"
#include "gui/core/mdi_child.h"
#include "gui/core/named.h"
#include "gui/core/qt_text.h"
#include "gui/core/workspace.h"
#include "gui/print/print_commands.h"
#include "gui/utilities/default_server_dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qv::gui {

namespace {

constexpr int kServerImage = 3;

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QLineEdit* MakeField(QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    return e;
}

QListWidget* MakeList(QWidget* parent, const QString& name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    return list;
}

void FillList(QListWidget* list, const std::vector<std::string>& items) {
    list->clear();
    for (const std::string& s : items)
        list->addItem(FromModel(s));
}

std::vector<std::string> Items(const QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(ToModel(list->item(i)->text()));
    return out;
}

SchemaCompareHooks& Hooks() {
    static SchemaCompareHooks hooks;
    return hooks;
}

} // namespace

// ---------------------------------------------------------------- TFM_SCHEMACFG

TFM_SCHEMACFG::TFM_SCHEMACFG(const ImageList& images, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFM_SCHEMACFG"));
    setWindowTitle(QStringLiteral("Schema Compare Configuration"));
    setModal(true);
    auto* delegate = new ImageItemDelegate(images, this);
    LB_Show = MakeList(this, QStringLiteral("LB_Show"));
    LB_Avail = MakeList(this, QStringLiteral("LB_Avail"));
    for (QListWidget* list : {LB_Show, LB_Avail}) {
        list->setItemDelegate(delegate);
        list->setUniformItemSizes(true);
        list->setSortingEnabled(true);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setMinimumWidth(180);
    }
    LBL_SELECTED = MakeLabel(this, QStringLiteral("LBL_SELECTED"), QString());
    LBL_AVAILABLE = MakeLabel(this, QStringLiteral("LBL_AVAILABLE"), QString());
    BTN_ADD = MakeButton(this, "BTN_ADD", QStringLiteral("&Add"));
    BTN_REMOVE = MakeButton(this, "BTN_REMOVE", QStringLiteral("&Remove"));
    BTN_CLEAR = MakeButton(this, "BTN_CLEAR", QStringLiteral("&Clear"));
    BTN_ADDALL = MakeButton(this, "BTN_ADDALL", QStringLiteral("A&dd All"));
    BTN_OK = MakeButton(this, "BTN_OK", QStringLiteral("OK"));
    BTN_OK->setDefault(true);
    BTN_CANCEL = MakeButton(this, "BTN_CANCEL", QStringLiteral("Cancel"));

    auto* grid = new QGridLayout;
    grid->addWidget(MakeLabel(this, QStringLiteral("LBL_SHOW"),
                              QStringLiteral("Schema on servers to compare :")),
                    0, 0);
    grid->addWidget(
        MakeLabel(this, QStringLiteral("LBL_AVAIL"), QStringLiteral("Available Servers :")), 0, 2);
    grid->addWidget(LB_Show, 1, 0);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    for (QPushButton* b : {BTN_ADD, BTN_REMOVE, BTN_CLEAR, BTN_ADDALL})
        middle->addWidget(b);
    middle->addStretch();
    grid->addLayout(middle, 1, 1);
    grid->addWidget(LB_Avail, 1, 2);
    grid->addWidget(LBL_SELECTED, 2, 0);
    grid->addWidget(LBL_AVAILABLE, 2, 2);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(BTN_OK);
    row->addWidget(BTN_CANCEL);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(row);

    connect(BTN_ADD, &QPushButton::clicked, this, &TFM_SCHEMACFG::BTN_ADDClick);
    connect(BTN_REMOVE, &QPushButton::clicked, this, &TFM_SCHEMACFG::BTN_REMOVEClick);
    connect(BTN_CLEAR, &QPushButton::clicked, this, &TFM_SCHEMACFG::BTN_CLEARClick);
    connect(BTN_ADDALL, &QPushButton::clicked, this, &TFM_SCHEMACFG::BTN_ADDALLClick);
    connect(BTN_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BTN_CANCEL, &QPushButton::clicked, this, &QDialog::reject);
    for (QListWidget* list : {LB_Show, LB_Avail})
        connect(list, &QListWidget::itemSelectionChanged, this, &TFM_SCHEMACFG::UpdateState);
    UpdateState();
}

void TFM_SCHEMACFG::SetAvailable(const std::vector<std::string>& names) {
    LB_Show->clear();
    LB_Avail->clear();
    for (const std::string& n : names) {
        auto* item = new QListWidgetItem(FromModel(n));
        item->setData(Qt::UserRole, kServerImage);
        LB_Avail->addItem(item);
    }
    UpdateState();
}

std::vector<std::string> TFM_SCHEMACFG::Chosen() const {
    return Items(LB_Show);
}

void TFM_SCHEMACFG::Move(QListWidget* from, QListWidget* to, bool selectedOnly) {
    for (int i = from->count() - 1; i >= 0; --i) {
        if (selectedOnly && !from->item(i)->isSelected())
            continue;
        QListWidgetItem* item = from->takeItem(i);
        item->setSelected(false);
        to->addItem(item);
    }
}

void TFM_SCHEMACFG::BTN_ADDClick() {
    Move(LB_Avail, LB_Show, true);
    UpdateState();
}

void TFM_SCHEMACFG::BTN_REMOVEClick() {
    Move(LB_Show, LB_Avail, true);
    UpdateState();
}

void TFM_SCHEMACFG::BTN_CLEARClick() {
    Move(LB_Show, LB_Avail, false);
    UpdateState();
}

void TFM_SCHEMACFG::BTN_ADDALLClick() {
    Move(LB_Avail, LB_Show, false);
    UpdateState();
}

void TFM_SCHEMACFG::UpdateState() {
    LBL_SELECTED->setText(QStringLiteral(" Total Selected : ") + QString::number(LB_Show->count()));
    LBL_AVAILABLE->setText(QStringLiteral(" Total Available : ") +
                           QString::number(LB_Avail->count()));
    BTN_ADD->setEnabled(!LB_Avail->selectedItems().isEmpty());
    BTN_REMOVE->setEnabled(!LB_Show->selectedItems().isEmpty());
    BTN_CLEAR->setEnabled(LB_Show->count() > 0);
    BTN_ADDALL->setEnabled(LB_Avail->count() > 0);
}

// ---------------------------------------------------------------- TFM_WAIT

// The wait's questions carry the warning icon.
class TFM_WAIT::Questions final : public Interaction {
public:
    explicit Questions(QWidget* parent) : parent_(parent) {}
    void Message(std::string_view) override {}
    void Information(std::string_view) override {}
    void Warning(std::string_view) override {}
    void Error(std::string_view) override {}
    bool AskYesNo(std::string_view text) override {
        if (before)
            before();
        return QMessageBox::warning(parent_, QStringLiteral("Warning"), FromMessage(text),
                                    QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::No) == QMessageBox::Yes;
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return {}; }
    // Shows the state before a question is asked.
    std::function<void()> before;

private:
    QWidget* parent_;
};

TFM_WAIT::TFM_WAIT(std::vector<std::string> commands, utilities::Census census,
                   utilities::SchemaReportRun::Starter start, QWidget* parent)
    : WaitDialog(parent, 1000), questions_(std::make_unique<Questions>(this)) {
    run_ = std::make_unique<utilities::SchemaReportRun>(
        std::move(commands),
        census ? std::move(census)
               : utilities::ProcessCensus(std::string(utilities::kSchemaMarker)),
        start ? std::move(start) : utilities::SchemaReportRun::InterpreterStarter(), *questions_);
    setObjectName(QStringLiteral("TFM_WAIT"));
    setWindowTitle(QStringLiteral("Please Wait"));
    setModal(true);
    setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    Label1 = MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("Generating Schema Reports"));
    Label1->setMinimumWidth(300);
    layout->addWidget(Label1);
    Memo1 = AddRunLog(layout);
    BTN_CANCEL = MakeButton(this, "BTN_CANCEL", QStringLiteral("&Abort"));
    AddCentredButton(layout, BTN_CANCEL);
    connect(BTN_CANCEL, &QPushButton::clicked, this, &TFM_WAIT::BTN_CANCELClick);
    // Timer1: disabled until shown; the platform's default interval.
    questions_->before = [this] {
        Label1->setText(FromModel(run_->Label()));
        QString text;
        for (const std::string& line : run_->Memo())
            text += FromMessage(line) + QLatin1Char('\n');
        Memo1->setPlainText(text);
    };
}

TFM_WAIT::~TFM_WAIT() = default;

bool TFM_WAIT::Completed() const {
    return run_->Completed();
}

void TFM_WAIT::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Memo1->clear();
    run_->Show();
    BTN_CANCEL->setText(FromModel(run_->ButtonText()));
    Timer1->start();
}

void TFM_WAIT::Sync() {
    Label1->setText(FromModel(run_->Label()));
    BTN_CANCEL->setText(FromModel(run_->ButtonText()));
    QString text;
    for (const std::string& line : run_->Memo())
        text += FromMessage(line) + QLatin1Char('\n');
    if (Memo1->toPlainText() != text)
        Memo1->setPlainText(text);
    if (run_->TimerRunning() && !Timer1->isActive())
        Timer1->start();
    else if (!run_->TimerRunning() && Timer1->isActive())
        Timer1->stop();
    if (run_->Closed()) {
        if (run_->Completed())
            accept();
        else
            reject();
    }
}

void TFM_WAIT::Timer1Timer() {
    run_->Tick();
    if (!run_->TimerRunning())
        Timer1->stop();
    Sync();
}

void TFM_WAIT::BTN_CANCELClick() {
    Timer1->stop();
    run_->Button();
    Sync();
}

bool TFM_WAIT::Running() const {
    return !run_->Closed();
}

// ---------------------------------------------------------------- SpinButton

SpinButton::SpinButton(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    UpButton = MakeNamed<QToolButton>(this, "UpButton");
    UpButton->setArrowType(Qt::UpArrow);
    DownButton = MakeNamed<QToolButton>(this, "DownButton");
    DownButton->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {UpButton, DownButton}) {
        b->setFixedSize(18, 11);
        layout->addWidget(b);
    }
    connect(UpButton, &QToolButton::clicked, this, &SpinButton::UpClick);
    connect(DownButton, &QToolButton::clicked, this, &SpinButton::DownClick);
}

// ---------------------------------------------------------------- TFM_SCHRPT

TFM_SCHRPT::TFM_SCHRPT(const ImageList& images, Interaction& ui, QWidget* parent)
    : QDialog(parent), images_(images), ui_(ui) {
    setObjectName(QStringLiteral("TFM_SCHRPT"));
    setWindowTitle(QStringLiteral("Schema Comparison Report"));
    setModal(true);

    LB_SRVS = MakeList(this, QStringLiteral("LB_SRVS"));
    LB_SRVS->setSortingEnabled(true);
    LB_SRVS->setMaximumWidth(180);
    auto* left = new QVBoxLayout;
    left->addWidget(
        MakeLabel(this, QStringLiteral("LBL_SRVS"), QStringLiteral("Servers Compared :")));
    left->addWidget(LB_SRVS);

    PageControl1 = MakeNamed<QTabWidget>(this, "PageControl1");
    const char* sides[2] = {"1", "2"};
    // The three pages of unique names.
    struct UniquePage {
        const char* tab;
        const char* object;
        const char* caption;
        const char* prefix;
        QLineEdit** fields;
        QListWidget** lists;
        QLabel** totals;
    };
    const UniquePage pages[] = {
        {"Classes", "TS_CLASSES", "Unique Classes Between Servers :", "CLASS", ED_CLASSSRV,
         LB_CLASSES, LBL_CLASSES},
        {"Attributes", "TS_ATTRS", "Unique Attributes Between Servers :", "ATTR", ED_ATTRSRV,
         LB_ATTRS, LBL_ATTRS},
        {"Syntax", "TS_SYNTAX", "Unique Syntaxes Between Servers :", "SYNTAX", ED_SYNTAXSRV,
         LB_SYNTAX, LBL_SYNTAX},
    };
    for (const UniquePage& p : pages) {
        auto* page = new QWidget;
        page->setObjectName(QLatin1String(p.object));
        auto* grid = new QGridLayout(page);
        grid->addWidget(MakeLabel(page, QLatin1String(p.object) + QStringLiteral("_CAPTION"),
                                  QLatin1String(p.caption)),
                        0, 0, 1, 2);
        for (int s = 0; s < 2; ++s) {
            const QString suffix = QLatin1String(p.prefix) + QLatin1String(sides[s]);
            p.fields[s] = MakeField(page, QStringLiteral("ED_") + suffix);
            p.lists[s] = MakeList(page, QStringLiteral("LB_") + suffix);
            p.totals[s] = MakeLabel(page, QStringLiteral("LBL_") + suffix, QString());
            grid->addWidget(p.fields[s], 1, s);
            grid->addWidget(p.lists[s], 2, s);
            grid->addWidget(p.totals[s], 3, s);
        }
        PageControl1->addTab(page, QLatin1String(p.tab));
    }
    auto* defs = new QWidget;
    defs->setObjectName(QStringLiteral("TS_DEFINITIONS"));
    auto* grid = new QGridLayout(defs);
    grid->addWidget(MakeLabel(defs, QStringLiteral("TS_DEFINITIONS_CAPTION"),
                              QStringLiteral("Classes and Attributes with different schema "
                                             "definitions :")),
                    0, 0, 1, 2);
    for (int s = 0; s < 2; ++s) {
        ED_DEFSRV[s] = MakeField(defs, QStringLiteral("ED_DEF") + QLatin1String(sides[s]));
        TV_DEFS[s] = new QTreeWidget(defs);
        TV_DEFS[s]->setObjectName(QStringLiteral("TV_DEF") + QLatin1String(sides[s]));
        TV_DEFS[s]->setHeaderHidden(true);
        LBL_DEFS[s] = MakeLabel(defs, QStringLiteral("LBL_DEF") + QLatin1String(sides[s]), {});
        grid->addWidget(ED_DEFSRV[s], 1, s);
        grid->addWidget(TV_DEFS[s], 2, s);
        grid->addWidget(LBL_DEFS[s], 3, s);
        connect(TV_DEFS[s], &QTreeWidget::currentItemChanged, this,
                [this, s](QTreeWidgetItem* item) { TreeNodeSelected(s, item); });
        connect(TV_DEFS[s], &QTreeWidget::itemClicked, this,
                [this, s](QTreeWidgetItem* item) { TreeNodeSelected(s, item); });
    }
    PageControl1->addTab(defs, QStringLiteral("Definitions"));

    ED_REPORTNUM = MakeField(this, QStringLiteral("ED_REPORTNUM"));
    ED_REPORTNUM->setMaximumWidth(120);
    SpinButton1 = new SpinButton(this);
    SpinButton1->setObjectName(QStringLiteral("SpinButton1"));
    BTN_PRINT = MakeButton(this, "BTN_PRINT", QStringLiteral("&Print"));
    BTN_OK = MakeButton(this, "BTN_OK", QStringLiteral("OK"));
    BTN_OK->setDefault(true);
    RE_PRINT = MakeReportBox(this, "RE_PRINT");
    RE_PRINT->setFont(ReportFont(7));
    RE_PRINT->hide();

    auto* row = new QHBoxLayout;
    row->addWidget(MakeLabel(this, QStringLiteral("LBL_REPORT"), QStringLiteral("Report :")));
    row->addWidget(ED_REPORTNUM);
    row->addWidget(SpinButton1);
    row->addStretch();
    row->addWidget(BTN_PRINT);
    row->addWidget(BTN_OK);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(PageControl1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(row);
    layout->addWidget(RE_PRINT);
    resize(760, 480);

    connect(LB_SRVS, &QListWidget::itemClicked, this, &TFM_SCHRPT::LB_SRVSClick);
    connect(SpinButton1, &SpinButton::UpClick, this, &TFM_SCHRPT::SpinButton1UpClick);
    connect(SpinButton1, &SpinButton::DownClick, this, &TFM_SCHRPT::SpinButton1DownClick);
    connect(BTN_PRINT, &QPushButton::clicked, this, &TFM_SCHRPT::BTN_PRINTClick);
    connect(BTN_OK, &QPushButton::clicked, this, &QDialog::accept);
}

void TFM_SCHRPT::SetResults(const std::vector<utilities::TSchCmpClass>* results,
                            const std::vector<std::string>& servers) {
    results_ = results;
    servers_ = servers;
    browser_.reset();
}

void TFM_SCHRPT::EmptyPages() {
    for (int s = 0; s < 2; ++s) {
        for (QLineEdit* e : {ED_CLASSSRV[s], ED_ATTRSRV[s], ED_SYNTAXSRV[s], ED_DEFSRV[s]})
            e->clear();
        for (QListWidget* l : {LB_CLASSES[s], LB_ATTRS[s], LB_SYNTAX[s]})
            l->clear();
        for (QLabel* l : {LBL_CLASSES[s], LBL_ATTRS[s], LBL_SYNTAX[s], LBL_DEFS[s]})
            l->clear();
        TV_DEFS[s]->clear();
    }
    ED_REPORTNUM->clear();
}

void TFM_SCHRPT::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PageControl1->setCurrentIndex(0);
    static const std::vector<utilities::TSchCmpClass> kNone;
    browser_ =
        std::make_unique<utilities::SchemaReportBrowser>(results_ ? *results_ : kNone, servers_);
    LB_SRVS->clear();
    for (const std::string& s : browser_->Servers())
        LB_SRVS->addItem(FromModel(s));
    EmptyPages();
    RE_PRINT->clear();
    SpinButton1->setEnabled(false);
    BTN_PRINT->setEnabled(false);
}

void TFM_SCHRPT::LB_SRVSClick() {
    QListWidgetItem* item = LB_SRVS->currentItem();
    if (!item || !browser_)
        return;
    const Result<std::string> notice = browser_->SelectServer(ToModel(item->text()));
    if (!notice) {
        ui_.Warning(notice.error());
        EmptyPages();
        SpinButton1->setEnabled(false);
        BTN_PRINT->setEnabled(false);
        return;
    }
    if (!notice->empty())
        ui_.Information(*notice);
    SpinButton1->setEnabled(true);
    BTN_PRINT->setEnabled(true);
    ShowCurrent();
}

void TFM_SCHRPT::ShowCurrent() {
    EmptyPages();
    ED_REPORTNUM->setText(FromModel(browser_->CounterText()));
    const utilities::SchemaSideView views[2] = {browser_->Left(), browser_->Right()};
    for (int s = 0; s < 2; ++s) {
        const utilities::SchemaSideView& v = views[s];
        for (QLineEdit* e : {ED_CLASSSRV[s], ED_ATTRSRV[s], ED_SYNTAXSRV[s], ED_DEFSRV[s]})
            e->setText(FromModel(v.server));
        FillList(LB_CLASSES[s], v.classes);
        FillList(LB_ATTRS[s], v.attributes);
        FillList(LB_SYNTAX[s], v.syntaxes);
        LBL_CLASSES[s]->setText(QStringLiteral("Total : ") + QString::number(v.classes.size()));
        LBL_ATTRS[s]->setText(QStringLiteral("Total : ") + QString::number(v.attributes.size()));
        LBL_SYNTAX[s]->setText(QStringLiteral("Total : ") + QString::number(v.syntaxes.size()));
        TV_DEFS[s]->blockSignals(true);
        const utilities::DefinitionNode roots[2] = {
            utilities::BuildDefinitionTree("Classes", *v.classLines),
            utilities::BuildDefinitionTree("Attributes", *v.attrLines)};
        for (const utilities::DefinitionNode& root : roots) {
            auto* top = new QTreeWidgetItem(TV_DEFS[s], {FromModel(root.text)});
            for (const auto& name : root.children) {
                auto* n = new QTreeWidgetItem(top, {FromModel(name.text)});
                for (const auto& rule : name.children) {
                    auto* r = new QTreeWidgetItem(n, {FromModel(rule.text)});
                    for (const auto& diff : rule.children)
                        new QTreeWidgetItem(r, {FromModel(diff.text)});
                }
            }
        }
        TV_DEFS[s]->blockSignals(false);
        LBL_DEFS[s]->clear();
    }
}

void TFM_SCHRPT::SpinButton1UpClick() {
    if (browser_ && browser_->SpinUp())
        ShowCurrent();
}

void TFM_SCHRPT::SpinButton1DownClick() {
    if (browser_ && browser_->SpinDown())
        ShowCurrent();
}

void TFM_SCHRPT::TreeNodeSelected(int side, QTreeWidgetItem* item) {
    if (!item)
        return;
    int depth = 0;
    for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
        ++depth;
    utilities::DefinitionNode node{ToModel(item->text(0)), {}};
    node.children.resize(static_cast<std::size_t>(item->childCount()));
    LBL_DEFS[side]->setText(FromModel(utilities::DefinitionLabel(depth, node)));
}

void TFM_SCHRPT::BuildPrintText() {
    QString text;
    if (browser_)
        for (const std::string& line : browser_->PrintLines())
            text += FromModel(line) + QLatin1Char('\n');
    RE_PRINT->setPlainText(text);
}

void TFM_SCHRPT::BTN_PRINTClick() {
    BuildPrintText();
    PrintTextBox(this, RE_PRINT, images_);
}

// ---------------------------------------------------------------- the commands

void SetSchemaCompareHooks(SchemaCompareHooks hooks) {
    Hooks() = std::move(hooks);
}

void CompareServerSchema(QWidget* parent, const ImageList& images, Interaction& ui,
                         const std::vector<std::string>& offered) {
    using namespace utilities;
    const Census census =
        Hooks().census ? Hooks().census : ProcessCensus(std::string(kSchemaMarker));
    // Held from the first run to the reading of the reports.
    WorkingFolderLock lock;
    if (!SchemaRunsIdle(census, ui, &lock))
        return;
    TFM_SCHEMACFG config(images, parent);
    config.SetAvailable(offered);
    if (config.exec() != QDialog::Accepted)
        return;
    const std::vector<std::string> chosen = SortServers(config.Chosen());
    if (!EnoughServers(chosen.size(), ui))
        return;
    DeleteOldSchemaReports(".");
    TFM_WAIT wait(BuildSchemaCommands(chosen), census, Hooks().start, parent);
    InterpreterLogWatch log;
    log.Mark();
    wait.exec();
    for (const std::string& problem : SchemaRunProblems(wait.Logic(), log))
        ui.Warning(problem);
    if (!wait.Completed())
        return;
    TFM_SCHRPT report(images, ui, parent);
    report.SetResults(&wait.Logic().Results(), chosen);
    report.exec();
}

void CompareServerSchema(Workspace& app, bool fromList,
                         const std::vector<std::string>& serverList) {
    std::vector<std::string> offered = serverList;
    if (!fromList) {
        TMDIChild* child = app.ActiveChild();
        if (!child)
            return;
        offered.clear();
        for (const TableItem& item : child->Design().servers)
            offered.push_back(item.name);
    }
    CompareServerSchema(app.MainWindow(), app.Images(), app.Ui(), offered);
}

void CompareSchemaOfSelectedServer(Workspace& app) {
    TMDIChild* child = app.ActiveChild();
    if (!child)
        return;
    ObjectNode* node = child->SelectedNode();
    if (!node)
        return;
    std::vector<std::string> list =
        utilities::DistributionListOrNotice(child->Design(), node->Name(), app.Ui());
    if (list.empty())
        return;
    CompareServerSchema(app, true, list);
}

} // namespace qv::gui
