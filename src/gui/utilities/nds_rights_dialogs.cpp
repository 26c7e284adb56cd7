#include "gui/utilities/nds_rights_dialogs.h"

#include "core/entries.h"
#include "core/tree_design.h"
#include "gui/core/dialogs.h"
#include "gui/core/image_list.h"
#include "gui/core/mdi_child.h"
#include "gui/core/named.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/qt_hosts.h"
#include "gui/core/qt_text.h"
#include "gui/core/tree_models.h"
#include "gui/core/workspace.h"
#include "gui/print/print_commands.h"
#include "gui/utilities/nds_rights_widgets.h"
#include "gui/utilities/rights_run.h"
#include "utilities/rights_wait.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace qv::gui {

namespace nds_rights {

QString Q(std::string_view s) {
    return FromModel(s);
}

long long ItemClass(std::string_view row) {
    const std::size_t star = row.find('*');
    return LeafClassIndex(star == std::string_view::npos ? row : row.substr(star + 1));
}

QListWidgetItem* MakeItem(const ImageList& images, const std::string& row) {
    auto* item =
        new QListWidgetItem(QIcon(images.ClassIcon(ItemClass(row))), Q(utilities::ItemName(row)));
    item->setData(kRowTextRole, Q(row));
    return item;
}

QHeaderView* MakeHeader(QWidget* parent, const QString& first, const QString& second) {
    auto* model = new QStandardItemModel(0, 2, parent);
    model->setHorizontalHeaderLabels({first, second});
    auto* header = new QHeaderView(Qt::Horizontal, parent);
    header->setObjectName(QStringLiteral("HeaderControl1"));
    header->setModel(model);
    header->setSectionsClickable(false);
    header->setStretchLastSection(true);
    // One row of captions: the header never takes the lists' height.
    header->setFixedHeight(header->sizeHint().height());
    return header;
}

} // namespace nds_rights

using namespace nds_rights;

namespace {

// The chain below the root holds at most this many levels.
constexpr std::size_t kMaxChain = 19;

QCheckBox* Mark(QWidget* parent, const char* label, int index) {
    auto* mark = new QCheckBox(QString::fromLatin1(label), parent);
    mark->setObjectName(QStringLiteral("CB_MARK%1").arg(index + 1));
    mark->setChecked(true);
    mark->setEnabled(false);
    mark->setFocusPolicy(Qt::NoFocus);
    mark->setAttribute(Qt::WA_TransparentForMouseEvents);
    return mark;
}

QLineEdit* Field(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    return edit;
}

} // namespace

// ---------------------------------------------------------------- TFRM_SELECTED

TFRM_SELECTED::TFRM_SELECTED(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFRM_SELECTED"));
    setWindowTitle(QStringLiteral("Selected Property Rights"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Object that has rights :"), this), 0, 0);
    Edit3 = Field(this, "Edit3");
    grid->addWidget(Edit3, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Selected Properties:"), this), 1, 0);
    ListBox1 = MakeNamed<QListWidget>(this, "ListBox1");
    grid->addWidget(ListBox1, 2, 0, 3, 1);
    Edit1 = Field(this, "Edit1");
    grid->addWidget(Edit1, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Equivalences :"), this), 2, 1);
    ListBox2 = MakeNamed<QListWidget>(this, "ListBox2");
    grid->addWidget(ListBox2, 3, 1);
    Edit2 = Field(this, "Edit2");
    grid->addWidget(Edit2, 4, 1);
    auto* box = new QGroupBox(QStringLiteral("Property Rights:"), this);
    auto* marks = new QVBoxLayout(box);
    int i = 0;
    for (const utilities::RightsMark& m : utilities::RightsMarks())
        if (m.property) {
            CB_MARKS[static_cast<std::size_t>(i)] = Mark(box, m.label, i);
            marks->addWidget(CB_MARKS[static_cast<std::size_t>(i)]);
            ++i;
        }
    grid->addWidget(box, 2, 2, 3, 1);
    PrintOkRow buttons = MakePrintOkRow(this);
    BTN_PRINT = buttons.print;
    BTN_OK = buttons.ok;
    grid->addLayout(buttons.row, 5, 0, 1, 3);
    resize(560, 360);
    connect(BTN_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BTN_PRINT, &QPushButton::clicked, this, &TFRM_SELECTED::BTN_PRINTClick);
    connect(ListBox1, &QListWidget::currentRowChanged, this, &TFRM_SELECTED::ListBox1Click);
    connect(ListBox2, &QListWidget::currentRowChanged, this, &TFRM_SELECTED::ListBox2Click);
}

void TFRM_SELECTED::SetProperties(const std::vector<utilities::PropertyRights>* properties,
                                  const QString& object) {
    properties_ = properties;
    Edit3->setText(object);
}

void TFRM_SELECTED::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    {
        QSignalBlocker block(ListBox1);
        ListBox1->clear();
        if (properties_)
            for (const utilities::PropertyRights& p : *properties_)
                ListBox1->addItem(Q(p.name));
        ListBox1->setCurrentRow(ListBox1->count() > 0 ? 0 : -1);
    }
    ListBox1Click();
}

void TFRM_SELECTED::ListBox1Click() {
    for (QCheckBox* m : CB_MARKS)
        m->setEnabled(false);
    QSignalBlocker block(ListBox2);
    ListBox2->clear();
    Edit2->clear();
    const int row = ListBox1->currentRow();
    if (!properties_ || row < 0 || static_cast<std::size_t>(row) >= properties_->size()) {
        Edit1->clear();
        return;
    }
    const utilities::PropertyRights& p = (*properties_)[static_cast<std::size_t>(row)];
    Edit1->setText(Q(p.name));
    for (const std::string& r : utilities::PropertyRows(p))
        ListBox2->addItem(Q(r));
    ListBox2->setCurrentRow(0);
    block.unblock();
    ListBox2Click();
}

void TFRM_SELECTED::ListBox2Click() {
    for (QCheckBox* m : CB_MARKS)
        m->setEnabled(false);
    const int prop = ListBox1->currentRow();
    const int row = ListBox2->currentRow();
    if (!properties_ || prop < 0 || static_cast<std::size_t>(prop) >= properties_->size() ||
        row < 0)
        return;
    const utilities::PropertyRights& p = (*properties_)[static_cast<std::size_t>(prop)];
    Edit2->setText(ListBox2->item(row)->text());
    const std::uint8_t bits = utilities::PropertyRowRights(p, static_cast<std::size_t>(row));
    int i = 0;
    for (const utilities::RightsMark& m : utilities::RightsMarks())
        if (m.property)
            CB_MARKS[static_cast<std::size_t>(i++)]->setEnabled((bits & m.bit) != 0);
}

std::array<bool, 5> TFRM_SELECTED::Marks() const {
    std::array<bool, 5> out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = CB_MARKS[i]->isEnabled();
    return out;
}

void TFRM_SELECTED::BTN_PRINTClick() {
    PrintFormWithout(this, {BTN_OK, BTN_PRINT});
}

// ---------------------------------------------------------------- TFRM_DISPLAYRIGHTS

TFRM_DISPLAYRIGHTS::TFRM_DISPLAYRIGHTS(const ImageList& images, QWidget* parent)
    : QDialog(parent), images_(images) {
    setObjectName(QStringLiteral("TFRM_DISPLAYRIGHTS"));
    setWindowTitle(QStringLiteral("NDS Rights Report"));
    auto* layout = new QVBoxLayout(this);
    PageControl1 = MakeNamed<QTabWidget>(this, "PageControl1");
    layout->addWidget(PageControl1, 1);

    // Page 1: two lists under a two-section header, a splitter panel between them.
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    HeaderControl1 = MakeHeader(TabSheet1, QString(), QString());
    HeaderControl1->setStretchLastSection(false);
    ListBox1 = MakeNamed<QListWidget>(TabSheet1, "ListBox1");
    Panel1 = MakeNamed<QFrame>(TabSheet1, "Panel1");
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setCursor(Qt::SplitHCursor);
    Panel1->installEventFilter(this);
    ListBox2 = MakeNamed<QListWidget>(TabSheet1, "ListBox2");
    PageControl1->addTab(TabSheet1, QStringLiteral("Selected Objects"));

    // Page 2: the hierarchy, the rows and the ten marks.
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    auto* grid = new QGridLayout(TabSheet2);
    TreeView1 = MakeNamed<QTreeWidget>(TabSheet2, "TreeView1");
    TreeView1->setHeaderHidden(true);
    // Node pictures are the state image in front of the class icon.
    TreeView1->setIconSize(QSize(2 * ImageList::kIconSize + 2, ImageList::kIconSize));
    grid->addWidget(TreeView1, 0, 0, 6, 1);
    grid->addWidget(new QLabel(QStringLiteral("Object that has the rights :"), TabSheet2), 0, 1, 1,
                    2);
    Edit1 = Field(TabSheet2, "Edit1");
    grid->addWidget(Edit1, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Filters and Equivalences:"), TabSheet2), 2, 1, 1, 2);
    ListBox3 = MakeNamed<QListWidget>(TabSheet2, "ListBox3");
    grid->addWidget(ListBox3, 3, 1, 1, 2);
    Edit2 = Field(TabSheet2, "Edit2");
    grid->addWidget(Edit2, 4, 1, 1, 2);
    auto* objectBox = new QGroupBox(QStringLiteral("Object Rights:"), TabSheet2);
    auto* propertyBox = new QGroupBox(QStringLiteral("Property Rights:"), TabSheet2);
    auto* objectMarks = new QVBoxLayout(objectBox);
    auto* propertyMarks = new QVBoxLayout(propertyBox);
    int i = 0;
    for (const utilities::RightsMark& m : utilities::RightsMarks()) {
        QCheckBox* mark = Mark(m.property ? propertyBox : objectBox, m.label, i);
        (m.property ? propertyMarks : objectMarks)->addWidget(mark);
        CB_MARKS[static_cast<std::size_t>(i++)] = mark;
    }
    grid->addWidget(objectBox, 5, 1);
    grid->addWidget(propertyBox, 5, 2);
    BTN_SELECTED = MakeNamed<QPushButton>(TabSheet2, "BTN_SELECTED",
                                          QStringLiteral("Selected Property Rights"));
    BTN_SELECTED->setToolTip(QStringLiteral("Only the Leaf-most object's rights will be shown."));
    grid->addWidget(BTN_SELECTED, 6, 1, 1, 2);
    grid->setColumnStretch(0, 1);
    PageControl1->addTab(TabSheet2, QStringLiteral("NDS Rights"));

    PrintOkRow buttons = MakePrintOkRow(this);
    BTN_PRINT = buttons.print;
    BTN_OK = buttons.ok;
    layout->addLayout(buttons.row);
    Selected = new TFRM_SELECTED(this);
    resize(640, 440);

    connect(BTN_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BTN_PRINT, &QPushButton::clicked, this, &TFRM_DISPLAYRIGHTS::BTN_PRINTClick);
    connect(BTN_SELECTED, &QPushButton::clicked, this, &TFRM_DISPLAYRIGHTS::BTN_SELECTEDClick);
    connect(PageControl1, &QTabWidget::currentChanged, this,
            &TFRM_DISPLAYRIGHTS::PageControl1Change);
    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
            &TFRM_DISPLAYRIGHTS::TreeView1Change);
    connect(ListBox3, &QListWidget::currentRowChanged, this, &TFRM_DISPLAYRIGHTS::ListBox3Click);

    // The hierarchy always holds the root.
    auto* root = new QTreeWidgetItem(TreeView1);
    root->setText(0, QStringLiteral("[ROOT]"));
    root->setIcon(0, QIcon(images_.ClassIcon(0)));
}

TFRM_DISPLAYRIGHTS& TFRM_DISPLAYRIGHTS::Instance(const ImageList& images, QWidget* parent) {
    return OneInstance<TFRM_DISPLAYRIGHTS>(images, parent);
}

void TFRM_DISPLAYRIGHTS::SetHeader(const std::string& designContext,
                                   const std::string& containerContext,
                                   std::vector<ChainLevel> chain) {
    auto* model = static_cast<QStandardItemModel*>(HeaderControl1->model());
    model->setHorizontalHeaderLabels({Q(designContext), Q(containerContext)});
    chain_ = std::move(chain);
}

void TFRM_DISPLAYRIGHTS::SetLists(const std::vector<std::string>& sourceRows,
                                  const std::vector<std::string>& targetRows) {
    ListBox1->clear();
    ListBox2->clear();
    for (const std::string& row : sourceRows)
        ListBox1->addItem(MakeItem(images_, row));
    for (const std::string& row : targetRows)
        ListBox2->addItem(MakeItem(images_, row));
}

void TFRM_DISPLAYRIGHTS::SetSources(std::vector<utilities::SourceRights> sources) {
    sources_ = std::move(sources);
    trustee_ = nullptr;
}

void TFRM_DISPLAYRIGHTS::Clear() {
    trustee_ = nullptr;
    haveRows_ = false;
    sources_.clear();
    ListBox1->clear();
    ListBox2->clear();
    ListBox3->clear();
}

void TFRM_DISPLAYRIGHTS::LayoutFirstPage() {
    const int w = TabSheet1->width();
    const int h = TabSheet1->height();
    const int headerHeight = HeaderControl1->sizeHint().height();
    const int panelWidth = 5;
    leftWidth_ = std::clamp(leftWidth_, 15, std::max(15, w - panelWidth - 15));
    HeaderControl1->setGeometry(0, 0, w, headerHeight);
    ListBox1->setGeometry(0, headerHeight, leftWidth_, h - headerHeight);
    Panel1->setGeometry(leftWidth_, headerHeight, panelWidth, h - headerHeight);
    ListBox2->setGeometry(leftWidth_ + panelWidth, headerHeight,
                          std::max(0, w - leftWidth_ - panelWidth), h - headerHeight);
    HeaderControl1->resizeSection(0, ListBox1->width() + Panel1->width() / 2);
    HeaderControl1->resizeSection(1, std::max(0, w - HeaderControl1->sectionSize(0)));
}

void TFRM_DISPLAYRIGHTS::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutFirstPage();
}

void TFRM_DISPLAYRIGHTS::MoveSplitter(int offset) {
    const int position = Panel1->x() + offset;
    if (position < 15 || position > width() - 15)
        return;
    leftWidth_ = ListBox1->width() + offset;
    LayoutFirstPage();
}

bool TFRM_DISPLAYRIGHTS::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel1) {
        if (event->type() == QEvent::MouseButtonPress)
            pressX_ = static_cast<QMouseEvent*>(event)->position().toPoint().x();
        else if (event->type() == QEvent::MouseButtonRelease)
            MoveSplitter(static_cast<QMouseEvent*>(event)->position().toPoint().x() - pressX_);
    }
    return QDialog::eventFilter(watched, event);
}

void TFRM_DISPLAYRIGHTS::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    {
        QSignalBlocker block(PageControl1);
        PageControl1->setCurrentIndex(0);
    }
    TabSheet2->setEnabled(true);
    if (leftWidth_ <= 15 || leftWidth_ >= TabSheet1->width() - 20)
        leftWidth_ = TabSheet1->width() / 2;
    LayoutFirstPage();
    if (ListBox1->count() > 0)
        ListBox1->setCurrentRow(0);
    if (ListBox2->count() > 0)
        ListBox2->setCurrentRow(0);
    BTN_PRINT->hide();
    BuildChain();
}

void TFRM_DISPLAYRIGHTS::BuildChain() {
    QSignalBlocker block(TreeView1);
    QTreeWidgetItem* root = TreeView1->topLevelItem(0);
    qDeleteAll(root->takeChildren());
    QTreeWidgetItem* parent = root;
    for (std::size_t i = 0; i < chain_.size() && i < kMaxChain; ++i) {
        auto* node = new QTreeWidgetItem(parent);
        node->setText(0, Q(chain_[i].name));
        node->setIcon(0, QIcon(images_.NodePicture(chain_[i].classIndex, chain_[i].partitionRoot)));
        parent = node;
    }
    deepest_ = parent;
}

std::string TFRM_DISPLAYRIGHTS::NodeContext(const QTreeWidgetItem* item) const {
    if (!item)
        return {};
    if (!item->parent())
        return "[ROOT]";
    std::string ctx;
    for (const QTreeWidgetItem* n = item; n && n->parent(); n = n->parent()) {
        if (!ctx.empty())
            ctx += '.';
        ctx += ToModel(n->text(0));
    }
    return ctx;
}

void TFRM_DISPLAYRIGHTS::PageControl1Change(int page) {
    if (page != 1) {
        BTN_PRINT->hide();
        return;
    }
    BTN_PRINT->show();
    QListWidgetItem* target = ListBox2->currentItem();
    QListWidgetItem* source = ListBox1->currentItem();
    QTreeWidgetItem* node = nullptr;
    {
        QSignalBlocker block(TreeView1);
        if (deepest_) {
            qDeleteAll(deepest_->takeChildren());
            if (target) {
                node = new QTreeWidgetItem(deepest_);
                node->setText(0, target->text());
                node->setIcon(0, QIcon(images_.ClassIcon(
                                     ItemClass(ToModel(target->data(kRowTextRole).toString())))));
                TreeView1->expandAll();
                TreeView1->setCurrentItem(node);
            }
        }
    }
    const QString header = HeaderControl1->model()->headerData(0, Qt::Horizontal).toString();
    const QString sourceName = source ? source->text() : QString();
    Edit1->setText(header == QStringLiteral("[ROOT]") ? sourceName
                                                      : header + QLatin1Char('.') + sourceName);
    trustee_ = nullptr;
    const int s = utilities::FindSource(sources_, ToModel(sourceName));
    const std::string targetName = NodeContext(node);
    if (s >= 0)
        trustee_ = utilities::FindTrustee(sources_[static_cast<std::size_t>(s)], targetName);
    if (!trustee_) {
        ListBox3->clear();
        for (QCheckBox* m : CB_MARKS)
            m->setEnabled(false);
        TabSheet2->setEnabled(false);
        BTN_PRINT->hide();
        const bool noList = s < 0 || !sources_[static_cast<std::size_t>(s)].hasTrustees;
        QtInteraction(this).Information(noList ? utilities::NoReportsText(ToModel(Edit1->text()))
                                               : utilities::ReportFailedText(targetName));
        return;
    }
    TabSheet2->setEnabled(true);
    BTN_SELECTED->setEnabled(!trustee_->properties.empty());
    BuildRows();
}

void TFRM_DISPLAYRIGHTS::TreeView1Change() {
    BuildRows();
}

void TFRM_DISPLAYRIGHTS::BuildRows() {
    QSignalBlocker block(ListBox3);
    ListBox3->clear();
    haveRows_ = false;
    std::vector<std::string> chain;
    for (QTreeWidgetItem* n = TreeView1->currentItem(); n; n = n->parent())
        chain.push_back(NodeContext(n));
    if (trustee_) {
        if (std::optional<utilities::PathEntry> entry =
                utilities::PathEntryForNode(*trustee_, chain)) {
            rows_ = std::move(*entry);
            haveRows_ = true;
            for (const std::string& row : utilities::RightsRows(rows_))
                ListBox3->addItem(Q(row));
            ListBox3->setCurrentRow(0);
        }
    }
    block.unblock();
    ListBox3Click();
}

void TFRM_DISPLAYRIGHTS::ListBox3Click() {
    for (QCheckBox* m : CB_MARKS)
        m->setEnabled(false);
    const int row = ListBox3->currentRow();
    if (!haveRows_ || row < 0) {
        Edit2->clear();
        return;
    }
    Edit2->setText(ListBox3->item(row)->text());
    auto [object, property] = utilities::RowRights(rows_, static_cast<std::size_t>(row));
    const auto& marks = utilities::RightsMarks();
    for (std::size_t i = 0; i < marks.size(); ++i)
        CB_MARKS[i]->setEnabled(((marks[i].property ? property : object) & marks[i].bit) != 0);
}

std::array<bool, 10> TFRM_DISPLAYRIGHTS::Marks() const {
    std::array<bool, 10> out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = CB_MARKS[i]->isEnabled();
    return out;
}

void TFRM_DISPLAYRIGHTS::BTN_SELECTEDClick() {
    if (!trustee_)
        return;
    Selected->SetProperties(&trustee_->properties, Edit1->text());
    Selected->exec();
}

void TFRM_DISPLAYRIGHTS::BTN_PRINTClick() {
    PrintFormWithout(this, {BTN_OK, BTN_PRINT, BTN_SELECTED});
}

// ---------------------------------------------------------------- the command

void NDSRights(TMDIChild& child) {
    Workspace& app = child.App();
    // Held from the batch file to the reading of the reports.
    utilities::WorkingFolderLock lock;
    std::string context;
    if (!BeginRightsCommand(child, lock, context))
        return;
    TreeDesign& design = child.Design();
    ObjectNode* node = child.SelectedNode();

    // The selected leaf objects in list order.
    const std::vector<std::string> rows = child.Tree().SelectedLeafRows();

    TFRM_DSRIGHTS& chooser = TFRM_DSRIGHTS::Instance(app.Images(), app.MainWindow());
    chooser.Prepare(design, node ? node : design.Root(), context, rows);
    if (chooser.exec() != QDialog::Accepted || chooser.LinesWritten() == 0)
        return;
    const std::size_t n = chooser.LinesWritten();

    utilities::DeleteReportFiles(".", utilities::kRightsReportPrefix);
    if (!RunRightsBatch(app, utilities::kRightsBatchFile, "DSRIGHTS"))
        return;

    std::vector<utilities::SourceRights> sources = chooser.TakeSources();
    const std::string parseContext = context == "[ROOT]" ? std::string() : context;
    if (!ReadRightsReports(
            app, n, [](std::size_t i) { return utilities::RightsReportName(static_cast<int>(i)); },
            [&](const std::string& name) {
                return utilities::ParseNDSRightsReport(name, parseContext, sources);
            }))
        return;
    TFRM_DISPLAYRIGHTS& display = TFRM_DISPLAYRIGHTS::Instance(app.Images(), app.MainWindow());
    display.SetHeader(context, chooser.ContainerContext(), chooser.Chain());
    display.SetLists(chooser.SourceRows(), chooser.TargetRows());
    display.SetSources(std::move(sources));
    display.exec();
    display.Clear();
}

} // namespace qv::gui