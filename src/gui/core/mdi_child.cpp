#include "gui/core/mdi_child.h"

#include "core/class_table.h"
#include "edit/object_operations.h"
#include "edit/object_sorting.h"
#include "edit/partition_operations.h"
#include "edit/server_addresses.h"
#include "files/design_file.h"
#include "gui/core/dialogs.h"
#include "gui/core/mdi_app.h"
#include "gui/core/qt_text.h"
#include "gui/core/tree_models.h"
#include "gui/edit/address_dialogs.h"
#include "gui/edit/edit_dialogs.h"
#include "gui/reports/class_chooser_dlg.h"
#include "gui/reports/display_objs_dlg.h"
#include "gui/reports/grid_model.h"
#include "gui/reports/replica_report_dlg.h"
#include "reports/delimited_export.h"
#include "reports/individual_reports.h"
#include "reports/leaf_commands.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace qv::gui {

namespace {

constexpr int kSplitterWidth = 5;

QTextEdit* MakeReportBox(QWidget* parent, const char* name) {
    auto* box = new QTextEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setLineWrapMode(QTextEdit::NoWrap);
    box->setAcceptRichText(false);
    box->setFont(ReportFont(8));
    return box;
}

// The texts of the Reports and Warnings/Suggestions pages: the fixed font at
// 13 pixels; only the object report wraps its lines.
QTextEdit* MakePageBox(QWidget* parent, const char* name) {
    QTextEdit* box = MakeReportBox(parent, name);
    QFont f = box->font();
    f.setPixelSize(13);
    box->setFont(f);
    if (QLatin1String(name) == QLatin1String("RE_OBJRPT"))
        box->setLineWrapMode(QTextEdit::WidgetWidth);
    return box;
}

QTableView* MakeGrid(QWidget* parent, const char* name, TextGridModel* model, int rowHeight) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(QLatin1String(name));
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    grid->setFont(QFont(grid->font().family(), 8));
    return grid;
}

QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* caption, bool checked) {
    auto* rb = new QRadioButton(QString::fromLatin1(caption), parent);
    rb->setObjectName(QLatin1String(name));
    rb->setChecked(checked);
    return rb;
}

QPushButton* MakeAbort(QWidget* parent, const char* name, bool withHint, bool enabled) {
    auto* b = new QPushButton(QStringLiteral("Abort"), parent);
    b->setObjectName(QLatin1String(name));
    if (withHint)
        b->setToolTip(QStringLiteral("Abort Report..."));
    b->setEnabled(enabled);
    return b;
}

} // namespace

// ---------------------------------------------------------------- panels

StatusPanel::StatusPanel(const QString& name, QWidget* parent) : QFrame(parent) {
    setObjectName(name);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    caption_ = new QLabel(this);
    caption_->setObjectName(name + QStringLiteral("_Caption"));
    caption_->setTextFormat(Qt::PlainText);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->addWidget(caption_);
    setMinimumHeight(22);
}

void StatusPanel::SetCaption(const QString& text) {
    caption_->setText(text);
}
QString StatusPanel::Caption() const {
    return caption_->text();
}

SplitPanel::SplitPanel(const QString& name, QWidget* parent) : QFrame(parent) {
    setObjectName(name);
    setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
}

void SplitPanel::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_ && !cursorShown_) {
        setCursor(Qt::SplitHCursor);
        cursorShown_ = true;
    }
    QFrame::mouseMoveEvent(e);
}

void SplitPanel::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && cursorShown_) {
        dragging_ = true;
        startX_ = static_cast<int>(e->globalPosition().x());
    }
}

void SplitPanel::mouseReleaseEvent(QMouseEvent* e) {
    if (dragging_ && e->button() == Qt::LeftButton) {
        dragging_ = false;
        emit Dragged(static_cast<int>(e->globalPosition().x()) - startX_);
    }
}

void SplitPanel::leaveEvent(QEvent* e) {
    if (!dragging_) {
        unsetCursor();
        cursorShown_ = false;
    }
    QFrame::leaveEvent(e);
}

// ---------------------------------------------------------------- busy scope

TMDIChild::BusyScope::BusyScope(TMDIChild& child, bool freezeTree) : child_(child) {
    if (child_.busy_++ == 0) {
        child_.pages_->tabBar()->setEnabled(false);
        child_.treeBody_->setEnabled(false);
        child_.app_->SetBusy(true);
    }
    if (freezeTree && !child_.frozen_) {
        child_.frozen_ = true;
        child_.selected_ = nullptr;
        child_.treeModel_->Freeze();
    }
}

TMDIChild::BusyScope::~BusyScope() {
    if (--child_.busy_ == 0)
        child_.EndBusy();
}

void TMDIChild::EndBusy() {
    FlushProgressTexts();
    pages_->tabBar()->setEnabled(true);
    treeBody_->setEnabled(true);
    app_->SetBusy(false);
    if (frozen_) {
        frozen_ = false;
        treeModel_->Unfreeze();
        RestoreExpansion();
        SyncTreeModel();
    }
    if (pendingRefresh_ && !freed_) {
        pendingRefresh_ = false;
        RefreshTreePage();
    }
}

// ---------------------------------------------------------------- creation

TMDIChild::TMDIChild(TMDIApp* app) : app_(app) {
    setObjectName(QStringLiteral("TMDIChild"));
    setAttribute(Qt::WA_DeleteOnClose);
    design_.SetHosts(this, &app_->Ui(), this);
    // The window's initial tree: "[ROOT]" > "ORGANIZATION" > "SERVER".
    design_.ResetToInitialTree();

    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);

    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QTabWidget(content);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(pages_);
    struct PageDef {
        const char* name;
        const char* caption;
        void (TMDIChild::*build)(QWidget*);
    };
    const PageDef defs[] = {
        {"TAB_TREEVIEW", "Tree View", &TMDIChild::BuildTreePage},
        {"TAB_GRIDVIEW", "Partition Grid View", &TMDIChild::BuildGridPage},
        {"TAB_OBJVIEW", "Object Grid View", &TMDIChild::BuildObjGridPage},
        {"TAB_REPORTS", "Reports", &TMDIChild::BuildReportsPage},
        {"TAB_SUGGESTIONS", "Warnings/Suggestions", &TMDIChild::BuildSuggestionsPage},
    };
    for (const PageDef& d : defs) {
        auto* page = new QWidget(pages_);
        page->setObjectName(QLatin1String(d.name));
        (this->*d.build)(page);
        pages_->addTab(page, QString::fromLatin1(d.caption));
    }
    BuildPopupMenus();
    setWidget(content);
    connect(pages_, &QTabWidget::currentChanged, this, &TMDIChild::PageControl1Change);

    // The root node is selected at creation.
    SelectNode(design_.Root());
}

TMDIChild::~TMDIChild() {
    // The models refer to the design; let the views go first.
    treeView_->setModel(nullptr);
    leafList_->setModel(nullptr);
    replicaList_->setModel(nullptr);
}

void TMDIChild::BuildTreePage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    header_ = new QHeaderView(Qt::Horizontal, page);
    header_->setObjectName(QStringLiteral("HeaderControl1"));
    headerModel_ = new QStandardItemModel(0, 3, header_);
    headerModel_->setHorizontalHeaderLabels({QStringLiteral("Tree"),
                                             QStringLiteral("Subordinate Objects"),
                                             QStringLiteral("Replicas/Partitions")});
    header_->setModel(headerModel_);
    header_->setSectionsClickable(false);
    header_->setSectionResizeMode(QHeaderView::Fixed);
    header_->setStretchLastSection(false);
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header_->setFixedHeight(20);
    header_->resizeSection(0, 240);
    header_->resizeSection(1, 170);
    header_->resizeSection(2, 10000);
    layout->addWidget(header_);

    treeBody_ = new QWidget(page);
    treeBody_->setObjectName(QStringLiteral("TreeBody"));
    treeBody_->installEventFilter(this);
    layout->addWidget(treeBody_, 1);

    const ImageList& images = app_->Images();
    treeModel_ = std::make_unique<TreeModel>(design_, images);
    auto* tree = new DesignTreeView(treeBody_);
    tree->canStart = [](ObjectNode* n) { return CanStartDrag(n); };
    tree->accepts = [](ObjectNode* dragged, ObjectNode* target) {
        return DropAccepted(dragged, target);
    };
    tree->drop = [this](ObjectNode* dragged, ObjectNode* target) {
        // After the drag has ended: the drop may ask questions.
        QTimer::singleShot(0, this, [this, dragged, target, version = design_.TreeVersion()] {
            if (frozen_ || version != design_.TreeVersion())
                return;
            BusyScope busy(*this, true);
            DropObject(design_, dragged, target);
        });
    };
    treeView_ = tree;
    treeView_->setObjectName(QStringLiteral("TreeView1"));
    treeView_->setModel(treeModel_.get());
    treeView_->setHeaderHidden(true);
    treeView_->setIndentation(19);
    treeView_->setRootIsDecorated(false);
    treeView_->setItemsExpandable(true);
    // No expand buttons: a double click or the keyboard opens a node.
    treeView_->setStyleSheet(
        QStringLiteral("QTreeView::branch { image: none; border-image: none; }"));
    treeView_->setExpandsOnDoubleClick(true);
    treeView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeView_->setSelectionMode(QAbstractItemView::SingleSelection);
    treeView_->setIconSize(QSize(2 * ImageList::kIconSize + 2, ImageList::kIconSize));
    treeView_->setUniformRowHeights(true);
    treeView_->setContextMenuPolicy(Qt::CustomContextMenu);
    treeView_->installEventFilter(this);
    connect(treeView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { TreeSelectionChanged(); });
    connect(treeView_, &QTreeView::doubleClicked, this, [this] { TreeDoubleClicked(); });
    connect(treeView_, &QTreeView::expanded, this,
            [this](const QModelIndex& i) { NoteExpanded(i, true); });
    connect(treeView_, &QTreeView::collapsed, this,
            [this](const QModelIndex& i) { NoteExpanded(i, false); });
    connect(treeView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        QModelIndex at = treeView_->indexAt(p);
        if (at.isValid() && at != treeView_->currentIndex())
            treeView_->setCurrentIndex(at);
        UpdatePopupMenu1();
        popup1_->popup(treeView_->viewport()->mapToGlobal(p));
    });

    panel2_ = new SplitPanel(QStringLiteral("Panel2"), treeBody_);
    connect(panel2_, &SplitPanel::Dragged, this, &TMDIChild::Panel2Dragged);

    leafModel_ = std::make_unique<LeafListModel>();
    leafList_ = new QListView(treeBody_);
    leafList_->setObjectName(QStringLiteral("LB_LEAFOBJS"));
    leafList_->setModel(leafModel_.get());
    leafList_->setItemDelegate(new LeafRowDelegate(images, leafList_));
    leafList_->setUniformItemSizes(true);
    leafList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    leafList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    leafList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(leafList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        UpdatePopupMenu3();
        popup3_->popup(leafList_->viewport()->mapToGlobal(p));
    });

    panel1_ = new SplitPanel(QStringLiteral("Panel1"), treeBody_);
    connect(panel1_, &SplitPanel::Dragged, this, &TMDIChild::Panel1Dragged);

    replicaModel_ = std::make_unique<ReplicaListModel>();
    replicaList_ = new QListView(treeBody_);
    replicaList_->setObjectName(QStringLiteral("ListBox1"));
    replicaList_->setModel(replicaModel_.get());
    replicaList_->setItemDelegate(new ReplicaRowDelegate(images, replicaList_));
    replicaList_->setUniformItemSizes(true);
    replicaList_->setSelectionMode(QAbstractItemView::SingleSelection);
    replicaList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    replicaList_->setContextMenuPolicy(Qt::CustomContextMenu);
    replicaList_->installEventFilter(this);
    connect(replicaList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        QModelIndex at = replicaList_->indexAt(p);
        if (at.isValid())
            replicaList_->setCurrentIndex(at);
        UpdatePopupMenu2();
        popup2_->popup(replicaList_->viewport()->mapToGlobal(p));
    });

    pnlImport_ = new StatusPanel(QStringLiteral("PNL_IMPORT"), page);
    auto* panelLayout = static_cast<QHBoxLayout*>(pnlImport_->layout());
    label1_ = new QLabel(pnlImport_);
    label1_->setObjectName(QStringLiteral("Label1"));
    label2_ = new QLabel(pnlImport_);
    label2_->setObjectName(QStringLiteral("Label2"));
    label3_ = new QLabel(pnlImport_);
    label3_->setObjectName(QStringLiteral("Label3"));
    for (QLabel* l : {label1_, label2_, label3_}) {
        l->setTextFormat(Qt::PlainText);
        panelLayout->addSpacing(12);
        panelLayout->addWidget(l);
    }
    panelLayout->addStretch(1);
    logBox_ = MakeReportBox(pnlImport_, "RE_LOGFILE");
    logBox_->setFont(ReportFont(7));
    logBox_->hide();
    layout->addWidget(pnlImport_);

    UpdateHeader();
}

void TMDIChild::BuildGridPage(QWidget* page) {
    BuildGridViews(
        page, {{"RB_PARTXSERV", "RB_SERVXPART", "RB_SERVXADDR"},
               {"&Partition X Server View", "&Server X Partition View", "Server X &Address View"},
               "Label4",
               "ED_FONTSIZE",
               "UpDown1",
               "SB_SAVEDLM",
               {"Adv_PartCols", "Adv_ServCols", "Adv_AddrCols"},
               {&views_.partXServ, &views_.servXPart, &views_.servXAddr},
               24,
               "PNL_GRID",
               "BTN_CANCEL3",
               false});
}

void TMDIChild::BuildObjGridPage(QWidget* page) {
    BuildGridViews(
        page, {{"RB_PartObjView", "RB_ServObjView", "RB_CntObjView"},
               {"&Partition Object View   ", "&Server Object View", "&Container Object View"},
               "Label8",
               "ED_FONTSIZE2",
               "UpDown2",
               "SB_SAVEDLM2",
               {"Adv_ObjXPartCols", "Adv_ObjXServCols", "Adv_ObjXCntCols"},
               {&views_.objects.partitions, &views_.objects.servers, &views_.objects.containers},
               26,
               "Panel7",
               "BTN_CANCEL4",
               true});
}

void TMDIChild::BuildGridViews(QWidget* page, const GridPageParts& parts) {
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    std::array<QRadioButton*, 3> radios{};
    for (std::size_t i = 0; i < 3; ++i) {
        radios[i] = MakeRadio(page, parts.radios[i], parts.captions[i], i == 0);
        row->addWidget(radios[i]);
    }
    row->addStretch(1);
    auto* label = new QLabel(QStringLiteral("Print Font Size: "), page);
    label->setObjectName(QLatin1String(parts.label));
    auto* size = new QLineEdit(QStringLiteral("6"), page);
    size->setObjectName(QLatin1String(parts.fontSize));
    size->setReadOnly(true);
    size->setFixedWidth(28);
    auto* updown = new QSpinBox(page);
    updown->setObjectName(QLatin1String(parts.upDown));
    updown->setRange(3, 6);
    updown->setValue(6);
    updown->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    updown->setFixedWidth(18);
    connect(updown, &QSpinBox::valueChanged, size,
            [size](int v) { size->setText(QString::number(v)); });
    auto* save = new QToolButton(page);
    save->setObjectName(QLatin1String(parts.save));
    save->setText(QStringLiteral("Save"));
    save->setToolTip(QStringLiteral("Save to delimited file.."));
    connect(save, &QToolButton::clicked, this, [this] { SaveDelimitedCmd(); });
    // The print font size belongs to grid printing, which this version does not have.
    for (QWidget* w : std::initializer_list<QWidget*>{label, size, updown})
        w->hide();
    row->addWidget(label);
    row->addWidget(size);
    row->addWidget(updown);
    row->addSpacing(10);
    row->addWidget(save);
    row->addSpacing(25);
    layout->addLayout(row);
    std::array<QTableView*, 3> grids{};
    for (std::size_t i = 0; i < 3; ++i) {
        auto* model = new TextGridModel(*parts.data[i], this);
        gridModels_.push_back(model);
        grids[i] = MakeGrid(page, parts.grids[i], model, parts.rowHeight);
        grids[i]->setVisible(i == 0);
        layout->addWidget(grids[i], 1);
    }
    for (std::size_t i = 0; i < 3; ++i)
        connect(radios[i], &QRadioButton::clicked, this, [grids, i] {
            for (std::size_t j = 0; j < grids.size(); ++j)
                grids[j]->setVisible(j == i);
        });
    AddStatusRow(page, layout, parts.panel, parts.abort, parts.abortHint, false);
}

StatusPanel* TMDIChild::AddStatusRow(QWidget* page, QVBoxLayout* layout, const char* panelName,
                                     const char* abortName, bool withHint, bool enabled) {
    auto* bottom = new QHBoxLayout;
    auto* panel = new StatusPanel(QLatin1String(panelName), page);
    auto* abort = MakeAbort(page, abortName, withHint, enabled);
    bottom->addWidget(panel, 1);
    bottom->addWidget(abort);
    layout->addLayout(bottom);
    statusPanels_.push_back(panel);
    abortButtons_.push_back(abort);
    connect(abort, &QPushButton::clicked, this, &TMDIChild::AbortClick);
    return panel;
}

void TMDIChild::AddRadioBoxes(QWidget* page, QVBoxLayout* layout, QHBoxLayout* row,
                              const std::vector<RadioBox>& defs) {
    std::vector<QTextEdit*> boxes;
    bool first = true;
    for (const RadioBox& d : defs) {
        row->addWidget(MakeRadio(page, d.radio, d.caption, first));
        QTextEdit* box = MakePageBox(page, d.box);
        box->setVisible(first);
        boxes.push_back(box);
        first = false;
    }
    row->addStretch(1);
    layout->addLayout(row);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        layout->addWidget(boxes[i], 1);
        auto* rb = page->findChild<QRadioButton*>(QLatin1String(defs[i].radio));
        // Turning to another box rebuilds what it shows when that is stale.
        connect(rb, &QRadioButton::clicked, this, [this, boxes, i] {
            if (!boxes[i]->isHidden())
                return;
            for (std::size_t j = 0; j < boxes.size(); ++j)
                boxes[j]->setVisible(j == i);
            BuildPage(ActivePage());
        });
    }
}

void TMDIChild::BuildReportsPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    AddRadioBoxes(page, layout, row,
                  {
                      {"RB_PARTITION", "Report by &Partition", "RE_PARTRPT"},
                      {"RB_SERVER", "Report by &Server", "RE_SERVRPT"},
                      {"RB_PARTREL", "Partition &Relation Report", "RE_PARTRELRPT"},
                      {"RB_SchemaRpt", "Schema &Distribution List Report", "RE_SCHEMARPT"},
                      {"RB_OBJRPT", "&Object Report", "RE_OBJRPT"},
                  });
    StatusPanel* panel = AddStatusRow(page, layout, "PNL_REPORT", "BTN_CANCEL", true, true);
    auto* panelLayout = static_cast<QHBoxLayout*>(panel->layout());
    for (const char* name : {"Label5", "Label6", "Label7"}) {
        auto* l = new QLabel(panel);
        l->setObjectName(QLatin1String(name));
        panelLayout->addSpacing(12);
        panelLayout->addWidget(l);
        reportLabels_.push_back(l);
    }
    panelLayout->addStretch(1);
}

void TMDIChild::BuildSuggestionsPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    AddRadioBoxes(page, layout, row,
                  {
                      {"RB_SUGSERVER", "&Server Suggestions", "RE_SERVSUGG"},
                      {"RB_SUGPART", "&Partition Suggestions", "RE_PARTSUGG"},
                      {"RB_SUGOBJ", "&Object Suggestions", "RE_OBJSUGG"},
                  });
    AddStatusRow(page, layout, "PNL_SUGG", "BTN_CANCEL2", true, true);
}

void TMDIChild::BuildPopupMenus() {
    popup1_ = new QMenu(this);
    popup1_->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](QMenu* menu, const char* name, const char* caption,
                      std::function<void()> command) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [command] { command(); });
        return a;
    };
    auto na = [this] { NotAvailable(); };
    add(popup1_, "CreateObject1", "&Create Object", [this] { CreateObjectCmd(); });
    add(popup1_, "DeleteObject1", "&Delete Object", [this] { DeleteObjectCmd(); });
    add(popup1_, "RenameObject1", "&Rename Object", [this] { RenameObjectCmd(); });
    add(popup1_, "ExpandObject1", "E&xpand Object", [this] { ExpandObject(SelectedNode()); });
    add(popup1_, "CollapseObject1", "C&ollapse Object", [this] { CollapseObject(SelectedNode()); });
    popup1_->addSeparator();
    add(popup1_, "CreatePartition1", "Create &Partition", [this] { CreatePartitionCmd(); });
    add(popup1_, "MergePartition1", "M&erge Partition", [this] { MergePartitionCmd(); });
    add(popup1_, "AddReplica1", "&Add Replica", [this] { AddReplicaCmd(); });
    popup1_->addSeparator();
    add(popup1_, "PrintSubTree1", "Print SubTree", na);
    add(popup1_, "PrintRepList", "Report", [this] { IndividualReportCmd(); });
    add(popup1_, "Edit1", "Edit Server", [this] { TreeDoubleClicked(); });
    add(popup1_, "CompareSchema1", "Compare Schema", na);
    add(popup1_, "VerifyUserDefaultServer1", "Verify User Default Server", na);

    popup2_ = new QMenu(this);
    popup2_->setObjectName(QStringLiteral("PopupMenu2"));
    add(popup2_, "DeleteReplica1", "&Delete &Replica", [this] { DeleteReplicaCmd(); });
    add(popup2_, "ChangeType1", "&Change Type", [this] { ChangeTypeCmd(); });
    add(popup2_, "GotoObject1", "&Goto Object", [this] { GotoObject(); });
    add(popup2_, "ReplicaReport1", "Replica Report", [this] { ReplicaReportCmd(); });

    popup3_ = new QMenu(this);
    popup3_->setObjectName(QStringLiteral("PopupMenu3"));
    add(popup3_, "GotoObject2", "Goto Object", [this] { GotoLeafObject(); });
    add(popup3_, "Report1", "Report Objects", [this] { ReportObjectsCmd(); });
    add(popup3_, "Delete1", "Delete Leaf Objects", [this] { DeleteLeafObjectsCmd(); });
    add(popup3_, "MoveLeafObjects1", "Move Leaf Objects", [this] { MoveLeafObjectsCmd(); });
    add(popup3_, "RenameObject2", "Rename Leaf Object", [this] { RenameLeafObjectCmd(); });
    add(popup3_, "DisplayRights1", "Display Rights", na);
}

void TMDIChild::NotAvailable() {
    ShowNotAvailable(app_->Ui());
}

// ---------------------------------------------------------------- layout

void TMDIChild::LayoutTreeBody() {
    int h = treeBody_->height();
    int w = treeBody_->width();
    treeView_->setGeometry(0, 0, treeWidth_, h);
    panel2_->setGeometry(treeWidth_, 0, kSplitterWidth, h);
    int leafLeft = treeWidth_ + kSplitterWidth;
    leafList_->setGeometry(leafLeft, 0, leafWidth_, h);
    int panel1Left = leafLeft + leafWidth_;
    panel1_->setGeometry(panel1Left, 0, kSplitterWidth, h);
    int replicaLeft = panel1Left + kSplitterWidth;
    replicaList_->setGeometry(replicaLeft, 0, std::max(0, w - replicaLeft), h);
}

void TMDIChild::UpdateHeader() {
    header_->resizeSection(0, treeWidth_ + kSplitterWidth / 2);
    header_->resizeSection(1, leafWidth_ + kSplitterWidth + 1);
}

void TMDIChild::Panel2Dragged(int dx) {
    int panel2Left = treeWidth_;
    int panel1Left = treeWidth_ + kSplitterWidth + leafWidth_;
    int pos = panel2Left + dx;
    if (pos >= 15 && pos <= panel1Left - 15) {
        treeWidth_ += dx;
        leafWidth_ -= dx;
    }
    LayoutTreeBody();
    UpdateHeader();
}

void TMDIChild::Panel1Dragged(int dx) {
    int panel2Left = treeWidth_;
    int panel1Left = treeWidth_ + kSplitterWidth + leafWidth_;
    int pos = panel1Left + dx;
    if (pos >= panel2Left + 15 && pos <= treeBody_->width() - 30)
        leafWidth_ += dx;
    LayoutTreeBody();
    UpdateHeader();
}

bool TMDIChild::eventFilter(QObject* watched, QEvent* event) {
    if (watched == treeBody_ && event->type() == QEvent::Resize) {
        LayoutTreeBody();
    } else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            if (watched == treeView_) {
                TreeDeleteKey();
                return true;
            }
            if (watched == replicaList_) {
                ReplicaDeleteKey();
                return true;
            }
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- hosts

void TMDIChild::Show(ProgressChannel channel, std::string_view text) {
    // During a long operation the newest text of each channel is kept and
    // painted when the message queue is next serviced; a loop of a hundred
    // thousand steps then does not lay out its panel a hundred thousand times.
    std::size_t c = static_cast<std::size_t>(channel);
    pendingTexts_[c] = std::string(text);
    pendingChannels_ |= 1u << c;
    if (!Busy())
        FlushProgressTexts();
}

void TMDIChild::FlushProgressTexts() {
    for (std::size_t c = 0; c < pendingTexts_.size(); ++c) {
        if (!(pendingChannels_ & (1u << c)))
            continue;
        QString t = FromMessage(pendingTexts_[c]);
        switch (static_cast<ProgressChannel>(c)) {
        case ProgressChannel::Status: {
            // The status text of the page being shown.
            static const char* const kPanels[] = {"PNL_IMPORT", "PNL_GRID", "Panel7", "PNL_REPORT",
                                                  "PNL_SUGG"};
            int page = std::clamp(ActivePage(), 0, 4);
            if (auto* p = findChild<StatusPanel*>(QLatin1String(kPanels[page])))
                p->SetCaption(t);
            break;
        }
        case ProgressChannel::Import:
            pnlImport_->SetCaption(t);
            break;
        case ProgressChannel::Label1:
        case ProgressChannel::Label2:
        case ProgressChannel::Label3: {
            std::size_t i = c - static_cast<std::size_t>(ProgressChannel::Label1);
            if (i < reportLabels_.size())
                reportLabels_[i]->setText(t);
            break;
        }
        case ProgressChannel::AllPanels:
            pnlImport_->SetCaption(t);
            for (StatusPanel* p : statusPanels_)
                p->SetCaption(t);
            break;
        }
    }
    pendingChannels_ = 0;
}

void TMDIChild::Pump() {
    // A tree changed outside a frozen operation is shown before anything paints it.
    if (!frozen_ && treeModel_->Sync()) {
        selected_ = nullptr;
        pendingRefresh_ = true;
    }
    // The queue is serviced, and the texts painted, at most every 40 ms: often
    // enough for the window to repaint and the Abort buttons to answer.
    if (!pumpTimer_.isValid() || pumpTimer_.elapsed() >= 40) {
        FlushProgressTexts();
        QCoreApplication::processEvents();
        pumpTimer_.start();
    }
}

void TMDIChild::SetObjectLabelsVisible(bool visible) {
    label1_->setVisible(visible);
    label2_->setVisible(visible);
    label3_->setVisible(visible);
}

void TMDIChild::ClearReplicaView() {
    replicaModel_->SetEntries(nullptr);
}

void TMDIChild::DesignFileNameChanged(const std::string& oldName, const std::string& newName) {
    QString oldCaption = FromMessage(oldName);
    QString newCaption = FromMessage(newName);
    if (!oldName.empty())
        app_->ReplaceInWindowList(oldCaption, newCaption);
    setWindowTitle(newCaption);
}

void TMDIChild::SetWindowsEnabled(bool enabled) {
    setEnabled(enabled);
    app_->setEnabled(enabled);
}

// ---------------------------------------------------------------- selection

std::string TMDIChild::NodeKey(const ObjectNode* node) const {
    std::vector<const ObjectNode*> path;
    for (const ObjectNode* n = node; n; n = n->Parent())
        path.push_back(n);
    std::string key;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        key += (*it)->Name();
        key += '\x01';
    }
    return key;
}

void TMDIChild::RememberSelection(ObjectNode* node) {
    selectedPath_.clear();
    for (const ObjectNode* n = node; n && n->Parent(); n = n->Parent())
        selectedPath_.emplace_back(n->IndexInParent(), n->Name());
    std::reverse(selectedPath_.begin(), selectedPath_.end());
    selected_ = node;
    lastSelected_ = node;
    hasSelection_ = node != nullptr;
    selectedVersion_ = design_.TreeVersion();
}

ObjectNode* TMDIChild::FindRememberedNode() {
    // A node that moved is still the selected node: look for it by address first.
    std::vector<ObjectNode*> stack{design_.Root()};
    while (!stack.empty()) {
        ObjectNode* x = stack.back();
        stack.pop_back();
        if (x == lastSelected_)
            return x;
        for (std::size_t i = 0; i < x->ChildCount(); ++i)
            stack.push_back(x->Child(i));
    }
    ObjectNode* n = design_.Root();
    for (const auto& [index, name] : selectedPath_) {
        ObjectNode* next = nullptr;
        if (index < n->ChildCount() && n->Child(index)->Name() == name)
            next = n->Child(index);
        for (std::size_t i = 0; !next && i < n->ChildCount(); ++i)
            if (n->Child(i)->Name() == name)
                next = n->Child(i);
        if (!next)
            break; // the node is gone: its nearest remaining ancestor
        n = next;
    }
    return n;
}

ObjectNode* TMDIChild::SelectedNode() {
    if (frozen_ || freed_)
        return nullptr;
    if (selectedVersion_ != design_.TreeVersion() || !selected_) {
        SyncTreeModel();
    }
    return selected_;
}

void TMDIChild::SyncTreeModel() {
    if (frozen_)
        return;
    bool reset = treeModel_->Sync();
    if (reset || selectedVersion_ != design_.TreeVersion() || !selected_) {
        if (reset)
            RestoreExpansion();
        ObjectNode* n = hasSelection_ ? FindRememberedNode() : nullptr;
        QSignalBlocker block(treeView_->selectionModel());
        if (n) {
            QModelIndex idx = treeModel_->IndexOf(n);
            treeView_->selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
        }
        RememberSelection(n);
    }
}

void TMDIChild::SelectNode(ObjectNode* node) {
    if (frozen_)
        return;
    treeModel_->Sync();
    if (node) {
        QModelIndex idx = treeModel_->IndexOf(node);
        for (QModelIndex p = idx.parent(); p.isValid(); p = p.parent())
            treeView_->expand(p);
        {
            QSignalBlocker block(treeView_->selectionModel());
            treeView_->selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
        }
        treeView_->scrollTo(idx);
    } else {
        QSignalBlocker block(treeView_->selectionModel());
        treeView_->selectionModel()->clear();
    }
    RememberSelection(node);
    RefreshTreePage();
}

void TMDIChild::TreeSelectionChanged() {
    if (frozen_)
        return;
    RememberSelection(treeModel_->NodeAt(treeView_->currentIndex()));
    RefreshTreePage();
}

void TMDIChild::NoteExpanded(const QModelIndex& index, bool expanded) {
    ObjectNode* n = treeModel_->NodeAt(index);
    if (!n)
        return;
    if (expanded)
        expanded_.insert(NodeKey(n));
    else
        expanded_.erase(NodeKey(n));
}

void TMDIChild::RestoreExpansion() {
    if (frozen_ || expanded_.empty())
        return;
    std::set<std::string> wanted;
    wanted.swap(expanded_);
    // One pre-order pass with the key of each node built from its parent's.
    std::vector<std::pair<ObjectNode*, std::string>> stack;
    stack.emplace_back(design_.Root(), design_.Root()->Name() + '\x01');
    while (!stack.empty()) {
        auto [n, key] = std::move(stack.back());
        stack.pop_back();
        if (n->ChildCount() == 0 || !wanted.count(key))
            continue;
        treeView_->expand(treeModel_->IndexOf(n));
        for (std::size_t i = n->ChildCount(); i-- > 0;)
            stack.emplace_back(n->Child(i), key + n->Child(i)->Name() + '\x01');
    }
}

// ---------------------------------------------------------------- RefreshTreePage

void TMDIChild::RefreshTreePage() {
    if (freed_)
        return;
    if (frozen_) {
        pendingRefresh_ = true;
        return;
    }
    SyncTreeModel();
    ObjectNode* node = selected_;
    if (!node) {
        replicaModel_->SetEntries(nullptr);
        leafModel_->SetEntries(nullptr);
        label1_->setText(objectPrefix_);
        label2_->setText(subordinatesPrefix_ + QStringLiteral("0"));
        label3_->setText(replicaPrefix_ + QStringLiteral("0"));
        return;
    }
    design_.EnsureSubRefsForNode(node);
    // The messages of the sub-reference upkeep may have let the tree change.
    if (selectedVersion_ != design_.TreeVersion()) {
        SyncTreeModel();
        node = selected_;
        if (!node)
            return;
    }

    const ReplicaList* replicas = nullptr;
    if (node->ClassIndex() != kClassServer) {
        replicaModeServers_ = false;
        replicas = design_.partitions.EntriesOf(design_.FullContext(node));
    } else {
        replicaModeServers_ = true;
        replicas = design_.servers.EntriesOf(node->Name());
    }
    replicaModel_->SetEntries(replicas);
    if (replicaModel_->rowCount() > 0)
        replicaList_->setCurrentIndex(replicaModel_->index(0));

    leafModel_->SetEntries(node->leaves.get());
    if (leafModel_->rowCount() > 0)
        leafList_->setCurrentIndex(leafModel_->index(0));

    label1_->setText(objectPrefix_ + FromModel(design_.FullContext(node)));
    int subordinates = leafModel_->rowCount();
    if (subordinates == 0)
        subordinates = static_cast<int>(node->ChildCount());
    label2_->setText(subordinatesPrefix_ + QString::number(subordinates));
    label3_->setText(replicaPrefix_ + QString::number(replicaModel_->rowCount()));
}

// ---------------------------------------------------------------- texts

void TMDIChild::ApplyTexts() {
    pages_->setTabText(kTreePage, QStringLiteral("Tree View"));
    pages_->setTabText(kGridPage, QStringLiteral("Partition Grid View"));
    pages_->setTabText(kReportsPage, QStringLiteral("Reports"));
    objectPrefix_ = QStringLiteral("Object: ");
    subordinatesPrefix_ = QStringLiteral("Subordinate Objects: ");
    replicaPrefix_ = QStringLiteral("Replica Count: ");
    auto setText = [this](const char* name, const char* text) {
        if (auto* w = findChild<QAbstractButton*>(QLatin1String(name)))
            w->setText(QString::fromLatin1(text));
    };
    setText("RB_PARTITION", "Report by &Partition");
    setText("RB_SERVER", "Report by &Server");
    setText("RB_PARTREL", "Partition &Relation Report");
    setText("RB_SERVXPART", "&Server X Partition View");
    setText("RB_PARTXSERV", "&Partition X Server View");
    if (auto* l = findChild<QLabel*>(QStringLiteral("Label4")))
        l->setText(QStringLiteral("Print Font Size: "));
    const std::pair<const char*, const char*> items[] = {
        {"CreateObject1", "&Create Object"},       {"DeleteObject1", "&Delete Object"},
        {"CreatePartition1", "Create &Partition"}, {"MergePartition1", "M&erge Partition"},
        {"AddReplica1", "&Add Replica"},           {"RenameObject1", "&Rename Object"},
        {"ExpandObject1", "E&xpand Object"},       {"CollapseObject1", "C&ollapse Object"},
        {"DeleteReplica1", "&Delete &Replica"},    {"ChangeType1", "&Change Type"},
        {"GotoObject1", "&Goto Object"},
    };
    for (const auto& [name, text] : items)
        if (auto* a = findChild<QAction*>(QLatin1String(name)))
            a->setText(QString::fromLatin1(text));
    for (std::size_t i = 0; i < kGridStaleCount; ++i)
        design_.flags.gridStale[i] = true;
    design_.MarkReportsStale(true);
    design_.flags.subRefsStale = true;
    PageControl1Change(pages_->currentIndex());
    RefreshTreePage();
}

// ---------------------------------------------------------------- pages

int TMDIChild::ActivePage() const {
    return pages_->currentIndex();
}

void TMDIChild::PageControl1Change(int page) {
    design_.flags.abortRequested = false;
    app_->ChildPageChanged(this, page);
    emit PageChanged(page);
    BuildPage(page);
}

void TMDIChild::AbortClick() {
    for (QPushButton* b : abortButtons_)
        b->setEnabled(false);
    design_.flags.abortRequested = true;
}

// ---------------------------------------------------------------- enabling

int TMDIChild::LeafRowCount() const {
    return leafModel_->rowCount();
}

int TMDIChild::SelectedLeafCount() const {
    return static_cast<int>(leafList_->selectionModel()->selectedRows().size());
}

int TMDIChild::ReplicaRowCount() const {
    return replicaModel_->rowCount();
}

std::string TMDIChild::SelectedReplica() const {
    QModelIndex i = replicaList_->currentIndex();
    if (!i.isValid() || i.row() >= replicaModel_->rowCount())
        return {};
    return replicaModel_->Entry(i.row());
}

bool TMDIChild::CanChangeReplica() const {
    if (ReplicaRowCount() == 0)
        return false;
    std::string e = SelectedReplica();
    if (e.empty())
        return false;
    std::string_view type = EntryType(e);
    return type != kSubRef && type != kMaster;
}

bool TMDIChild::SelectedIsServer() {
    ObjectNode* n = SelectedNode();
    return n && n->ClassIndex() == kClassServer;
}

bool TMDIChild::SelectedIsContainer() {
    ObjectNode* n = SelectedNode();
    return n && IsContainerClass(n->ClassIndex());
}

bool TMDIChild::CanCreateObject() {
    return SelectedIsContainer();
}

bool TMDIChild::CanDeleteObject() {
    ObjectNode* n = SelectedNode();
    return n && !n->IsPartitionRoot() && (!n->leaves || n->leaves->empty()) && n->ChildCount() == 0;
}

bool TMDIChild::CanRenameObject() {
    ObjectNode* n = SelectedNode();
    return n && n->Parent() != nullptr;
}

bool TMDIChild::CanCreatePartition() {
    ObjectNode* n = SelectedNode();
    return CanCreateObject() && n && !n->IsPartitionRoot();
}

bool TMDIChild::CanMergePartition() {
    ObjectNode* n = SelectedNode();
    return CanCreateObject() && n && n->IsPartitionRoot() && n->Parent() != nullptr;
}

bool TMDIChild::CanAddReplica() {
    ObjectNode* n = SelectedNode();
    return n && n->IsPartitionRoot();
}

bool TMDIChild::CanMoveObject() {
    ObjectNode* n = SelectedNode();
    return n && (n->IsPartitionRoot() || !IsContainerClass(n->ClassIndex()));
}

void TMDIChild::UpdatePopupMenu1() {
    auto set = [this](const char* name, bool on) {
        if (auto* a = popup1_->findChild<QAction*>(QLatin1String(name)))
            a->setEnabled(on);
    };
    set("CreateObject1", CanCreateObject());
    set("DeleteObject1", CanDeleteObject());
    set("RenameObject1", CanRenameObject());
    set("CreatePartition1", CanCreatePartition());
    set("MergePartition1", CanMergePartition());
    set("AddReplica1", CanAddReplica());
    set("CompareSchema1", SelectedIsServer());
    set("VerifyUserDefaultServer1", SelectedIsContainer());
}

void TMDIChild::UpdatePopupMenu2() {
    bool change = CanChangeReplica();
    bool rows = ReplicaRowCount() > 0;
    auto set = [this](const char* name, bool on) {
        if (auto* a = popup2_->findChild<QAction*>(QLatin1String(name)))
            a->setEnabled(on);
    };
    set("DeleteReplica1", change);
    set("ChangeType1", change);
    set("GotoObject1", rows);
    set("ReplicaReport1", rows);
}

// ---------------------------------------------------------------- keys and mouse

void TMDIChild::TreeDeleteKey() {
    DeleteObjectCmd();
}

void TMDIChild::ReplicaDeleteKey() {
    if (ReplicaRowCount() == 0)
        return;
    ObjectNode* node = SelectedNode();
    if (!node)
        return;
    std::string item = SelectedReplica();
    BusyScope busy(*this, true);
    DeleteReplicaKey(design_, node, static_cast<std::size_t>(ReplicaRowCount()), item);
}

void TMDIChild::DeleteObjectCmd() {
    ObjectNode* node = SelectedNode();
    if (!node)
        return;
    BusyScope busy(*this, true);
    DeleteObject(design_, node);
}

void TMDIChild::RenameObjectCmd() {
    ObjectNode* node = SelectedNode();
    if (!node || !CanRenameObject())
        return;
    TNewNameDlg& dlg = app_->NameDlg();
    dlg.Prepare(QStringLiteral("Enter in name: "), FromModel(node->Name()));
    std::optional<std::string> name;
    if (dlg.exec() == QDialog::Accepted)
        name = ToModel(dlg.Name());
    BusyScope busy(*this, true);
    RenameObject(design_, node, name);
}

void TMDIChild::CreatePartitionCmd() {
    ObjectNode* node = SelectedNode();
    if (!node || !CanCreatePartition())
        return;
    BusyScope busy(*this, true);
    CreatePartition(design_, node);
}

void TMDIChild::MergePartitionCmd() {
    ObjectNode* node = SelectedNode();
    if (!node || !CanMergePartition())
        return;
    BusyScope busy(*this, true);
    MergePartition(design_, node);
}

void TMDIChild::DeleteReplicaCmd() {
    ObjectNode* node = SelectedNode();
    if (!node || !CanChangeReplica())
        return;
    std::string item = SelectedReplica();
    BusyScope busy(*this, true);
    DeleteReplica(design_, node, item);
}

std::string TMDIChild::FocusedLeafRow() const {
    QModelIndex i = leafList_->currentIndex();
    if (!i.isValid() || i.row() >= leafModel_->rowCount())
        return {};
    return leafModel_->RowText(i.row());
}

std::vector<std::string> TMDIChild::SelectedLeafEntries() const {
    std::vector<std::string> entries;
    QModelIndexList rows = leafList_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    for (const QModelIndex& i : rows)
        entries.emplace_back(LeafEntryOfRow(leafModel_->RowText(i.row())));
    return entries;
}

void TMDIChild::UpdatePopupMenu3() {
    LeafMenuState st = LeafPopupMenuState(static_cast<std::size_t>(LeafRowCount()),
                                          static_cast<std::size_t>(SelectedLeafCount()),
                                          FocusedLeafRow(), SelectedNode());
    auto set = [this](const char* name, bool on) {
        if (auto* a = popup3_->findChild<QAction*>(QLatin1String(name)))
            a->setEnabled(on);
    };
    set("GotoObject2", st.gotoObject);
    set("Report1", st.report);
    set("Delete1", st.deleteLeaves);
    set("MoveLeafObjects1", st.moveLeaves);
    set("RenameObject2", st.rename);
    set("DisplayRights1", st.displayRights);
}

void TMDIChild::GotoLeafObject() {
    ObjectNode* node = SelectedNode();
    std::string row = FocusedLeafRow();
    if (!node || row.empty())
        return;
    if (ObjectNode* target = qv::GotoObject(design_, node, row))
        SelectNode(target);
}

void TMDIChild::ReportObjectsCmd() {
    ObjectNode* node = SelectedNode();
    if (!node || LeafRowCount() == 0)
        return;
    SetObjectLabelsVisible(false);
    TFM_RPTCONFIG& chooser = app_->ClassChooser();
    if (chooser.exec() == QDialog::Accepted) {
        std::vector<std::string> rows;
        rows.reserve(static_cast<std::size_t>(LeafRowCount()));
        for (int r = 0; r < LeafRowCount(); ++r)
            rows.push_back(leafModel_->RowText(r));
        std::optional<ObjectSearchResult> result;
        {
            BusyScope busy(*this, false);
            result = CollectReportObjects(design_, node, rows, chooser.SelectedClasses());
        }
        if (result) {
            TFM_DISPLAYOBJS& dlg = app_->DisplayObjsDlg();
            dlg.Prepare(*result, node->ClassIndex(), node->IsPartitionRoot());
            dlg.exec();
        }
    }
    SetObjectLabelsVisible(true);
    Show(ProgressChannel::Import, "");
}

void TMDIChild::DeleteLeafObjectsCmd() {
    ObjectNode* node = SelectedNode();
    std::vector<std::string> entries = SelectedLeafEntries();
    if (!node || entries.empty())
        return;
    BusyScope busy(*this, true);
    DeleteLeafObjects(design_, node, entries);
}

void TMDIChild::RenameLeafObjectCmd() {
    ObjectNode* node = SelectedNode();
    std::vector<std::string> entries = SelectedLeafEntries();
    if (!node || entries.size() != 1)
        return;
    TNewNameDlg& dlg = app_->NameDlg();
    dlg.Prepare(QStringLiteral("Enter in name: "), FromModel(LeafName(entries.front())));
    std::optional<std::string> name;
    if (dlg.exec() == QDialog::Accepted)
        name = ToModel(dlg.Name());
    BusyScope busy(*this, true);
    RenameLeafObject(design_, node, entries.front(), name);
}

void TMDIChild::CreateObjectCmd() {
    ObjectNode* node = SelectedNode();
    if (!node || !CanCreateObject())
        return;
    TFM_RPTCONFIG& chooser = app_->ClassChooser();
    std::optional<ClassSet> chosen;
    if (chooser.exec() == QDialog::Accepted)
        chosen = chooser.SelectedClasses();
    TDLG_CREATE& dlg = app_->CreateDlg();
    const ImageList& images = app_->Images();
    BusyScope busy(*this, true);
    CreateObjects(design_, node, chosen,
                  [&dlg, &images](int classIndex) -> std::optional<CreateObjectInput> {
                      dlg.Prepare(FromModel(ClassName(classIndex)), images.ClassIcon(classIndex));
                      if (dlg.exec() != QDialog::Accepted)
                          return std::nullopt;
                      return CreateObjectInput{dlg.Name(), dlg.CreateAnother()};
                  });
}

void TMDIChild::AddReplicaCmd() {
    ObjectNode* node = SelectedNode();
    if (!node || !CanAddReplica())
        return;
    TSvrDlg& dlg = app_->SvrDlg();
    dlg.Prepare(AddReplicaSetup(design_));
    std::optional<AddReplicaInput> input;
    if (dlg.exec() == QDialog::Accepted) {
        input.emplace();
        input->server = dlg.Server();
        input->type = dlg.Selected().value_or(ReplicaRadio::ReadWrite);
    }
    BusyScope busy(*this, true);
    AddReplica(design_, node, input);
}

void TMDIChild::ChangeTypeCmd() {
    ObjectNode* node = SelectedNode();
    if (!node || !CanChangeReplica())
        return;
    std::string item = SelectedReplica();
    TSvrDlg& dlg = app_->SvrDlg();
    BusyScope busy(*this, false); // the replica lists change, the tree does not
    ChangeReplicaType(design_, node, item,
                      [&dlg](const ReplicaDialogSetup& setup) -> std::optional<ReplicaRadio> {
                          dlg.Prepare(setup);
                          if (dlg.exec() != QDialog::Accepted)
                              return std::nullopt;
                          return dlg.Selected();
                      });
}

void TMDIChild::MoveObjectCmd() {
    ObjectNode* node = SelectedNode();
    if (!node || !CanMoveObject())
        return;
    TMoveDlg& dlg = app_->MoveDlg();
    dlg.Prepare(FromModel(design_.FullContext(node)));
    std::optional<std::string> destination;
    if (dlg.exec() == QDialog::Accepted)
        destination = dlg.Destination();
    BusyScope busy(*this, true);
    MoveObject(design_, node, destination);
}

void TMDIChild::MoveLeafObjectsCmd() {
    ObjectNode* node = SelectedNode();
    std::vector<std::string> entries = SelectedLeafEntries();
    if (!node || entries.empty())
        return;
    TMoveDlg& dlg = app_->MoveDlg();
    BusyScope busy(*this, true);
    MoveLeafObjects(design_, node, entries,
                    [&dlg](const std::string& from) -> std::optional<std::string> {
                        dlg.Prepare(FromModel(from));
                        if (dlg.exec() != QDialog::Accepted)
                            return std::nullopt;
                        return dlg.Destination();
                    });
}

void TMDIChild::IndividualReportCmd() {
    ObjectNode* node = SelectedNode();
    if (!node)
        return;
    TErrReportDlg& dlg = app_->ErrReportDlg();
    dlg.TreeReport()->clear();
    SetObjectLabelsVisible(false);
    TextLines lines;
    bool done;
    {
        BusyScope busy(*this, false);
        design_.flags.abortRequested = false;
        done = BuildIndividualReport(design_, app_->Settings(), node, lines);
    }
    if (done) {
        dlg.TreeReport()->setPlainText(FromModel(lines.Joined()));
        dlg.ShowTreeReport();
    }
    SetObjectLabelsVisible(true);
    Show(ProgressChannel::Import, "");
}

void TMDIChild::ReplicaReportCmd() {
    ObjectNode* node = SelectedNode();
    if (!node || ReplicaRowCount() == 0)
        return;
    TFRM_REPLICARPT& dlg = app_->ReplicaReportDlg();
    dlg.Prepare(BuildReplicaReport(design_, node));
    dlg.exec();
}

void TMDIChild::ClearDSVersionsCmd() {
    BusyScope busy(*this, false);
    if (ClearDSVersions(design_))
        RefreshTreePage();
}

void TMDIChild::ClearServerAddressesCmd() {
    BusyScope busy(*this, false);
    if (ClearServerAddresses(design_))
        RefreshTreePage();
}

void TMDIChild::TreeDoubleClicked() {
    ObjectNode* node = SelectedNode();
    if (!node || !CanEditServer(node))
        return;
    TAddrDlg& dlg = app_->AddrDlg();
    dlg.Run(design_, node);
    if (!dlg.Changed())
        return;
    BusyScope busy(*this, false);
    ApplyAddressDialog(design_, node, dlg.Lines(), true);
}

// ---------------------------------------------------------------- finds

void TMDIChild::GotoObject() {
    std::string entry = SelectedReplica();
    if (entry.empty())
        return;
    std::string name(EntryName(entry));
    // A server's rows name partitions; a partition's rows name servers.
    bool partitionMode = SelectedIsServer();
    SelectNode(design_.FindPartitionOrServerNode(name, partitionMode));
}

void TMDIChild::FindServer() {
    TNewNameDlg& dlg = app_->NameDlg();
    dlg.Prepare(QStringLiteral("Enter in name: "));
    if (dlg.exec() != QDialog::Accepted)
        return;
    std::string name = ToModel(dlg.Name());
    ObjectNode* n = design_.FindPartitionOrServerNode(name, false);
    if (n)
        SelectNode(n);
    else
        app_->Ui().Information("Server: " + name + " does not exist.");
}

void TMDIChild::FindObject(const QString& text) {
    std::string t = ToModel(text);
    QItemSelection selection;
    int first = -1;
    int start = -1;
    int rows = leafModel_->rowCount();
    for (int r = 0; r <= rows; ++r) {
        bool match =
            r < rows && LeafListModel::RowLeafName(leafModel_->RowText(r)).substr(0, t.size()) == t;
        if (match && start < 0)
            start = r;
        if (!match && start >= 0) {
            selection.select(leafModel_->index(start), leafModel_->index(r - 1));
            if (first < 0)
                first = start;
            start = -1;
        }
    }
    leafList_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (first < 0) {
        app_->Ui().Information("\"" + t + "\" was not found.");
        return;
    }
    leafList_->selectionModel()->setCurrentIndex(leafModel_->index(first),
                                                 QItemSelectionModel::NoUpdate);
    leafList_->scrollTo(leafModel_->index(first));
}

QTextEdit* TMDIChild::VisibleTextBox() const {
    std::vector<const char*> order;
    if (ActivePage() == kReportsPage)
        order = {"RE_SCHEMARPT", "RE_PARTRPT", "RE_SERVRPT", "RE_PARTRELRPT", "RE_OBJRPT"};
    else if (ActivePage() == kSuggestionsPage)
        order = {"RE_PARTSUGG", "RE_SERVSUGG", "RE_OBJSUGG"};
    for (const char* name : order) {
        auto* box = findChild<QTextEdit*>(QLatin1String(name));
        if (box && !box->isHidden())
            return box;
    }
    return nullptr;
}

void TMDIChild::FindText(const QString& text) {
    QTextEdit* box = VisibleTextBox();
    if (!box)
        return;
    QTextDocument* doc = box->document();
    int caret = box->textCursor().selectionStart();
    QTextBlock block = doc->findBlock(caret);
    int col = std::max(0, caret - block.position() - 1);
    for (; block.isValid(); block = block.next(), col = 0) {
        int at = block.text().toUpper().indexOf(text, col);
        if (at >= 0) {
            QTextCursor c(doc);
            c.setPosition(block.position() + at);
            c.setPosition(block.position() + at + static_cast<int>(text.size()),
                          QTextCursor::KeepAnchor);
            box->setTextCursor(c);
            return;
        }
    }
    app_->Ui().Information("'" + ToModel(text) + "' was not found.");
}

// ---------------------------------------------------------------- expand, collapse

void TMDIChild::ExpandObject(ObjectNode* node) {
    if (!node)
        return;
    treeView_->expandRecursively(treeModel_->IndexOf(node));
    design_.WalkSubtree(node, [this](ObjectNode* n) {
        if (n->ChildCount() > 0)
            expanded_.insert(NodeKey(n));
        return true;
    });
}

void TMDIChild::CollapseObject(ObjectNode* node) {
    if (!node)
        return;
    std::vector<ObjectNode*> withChildren;
    design_.WalkSubtree(node, [&](ObjectNode* n) {
        if (n->ChildCount() > 0)
            withChildren.push_back(n);
        return true;
    });
    for (auto it = withChildren.rbegin(); it != withChildren.rend(); ++it)
        treeView_->collapse(treeModel_->IndexOf(*it));
}

void TMDIChild::ExpandAll() {
    if (!frozen_)
        ExpandObject(design_.Root());
}

void TMDIChild::CollapseAll() {
    if (frozen_)
        return;
    treeView_->collapseAll();
    expanded_.clear();
}

// ---------------------------------------------------------------- sorting

void TMDIChild::SortObjects() {
    SetObjectLabelsVisible(false);
    Show(ProgressChannel::Import, "  Sorting Objects..");
    {
        BusyScope busy(*this, true);
        Pump();
        qv::SortObjects(design_);
    }
    SetObjectLabelsVisible(true);
    Show(ProgressChannel::Import, "");
}

void TMDIChild::SetDefaultSorting(bool on) {
    if (!on) {
        defaultSorting_ = false;
        qv::SetDefaultSorting(design_, false);
        return;
    }
    SetObjectLabelsVisible(false);
    Show(ProgressChannel::Import, "  Sorting Objects..");
    {
        BusyScope busy(*this, true);
        Pump();
        qv::SetDefaultSorting(design_, true);
    }
    SetObjectLabelsVisible(true);
    Show(ProgressChannel::Import, "");
    defaultSorting_ = true;
}

void TMDIChild::WindowActivated(bool sortChecked) {
    if (freed_ || Busy())
        return;
    BuildPage(ActivePage());
    FollowDefaultSorting(sortChecked);
}

void TMDIChild::FollowDefaultSorting(bool checked) {
    if (checked && !defaultSorting_)
        SetDefaultSorting(true);
    else if (!checked && defaultSorting_)
        SetDefaultSorting(false);
}

QTableView* TMDIChild::VisibleGrid(int* gridIndex) const {
    std::vector<std::pair<const char*, int>> grids;
    if (ActivePage() == kGridPage)
        grids = {{"Adv_PartCols", kPartXServGrid},
                 {"Adv_ServCols", kServXPartGrid},
                 {"Adv_AddrCols", kServXAddrGrid}};
    else if (ActivePage() == kObjGridPage)
        grids = {{"Adv_ObjXPartCols", kPartObjGrid},
                 {"Adv_ObjXServCols", kServObjGrid},
                 {"Adv_ObjXCntCols", kContObjGrid}};
    for (const auto& [name, index] : grids) {
        auto* g = findChild<QTableView*>(QLatin1String(name));
        if (g && !g->isHidden()) {
            *gridIndex = index;
            return g;
        }
    }
    return nullptr;
}

void TMDIChild::SortGridView() {
    int which = 0;
    if (!VisibleGrid(&which))
        return;
    {
        BusyScope busy(*this, false);
        qv::SortGridView(design_, views_, static_cast<GridUnsortedIndex>(which));
    }
    ReloadGrids();
}

void TMDIChild::SaveDelimitedCmd() {
    int which = 0;
    if (!VisibleGrid(&which))
        return;
    std::optional<std::string> path = app_->Ui().ChooseSaveFile(DesignSaveDialogRequest());
    if (!path)
        return;
    SaveDelimitedFile(views_.Grid(static_cast<GridUnsortedIndex>(which)), *path, app_->Ui());
}

void TMDIChild::ReloadGrids() {
    for (TextGridModel* m : gridModels_)
        m->Reload();
}

QTextEdit* TMDIChild::ShownBox(int page, ReportIndex* which) const {
    struct Box {
        const char* name;
        ReportIndex index;
    };
    static const Box kReports[] = {{"RE_PARTRPT", kPartitionReport},
                                   {"RE_SERVRPT", kServerReport},
                                   {"RE_PARTRELRPT", kRelationReport},
                                   {"RE_SCHEMARPT", kSchemaReport},
                                   {"RE_OBJRPT", kObjectReport}};
    static const Box kSuggestions[] = {{"RE_SERVSUGG", kServerSuggestions},
                                       {"RE_PARTSUGG", kPartitionSuggestions},
                                       {"RE_OBJSUGG", kObjectSuggestions}};
    auto pick = [&](const auto& boxes) -> QTextEdit* {
        for (const Box& b : boxes) {
            auto* box = findChild<QTextEdit*>(QLatin1String(b.name));
            if (box && !box->isHidden()) {
                *which = b.index;
                return box;
            }
        }
        return nullptr;
    };
    if (page == kReportsPage)
        return pick(kReports);
    if (page == kSuggestionsPage)
        return pick(kSuggestions);
    return nullptr;
}

void TMDIChild::BuildPage(int page) {
    if (freed_ || Busy() || page == kTreePage)
        return;
    const char* abortName = page == kGridPage      ? "BTN_CANCEL3"
                            : page == kObjGridPage ? "BTN_CANCEL4"
                            : page == kReportsPage ? "BTN_CANCEL"
                                                   : "BTN_CANCEL2";
    auto* abort = findChild<QPushButton*>(QLatin1String(abortName));
    for (QPushButton* b : abortButtons_)
        b->setEnabled(b == abort);
    {
        BusyScope busy(*this, false);
        if (page == kGridPage || page == kObjGridPage) {
            BeginPageChange(design_);
            if (page == kGridPage)
                ShowPartitionGridPage(design_, views_);
            else
                ShowObjectGridPage(design_, views_);
        } else {
            ReportIndex which = kPartitionReport;
            QTextEdit* box = ShownBox(page, &which);
            if (box) {
                PageResult r = RefreshReport(design_, app_->Settings(), views_, which);
                if (r != PageResult::Current)
                    box->setPlainText(FromModel(views_.texts[which].Joined()));
            }
        }
    }
    ReloadGrids();
    for (QPushButton* b : abortButtons_)
        b->setEnabled(false);
}

// ---------------------------------------------------------------- closing

void TMDIChild::FreeAll() {
    if (freed_)
        return;
    {
        BusyScope busy(*this, true);
        design_.FreeAll([this] { SaveDesign(design_); });
        freed_ = true;
    }
    replicaModel_->SetEntries(nullptr);
    leafModel_->SetEntries(nullptr);
}

void TMDIChild::closeEvent(QCloseEvent* event) {
    if (Busy()) {
        event->ignore();
        return;
    }
    FreeAll();
    app_->RemoveFromWindowList(windowTitle());
    event->accept();
    QMdiSubWindow::closeEvent(event);
}

} // namespace qv::gui
