#include "gui/core/mdi_child.h"

#include "edit/object_sorting.h"
#include "files/design_file.h"
#include "gui/core/dialogs.h"
#include "gui/core/named.h"
#include "gui/core/pages/grid_export.h"
#include "gui/core/pages/grid_page.h"
#include "gui/core/pages/page_layouts.h"
#include "gui/core/pages/text_page.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/panels.h"
#include "gui/core/qt_text.h"
#include "gui/core/tree_page_actions.h"
#include "gui/core/workspace.h"
#include "reports/delimited_export.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace qv::gui {

// ---------------------------------------------------------------- busy scope

TMDIChild::BusyScope::BusyScope(TMDIChild& child, bool freezeTree) : child_(child) {
    if (child_.busy_++ == 0) {
        // Disabling the widget with the keyboard focus would hand the focus to
        // the next widget in the chain, which may be in another design window,
        // and so make that window the active one: the window keeps the focus
        // itself until the end.
        QWidget* focus = child_.app_->MainWindow()->focusWidget();
        if (focus && child_.isAncestorOf(focus)) {
            child_.focusBeforeBusy_ = focus;
            child_.setFocus(Qt::OtherFocusReason);
        }
        // The node the operation starts on, which its undo step remembers
        // although the frozen tree lets go of its selection.
        child_.busySelection_ = child_.tree_->SelectedNode();
        child_.pages_->tabBar()->setEnabled(false);
        child_.tree_->SetInputEnabled(false);
        child_.app_->SetBusy(true);
    }
    if (freezeTree)
        child_.tree_->Freeze();
}

TMDIChild::BusyScope::~BusyScope() {
    if (--child_.busy_ == 0)
        child_.EndBusy();
}

void TMDIChild::EndBusy() {
    relay_.Flush();
    pages_->tabBar()->setEnabled(true);
    tree_->SetInputEnabled(true);
    app_->SetBusy(false);
    tree_->Unfreeze();
    if (QWidget* focus = focusBeforeBusy_.data()) {
        QWidget* now = app_->MainWindow()->focusWidget();
        if ((!now || now == this) && focus->isEnabled() && focus->isVisible())
            focus->setFocus(Qt::OtherFocusReason);
    }
    focusBeforeBusy_.clear();
    busySelection_ = nullptr;
}

// ---------------------------------------------------------------- creation

TMDIChild::TMDIChild(Workspace* app)
    : app_(app), relay_([this](ProgressChannel c, const QString& t) { PaintProgress(c, t); },
                        [this] { return Busy(); }, [this] { tree_->SyncChangedTree(); }) {
    setObjectName(QStringLiteral("TMDIChild"));
    setAttribute(Qt::WA_DeleteOnClose);
    design_.SetHosts(&relay_, &app_->Ui(), this);
    // The window's initial tree: "[ROOT]" > "ORGANIZATION" > "SERVER".
    design_.ResetToInitialTree();

    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);

    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = MakeNamed<QTabWidget>(content, "PageControl1");
    layout->addWidget(pages_);

    tree_ = new TreePage(design_, app_->Images(), pages_);
    partitionGrids_ = new GridPage(views_, app_->Images(), kPartitionGridPage, pages_);
    objectGrids_ = new GridPage(views_, app_->Images(), kObjectGridPage, pages_);
    reports_ = new TextPage(ReportsPage(), pages_);
    suggestions_ = new TextPage(SuggestionsPage(), pages_);
    const std::pair<QWidget*, const char*> tabs[] = {
        {tree_, "TAB_TREEVIEW"},   {partitionGrids_, "TAB_GRIDVIEW"}, {objectGrids_, "TAB_OBJVIEW"},
        {reports_, "TAB_REPORTS"}, {suggestions_, "TAB_SUGGESTIONS"},
    };
    const char* const captions[] = {"Tree View", "Partition Grid View", "Object Grid View",
                                    "Reports", "Warnings/Suggestions"};
    for (std::size_t i = 0; i < std::size(tabs); ++i) {
        tabs[i].first->setObjectName(QLatin1String(tabs[i].second));
        pages_->addTab(tabs[i].first, QString::fromLatin1(captions[i]));
    }
    for (GridPage* g : {partitionGrids_, objectGrids_}) {
        connect(g, &GridPage::SaveClicked, this, &TMDIChild::SaveDelimitedCmd);
        connect(g, &GridPage::AbortClicked, this, &TMDIChild::AbortClick);
        connect(g, &GridPage::SortAddressGrid, this, &TMDIChild::SortAddressGrid);
    }
    for (TextPage* t : {reports_, suggestions_}) {
        // Turning to another box rebuilds what it shows when that is stale.
        connect(t, &TextPage::BoxChosen, this, [this] { BuildPage(ActivePage()); });
        connect(t, &TextPage::AbortClicked, this, &TMDIChild::AbortClick);
    }
    setWidget(content);
    // The pages may be made smaller than their rows of buttons, so that Tile
    // and Cascade can keep every window inside the frame.
    pages_->setMinimumSize(160, 120);
    connect(pages_, &QTabWidget::currentChanged, this, &TMDIChild::PageControl1Change);

    // The root node is selected at creation.
    SelectNode(design_.Root());
}

TMDIChild::~TMDIChild() {
    // The pages' models refer to the design and its views: the pages go first.
    delete pages_;
}

void TMDIChild::AttachActions(std::unique_ptr<TreePageActions> actions) {
    actions_ = std::move(actions);
    TreePageActions* a = actions_.get();
    connect(tree_, &TreePage::TreeDeleteKey, this, [a] { a->TreeDeleteKey(); });
    connect(tree_, &TreePage::ReplicaDeleteKey, this, [a] { a->ReplicaDeleteKey(); });
    connect(tree_, &TreePage::TreeDoubleClicked, this, [a] { a->TreeDoubleClicked(); });
    connect(tree_, &TreePage::NodeDropped, this,
            [a](ObjectNode* dragged, ObjectNode* target) { a->Dropped(dragged, target); });
    connect(tree_, &TreePage::TreeMenuRequested, this, [a](const QPoint& at) {
        a->UpdateTreeMenu();
        a->TreeMenu()->popup(at);
    });
    connect(tree_, &TreePage::ReplicaMenuRequested, this, [a](const QPoint& at) {
        a->UpdateReplicaMenu();
        a->ReplicaMenu()->popup(at);
    });
    connect(tree_, &TreePage::LeafMenuRequested, this, [a](const QPoint& at) {
        a->UpdateLeafMenu();
        a->LeafMenu()->popup(at);
    });
}

// ---------------------------------------------------------------- widgets

QTreeView* TMDIChild::TreeView1() const {
    return tree_->Tree();
}
QListView* TMDIChild::LB_LEAFOBJS() const {
    return tree_->Leaves();
}
QListView* TMDIChild::ListBox1() const {
    return tree_->Replicas();
}
QMenu* TMDIChild::PopupMenu1() const {
    return actions_->TreeMenu();
}
QMenu* TMDIChild::PopupMenu2() const {
    return actions_->ReplicaMenu();
}
QMenu* TMDIChild::PopupMenu3() const {
    return actions_->LeafMenu();
}
void TMDIChild::UpdatePopupMenu1() {
    actions_->UpdateTreeMenu();
}
void TMDIChild::UpdatePopupMenu2() {
    actions_->UpdateReplicaMenu();
}
void TMDIChild::UpdatePopupMenu3() {
    actions_->UpdateLeafMenu();
}

// ---------------------------------------------------------------- hosts

void TMDIChild::Show(ProgressChannel channel, std::string_view text) {
    relay_.Show(channel, text);
}

void TMDIChild::PaintProgress(ProgressChannel channel, const QString& text) {
    StatusPanel* const pagePanels[] = {tree_->ImportPanel(), partitionGrids_->Status(),
                                       objectGrids_->Status(), reports_->Status(),
                                       suggestions_->Status()};
    switch (channel) {
    case ProgressChannel::Status:
        // The status text of the page being shown.
        pagePanels[std::clamp(ActivePage(), 0, 4)]->SetCaption(text);
        break;
    case ProgressChannel::Import:
        tree_->ImportPanel()->SetCaption(text);
        break;
    case ProgressChannel::Label1:
    case ProgressChannel::Label2:
    case ProgressChannel::Label3: {
        std::size_t i =
            static_cast<std::size_t>(channel) - static_cast<std::size_t>(ProgressChannel::Label1);
        const std::vector<QLabel*>& labels = reports_->ProgressLabels();
        if (i < labels.size())
            labels[i]->setText(text);
        break;
    }
    case ProgressChannel::AllPanels:
        for (StatusPanel* p : pagePanels)
            p->SetCaption(text);
        break;
    }
}

void TMDIChild::RefreshTreePage() {
    if (freed_)
        return;
    DropStaleGrids();
    tree_->Refresh();
}

void TMDIChild::DropStaleGrids() {
    // A change marks the grids stale; what they show is let go of at once (a
    // grid of a large design holds millions of cells), and rebuilt only when
    // its page is shown again.
    const DesignFlags& f = design_.Flags();
    bool dropped = false;
    auto drop = [&dropped](TextGrid& g) {
        if (g.RowCount() == 0 && g.ColCount() == 0)
            return;
        g.Reset(0, 0);
        dropped = true;
    };
    if (f.gridStale[kPartitionGrids]) {
        drop(views_.partXServ);
        drop(views_.servXPart);
    }
    if (f.gridStale[kAddressGrid])
        drop(views_.servXAddr);
    if (f.gridStale[kObjectGrids]) {
        drop(views_.objects.partitions);
        drop(views_.objects.servers);
        drop(views_.objects.containers);
    }
    if (dropped) {
        partitionGrids_->Reload();
        objectGrids_->Reload();
    }
}

void TMDIChild::HistoryChanged() {
    if (!freed_)
        DropStaleGrids();
    // Undo and Redo follow the history of the active window.
    if (!freed_ && app_->ActiveChild() == this)
        app_->UpdateEditActions();
}

void TMDIChild::SetObjectLabelsVisible(bool visible) {
    tree_->SetLabelsVisible(visible);
}

void TMDIChild::ClearReplicaView() {
    tree_->ClearReplicas();
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
    app_->MainWindow()->setEnabled(enabled);
}

// ---------------------------------------------------------------- tree page state

ObjectNode* TMDIChild::SelectedNode() {
    if (freed_)
        return nullptr;
    if (busy_ > 0 && tree_->Frozen())
        return busySelection_;
    return tree_->SelectedNode();
}

void TMDIChild::SelectNode(ObjectNode* node) {
    tree_->SelectNode(node);
}

void TMDIChild::GotoObject() {
    actions_->GotoObject();
}

int TMDIChild::LeafRowCount() const {
    return tree_->LeafRowCount();
}

int TMDIChild::SelectedLeafCount() const {
    return tree_->SelectedLeafCount();
}

bool TMDIChild::ReplicaListShowsServer() const {
    return tree_->ReplicaListShowsServer();
}

// ---------------------------------------------------------------- texts

void TMDIChild::ApplyTexts() {
    pages_->setTabText(kTreePage, QStringLiteral("Tree View"));
    pages_->setTabText(kGridPage, QStringLiteral("Partition Grid View"));
    pages_->setTabText(kReportsPage, QStringLiteral("Reports"));
    tree_->ApplyTexts();
    reports_->ApplyTexts();
    partitionGrids_->ApplyTexts();
    if (actions_)
        actions_->ApplyTexts();
    design_.MarkAllStale();
    PageControl1Change(pages_->currentIndex());
    RefreshTreePage();
}

// ---------------------------------------------------------------- pages

int TMDIChild::ActivePage() const {
    return pages_->currentIndex();
}

void TMDIChild::PageControl1Change(int page) {
    design_.SetAbortRequested(false);
    app_->ChildPageChanged(this, page);
    emit PageChanged(page);
    BuildPage(page);
}

void TMDIChild::AbortClick() {
    for (QPushButton* b : {partitionGrids_->AbortButton(), objectGrids_->AbortButton(),
                           reports_->AbortButton(), suggestions_->AbortButton()})
        b->setEnabled(false);
    design_.SetAbortRequested(true);
}

void TMDIChild::BuildPage(int page) {
    if (freed_ || Busy() || page == kTreePage)
        return;
    const std::pair<int, QPushButton*> aborts[] = {
        {kGridPage, partitionGrids_->AbortButton()},
        {kObjGridPage, objectGrids_->AbortButton()},
        {kReportsPage, reports_->AbortButton()},
        {kSuggestionsPage, suggestions_->AbortButton()},
    };
    for (const auto& [p, b] : aborts)
        b->setEnabled(p == page);
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
            TextPage* texts = page == kReportsPage ? reports_ : suggestions_;
            if (QTextEdit* box = texts->ShownBox(&which)) {
                // Label5 to Label7 show the server depths while the schema
                // report computes them, and are hidden otherwise.
                reports_->SetProgressLabelsVisible(which == kSchemaReport);
                PageResult r = RefreshReport(design_, app_->Settings(), views_, which);
                reports_->SetProgressLabelsVisible(false);
                if (r != PageResult::Current)
                    box->setPlainText(FromModel(views_.texts[which].Joined()));
            }
        }
    }
    partitionGrids_->Reload();
    objectGrids_->Reload();
    for (const auto& [p, b] : aborts)
        b->setEnabled(false);
}

// ---------------------------------------------------------------- finds

void TMDIChild::FindText(const QString& text) {
    TextPage* texts = ActivePage() == kReportsPage       ? reports_
                      : ActivePage() == kSuggestionsPage ? suggestions_
                                                         : nullptr;
    if (texts && !texts->FindText(text))
        app_->Ui().Information("'" + ToModel(text) + "' was not found.");
}

// ---------------------------------------------------------------- sorting

void TMDIChild::SortObjects() {
    SetObjectLabelsVisible(false);
    Show(ProgressChannel::Import, "  Sorting Objects..");
    {
        BusyScope busy(*this, true);
        relay_.Pump();
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
        relay_.Pump();
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
    if (checked != defaultSorting_)
        SetDefaultSorting(checked);
}

GridPage* TMDIChild::ShownGridPage() const {
    if (ActivePage() == kGridPage)
        return partitionGrids_;
    if (ActivePage() == kObjGridPage)
        return objectGrids_;
    return nullptr;
}

TextPage* TMDIChild::ShownTextPage() const {
    if (ActivePage() == kReportsPage)
        return reports_;
    if (ActivePage() == kSuggestionsPage)
        return suggestions_;
    return nullptr;
}

void TMDIChild::SortGridView() {
    GridUnsortedIndex which = kPartXServGrid;
    GridPage* grids = ShownGridPage();
    if (!grids || !grids->VisibleGrid(&which))
        return;
    {
        BusyScope busy(*this, false);
        qv::SortGridView(design_, views_, which);
    }
    partitionGrids_->Reload();
    objectGrids_->Reload();
}

void TMDIChild::SortAddressGrid(int column) {
    {
        BusyScope busy(*this, false);
        SortAddressGridBy(design_, views_, column);
    }
    partitionGrids_->Reload();
}

void TMDIChild::SaveDelimitedCmd() {
    GridUnsortedIndex which = kPartXServGrid;
    GridPage* grids = ShownGridPage();
    if (!grids || !grids->VisibleGrid(&which))
        return;
    Interaction& ui = app_->Ui();
    std::optional<std::string> path = ChooseDelimitedFile(ui);
    if (!path)
        return;
    SaveDelimitedFile(views_.Grid(which), *path, ui);
}

// ---------------------------------------------------------------- closing

bool TMDIChild::SettleChanges(bool* dropChanges) {
    *dropChanges = false;
    if (freed_ || !design_.Flags().modified)
        return true;
    // When the user wants the design saved and it is not (the file choice
    // cancelled, or the write failed), the window stays open with its changes.
    if (!app_->Ui().AskYesNo(design_.designFileName + " has changed.. Save?")) {
        *dropChanges = true; // dropped when the design is freed, not before
        return true;
    }
    bool saved;
    {
        BusyScope busy(*this, false);
        saved = SaveDesign(design_);
    }
    return saved && !design_.Flags().modified;
}

void TMDIChild::Free(bool dropChanges) {
    if (freed_)
        return;
    if (dropChanges)
        design_.DropChanges();
    BusyScope busy(*this, true);
    design_.FreeAll([this] { SaveDesign(design_); });
    freed_ = true;
    tree_->Release();
}

bool TMDIChild::FreeAll() {
    if (freed_)
        return true;
    bool drop = false;
    if (!SettleChanges(&drop))
        return false;
    Free(drop);
    return true;
}

void TMDIChild::closeEvent(QCloseEvent* event) {
    if (Busy() || !FreeAll()) {
        event->ignore();
        return;
    }
    app_->RemoveFromWindowList(windowTitle());
    event->accept();
    QMdiSubWindow::closeEvent(event);
}

} // namespace qv::gui
