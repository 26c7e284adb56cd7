#include "gui/shell/mdi_app.h"

#include "core/entries.h"
#include "core/operation_log.h"
#include "gui/compare/compare_window.h"
#include "gui/core/dialogs.h"
#include "gui/core/mdi_child.h"
#include "gui/core/named.h"
#include "gui/core/pages/grid_page.h"
#include "gui/core/pages/text_page.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/qt_text.h"
#include "gui/edit/address_dialogs.h"
#include "gui/edit/edit_dialogs.h"
#include "gui/edit/tree_actions.h"
#include "gui/edit/tree_commands.h"
#include "gui/help/help_window.h"
#include "gui/netware/nds_dialogs.h"
#include "gui/planner/plan_replicas_dialog.h"
#include "gui/print/print_status_dlg.h"
#include "gui/reports/class_chooser_dlg.h"
#include "gui/reports/display_objs_dlg.h"
#include "gui/reports/replica_report_dlg.h"
#include "gui/reports/warning_settings_dlg.h"
#include "gui/utilities/default_server_dialogs.h"
#include "gui/utilities/file_rights_dialogs.h"
#include "gui/utilities/nds_rights_dialogs.h"
#include "gui/utilities/schema_dialogs.h"
#include "platform/settings_store.h"
#include "reports/analysis_pages.h"

#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QTreeView>

namespace qv::gui {

// The application's warning settings and where they are stored.
class SettingsHost {
public:
    WarningSettings settings;
    std::int32_t settingsVersion = kSettingsVersion;
    bool settingsChanged = false;
    IniSettingsStorage storage;
};

TMDIApp::TMDIApp(int splashSeconds, QWidget* parent) : QMainWindow(parent), ui_(this) {
    setObjectName(QStringLiteral("TMDIApp"));
    setWindowTitle(QStringLiteral("Quorvane"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/app_icon.png")));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);

    mdi_ = MakeNamed<QMdiArea>(this, "ClientArea");
    mdi_->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        auto* child = qobject_cast<TMDIChild*>(w);
        if (!child || child->Freed() || child->Busy())
            return;
        ChildPageChanged(child, child->ActivePage());
        child->WindowActivated(SortAutomaticallyChecked());
    });

    auto* status = MakeNamed<QStatusBar>(this, "StatusBar");
    setStatusBar(status);
    BuildMenus();

    resize(900, 640);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }

    // File dialogs open in the folder of the active design, or else in the
    // last folder used.
    ui_.SetFolderHint([this]() -> QString {
        TMDIChild* c = ActiveChild();
        if (!c)
            return {};
        const QFileInfo file(FromMessage(c->Design().designFileName));
        return file.isAbsolute() && file.absoluteDir().exists() ? file.absolutePath() : QString();
    });
    // Watches modal dialogs and boxes open and close (see ReturnToCommandWindow).
    qApp->installEventFilter(this);

    settings_ = std::make_unique<SettingsHost>();
    ReadSettings();
    untitledCounter_ = 1;

    // Keep the splash window up for a moment, servicing the message queue.
    if (splashSeconds > 0) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < splashSeconds * 1000LL) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(20);
        }
    }
}

TMDIApp::~TMDIApp() {
    qApp->removeEventFilter(this);
}

void TMDIApp::CreateDialogs() {
    if (svrDlg_)
        return;
    svrDlg_ = new TSvrDlg(images_, this);
    nameDlg_ = new TNewNameDlg(this);
    errReportDlg_ = new TErrReportDlg(this);
    moveDlg_ = new TMoveDlg(ui_, this);
    addEditDlg_ = new TAddEditDLg(this);
    addrDlg_ = new TAddrDlg(*addEditDlg_, this);
    findDlg_ = new TFindDlg(this);
    winList_ = new TWinList(this);
    rptConfigDlg_ = new TFM_RPTCONFIG(images_, this);
    displayObjsDlg_ = new TFM_DISPLAYOBJS(images_, this);
    settingsDlg_ = new TFM_WARNINGSETTINGS(ui_, this);
    replicaRptDlg_ = new TFRM_REPLICARPT(images_, this);
    createDlg_ = new TDLG_CREATE(this);
    printDlg_ = new TFM_PRINTDLG(this);
    helpDlg_ = new TFM_HELP(images_, this);

    // The "&Print" buttons of the report windows.
    connect(errReportDlg_->PrintButton(), &QPushButton::clicked, this, [this] {
        QTextEdit* box = errReportDlg_->TreeReport()->isVisible() ? errReportDlg_->TreeReport()
                                                                  : errReportDlg_->LogFile();
        PrintTextBox(errReportDlg_, box, images_);
    });
    connect(replicaRptDlg_->PrintButton(), &QPushButton::clicked, this,
            [this] { PrintWindowImage(replicaRptDlg_, replicaRptDlg_); });
    connect(displayObjsDlg_->PrintButton(), &QPushButton::clicked, this, [this] {
        TMDIChild* c = ActiveChild();
        if (!c)
            return;
        PrintSource source = PrintSourceFor(*c);
        source.window = displayObjsDlg_;
        PrintSearchResult(source, displayObjsDlg_->Result(), displayObjsDlg_->RootClass(),
                          displayObjsDlg_->RootIsPartition());
    });
}

// ---------------------------------------------------------------- menus

QMenu* TMDIApp::AddMenu(const char* name, const char* caption) {
    QMenu* m = menuBar()->addMenu(QString::fromLatin1(caption));
    m->setObjectName(QLatin1String(name));
    connect(m, &QMenu::aboutToShow, this, &TMDIApp::UpdateAllMenus);
    return m;
}

QMenu* TMDIApp::AddSubMenu(QMenu* menu, const char* name, const char* caption) {
    QMenu* m = menu->addMenu(QString::fromLatin1(caption));
    m->setObjectName(QLatin1String(name));
    return m;
}

QAction* TMDIApp::AddItem(QMenu* menu, const char* name, const char* caption,
                          std::function<void()> command) {
    QAction* a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(QLatin1String(name));
    connect(a, &QAction::triggered, this, [this, command] {
        if (busy_ == 0)
            RunCommand(command);
    });
    return a;
}

void TMDIApp::RunCommand(const std::function<void()>& command) {
    // Every command acts on the window it started in, whatever the boxes it
    // shows do to the activation on their way out.
    QPointer<TMDIChild> outer = commandWindow_;
    if (commandDepth_++ == 0)
        commandWindow_ = ActiveChild();
    command();
    if (--commandDepth_ == 0) {
        ReturnToCommandWindow();
    } else {
        commandWindow_ = outer;
    }
}

TMDIChild* TMDIApp::CommandWindow() const {
    return commandWindow_.data();
}

void TMDIApp::ActOn(TMDIChild* child) {
    commandWindow_ = child;
}

void TMDIApp::ReturnToCommandWindow() {
    TMDIChild* c = commandWindow_.data();
    if (!c || c->Freed() || !c->isVisible() || !mdi_->subWindowList().contains(c))
        return;
    if (mdi_->activeSubWindow() != c)
        mdi_->setActiveSubWindow(c);
    // The frame gives the keyboard focus back to its last focus widget when
    // it is activated again: that widget must be in this window.
    QWidget* focus = focusWidget();
    if (!focus || !c->isAncestorOf(focus)) {
        if (c->TreeView1()->isEnabled() && c->ActivePage() == TMDIChild::kTreePage)
            c->TreeView1()->setFocus();
        else
            c->setFocus();
    }
}

bool TMDIApp::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() && w->isModal() && w != this) {
            if (type == QEvent::Show) {
                // Boxes that went away without a hide no longer count.
                for (auto it = modals_.begin(); it != modals_.end();)
                    it = QApplication::topLevelWidgets().contains(*it) && (*it)->isVisible()
                             ? std::next(it)
                             : modals_.erase(it);
                if (modals_.isEmpty() && commandDepth_ == 0)
                    commandWindow_ = ActiveChild();
                modals_.insert(w);
            } else if (modals_.remove(w) && modals_.isEmpty()) {
                ReturnToCommandWindow();
                // Once more when the frame has been activated again.
                QTimer::singleShot(0, this, [this] {
                    if (modals_.isEmpty())
                        ReturnToCommandWindow();
                });
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMDIApp::Forward(const std::function<void(TMDIChild&)>& command) {
    TMDIChild* child = ActiveChild();
    if (child && !child->Busy() && !child->Freed())
        command(*child);
}

std::function<void()> TMDIApp::ToCommands(void (TreeCommands::*command)()) {
    return [this, command] { Forward([command](TMDIChild& c) { (CommandsOf(c).*command)(); }); };
}

void TMDIApp::BuildMenus() {
    BuildFileMenu();
    BuildEditMenu();
    BuildSearchMenu();
    BuildTreeMenu();
    BuildViewMenu();
    BuildReplicaMenu();
    BuildOptionsMenu();
    BuildWindowMenu();
    BuildHelpMenu();
}

void TMDIApp::BuildFileMenu() {
    MainMenu& m = menu_;
    m.file = AddMenu("File1", "&File");
    m.newDesign = AddItem(m.file, "New1", "New", [this] { New1Click(); });
    m.open = AddItem(m.file, "Open1", "Open", [this] { Open1Click(); });
    m.save = AddItem(m.file, "Save1", "Save", [this] { Save1Click(); });
    m.saveAs = AddItem(m.file, "SaveAs1", "Save As", [this] { SaveAs1Click(); });
    // The differences from another design and the plan that turns this one into it.
    m.compareWith = AddItem(m.file, "CompareWith1", "Compare With...", [this] {
        Forward([](TMDIChild& c) {
            // A selected difference is shown on the Tree View page.
            OpenCompareWith(&c, c.Design(), [child = &c](ObjectNode* n) {
                child->PageControl1()->setCurrentIndex(TMDIChild::kTreePage);
                child->SelectNode(n);
            });
        });
    });
    m.file->addSeparator();
    m.printMode = AddSubMenu(m.file, "PrintMode1", "Print Mode");
    m.graphical = AddItem(m.printMode, "Graphical1", "Graphical", [] {});
    m.text = AddItem(m.printMode, "Text1", "Text", [] {});
    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    for (QAction* a : {m.graphical, m.text}) {
        a->setCheckable(true);
        modes->addAction(a);
    }
    m.graphical->setChecked(true);
    m.print = AddItem(m.file, "Print1", "Print", [this] { Print1Click(); });
    m.printScreen =
        AddItem(m.file, "PrintScreen1", "Print Screen", [this] { PrintScreen1Click(); });
    m.file->addSeparator();
    m.close = AddItem(m.file, "Close1", "Close", [this] { Close1Click(); });
    m.exit = AddItem(m.file, "Exit1", "Exit", [this] { Exit1Click(); });
}

void TMDIApp::BuildEditMenu() {
    MainMenu& m = menu_;
    m.edit = AddMenu("Edit1", "&Edit");
    m.undo = AddItem(m.edit, "Undo1", "&Undo", [this] { Undo1Click(); });
    m.undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m.redo = AddItem(m.edit, "Redo1", "&Redo", [this] { Redo1Click(); });
    m.redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
}

void TMDIApp::BuildSearchMenu() {
    MainMenu& m = menu_;
    m.search = AddMenu("Search1", "&Search");
    m.findServer =
        AddItem(m.search, "FindServer1", "Find Server", ToCommands(&TreeCommands::FindServer));
    m.findText = AddItem(m.search, "FindText1", "Find Text", [this] {
        Forward([this](TMDIChild& c) {
            findDlg_->Prepare();
            if (findDlg_->exec() == QDialog::Accepted)
                c.FindText(findDlg_->Text());
        });
    });
    m.findObject = AddItem(m.search, "FindObject1", "Find Object", [this] {
        Forward([this](TMDIChild& c) {
            findDlg_->Prepare();
            if (findDlg_->exec() == QDialog::Accepted)
                c.Tree().FindObject(findDlg_->Text(), ui_);
        });
    });
}

void TMDIApp::BuildTreeMenu() {
    MainMenu& m = menu_;
    m.tree = AddMenu("Tree1", "&Tree");
    m.discoverTree =
        AddItem(m.tree, "MM_DISCOVER_TREE", "Search NDS Tree", [this] { DiscoverTree1Click(); });
    m.importRingReport = AddItem(m.tree, "ImportDSDiagReport1", "Import Replica Ring Report",
                                 [this] { ImportDSDiagReport1Click(); });
    m.importVersionReport = AddItem(m.tree, "ImportDSVersionReport1", "Import DS Version Report",
                                    [this] { ImportDSVersionReport1Click(); });
    m.importObjectReport = AddItem(m.tree, "ImportUserReport1", "Import Object Report",
                                   [this] { ImportUserReport1Click(); });
    m.tree->addSeparator();
    m.compareServerSchema = AddItem(m.tree, "CompareServerSchema1", "Server Schema Comparison",
                                    [this] { CompareServerSchema(*this, false, {}); });
    m.verifyUserDefaultServer =
        AddItem(m.tree, "VerifyUserDefaultServer1", "Verify User Default Server",
                [this] { VerifyUserDefaultServer(*this); });
    m.tree->addSeparator();
    m.createPartition = AddItem(m.tree, "CreatePartition1", "Create Partition",
                                ToCommands(&TreeCommands::CreatePartition));
    m.mergePartition = AddItem(m.tree, "MergePartition1", "Merge Partition",
                               ToCommands(&TreeCommands::MergePartition));
    m.addReplica =
        AddItem(m.tree, "AddReplica1", "Add Replica", ToCommands(&TreeCommands::AddReplica));
    m.planReplicaLayout = AddItem(m.tree, "PlanReplicaLayout1", "Plan Replica Layout...", [this] {
        Forward([this](TMDIChild& c) { ShowPlanReplicaLayout(&c, c.Design(), Settings()); });
    });
    m.mergeTrees = AddItem(m.tree, "MergeTrees1", "Merge Trees", [this] { MergeTrees1Click(); });
    m.tree->addSeparator();
    m.createObject =
        AddItem(m.tree, "CreateObject1", "Create Object", ToCommands(&TreeCommands::CreateObject));
    m.deleteObject =
        AddItem(m.tree, "DeleteObject1", "Delete Object", ToCommands(&TreeCommands::DeleteObject));
    m.renameObject =
        AddItem(m.tree, "RenameObject1", "Rename Object", ToCommands(&TreeCommands::RenameObject));
    m.moveObject =
        AddItem(m.tree, "MoveObject1", "Move Object", ToCommands(&TreeCommands::MoveObject));
    m.tree->addSeparator();
    m.displayRights = AddSubMenu(m.tree, "DisplayRights1", "Display Rights");
    // The rights commands are the design window's: the main menu forwards.
    m.ndsRights = AddItem(m.displayRights, "NDSRights1", "NDS Rights",
                          [this] { Forward([](TMDIChild& c) { NDSRights(c); }); });
    m.fileRights = AddItem(m.displayRights, "FileRights1", "File Rights",
                           [this] { Forward([](TMDIChild& c) { FileRights(c); }); });
}

void TMDIApp::BuildViewMenu() {
    MainMenu& m = menu_;
    m.view = AddMenu("View1", "&View");
    m.collapseAll = AddItem(m.view, "CollapseAll1", "Collapse All",
                            [this] { Forward([](TMDIChild& c) { c.Tree().CollapseAll(); }); });
    m.expandAll = AddItem(m.view, "ExpandAll1", "Expand All",
                          [this] { Forward([](TMDIChild& c) { c.Tree().ExpandAll(); }); });
}

void TMDIApp::BuildReplicaMenu() {
    MainMenu& m = menu_;
    m.replica = AddMenu("Replica1", "&Replica");
    m.deleteReplica =
        AddItem(m.replica, "Delete1", "Delete", ToCommands(&TreeCommands::DeleteReplica));
    m.changeType =
        AddItem(m.replica, "ChangeType1", "Change Type", ToCommands(&TreeCommands::ChangeType));
}

void TMDIApp::BuildOptionsMenu() {
    MainMenu& m = menu_;
    m.options = AddMenu("Options1", "&Options");
    m.clearDSVersions = AddItem(m.options, "ClearDSVersions1", "Clear DS Versions",
                                ToCommands(&TreeCommands::ClearDSVersions));
    m.clearServerAddresses =
        AddItem(m.options, "ClearAllServerAddresses1", "Clear Server Addresses",
                ToCommands(&TreeCommands::ClearServerAddresses));
    m.options->addSeparator();
    m.sortObjects = AddItem(m.options, "SortObjects1", "Sort Objects",
                            [this] { Forward([](TMDIChild& c) { c.SortObjects(); }); });
    m.sortAutomatically = AddItem(m.options, "SortAutomatically1", "Default Sorting",
                                  [this] { SortAutomatically1Click(); });
    m.sortAutomatically->setCheckable(true);
    m.sortGridView = AddItem(m.options, "SortGridView1", "Sort Grid View",
                             [this] { Forward([](TMDIChild& c) { c.SortGridView(); }); });
    m.options->addSeparator();
    m.logToFile = AddItem(m.options, "LogToFile1", "Enable Operation Log", [this] {
        OperationLog::SetRecording(!OperationLog::Recording());
        menu_.logToFile->setChecked(OperationLog::Recording());
    });
    m.logToFile->setCheckable(true);
    m.viewLogFile = AddItem(m.options, "ViewLogFile1", "View Operation Log", [this] {
        Forward([this](TMDIChild& c) {
            errReportDlg_->ShowLogFile(FromMessage(c.Design().log.Text()));
        });
    });
    m.clearLogFile = AddItem(m.options, "ClearLogFile1", "Clear Operation Log",
                             [this] { Forward([](TMDIChild& c) { c.Design().log.Clear(); }); });
    m.options->addSeparator();
    m.changeWarningSettings =
        AddItem(m.options, "ChangeWarningSettings1", "Change Warning/Suggestion Settings",
                [this] { ChangeWarningSettings1Click(); });
}

void TMDIApp::BuildWindowMenu() {
    MainMenu& m = menu_;
    m.window = AddMenu("Window1", "&Window");
    m.cascade = AddItem(m.window, "Casscade1", "Cascade", [this] { mdi_->cascadeSubWindows(); });
    m.tile = AddItem(m.window, "Tile1", "Tile", [this] { mdi_->tileSubWindows(); });
    m.windowList = AddItem(m.window, "WindowList1", "Window List", [this] { WindowList1Click(); });
}

void TMDIApp::BuildHelpMenu() {
    MainMenu& m = menu_;
    m.help = AddMenu("Help1", "&Help");
    m.helpContents = AddItem(m.help, "Help2", "Help", [this] {
        if (helpDlg_)
            helpDlg_->ShowHelp();
    });
    m.about = AddItem(m.help, "About1", "About", [this] { About1Click(); });
}

TMDIChild* TMDIApp::ActiveChild() const {
    auto* child = qobject_cast<TMDIChild*>(mdi_->currentSubWindow());
    if (child && !child->Freed())
        return child;
    return nullptr;
}

QList<TMDIChild*> TMDIApp::Children() const {
    QList<TMDIChild*> out;
    for (QMdiSubWindow* w : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (auto* c = qobject_cast<TMDIChild*>(w))
            out << c;
    return out;
}

void TMDIApp::UpdateAllMenus() {
    TMDIChild* c = ActiveChild();
    TreeCommands* cmd = c ? &CommandsOf(*c) : nullptr;
    const bool window = c != nullptr;
    const int page = window ? c->ActivePage() : -1;
    const bool treePage = page == TMDIChild::kTreePage;
    const bool gridPage = page == TMDIChild::kGridPage || page == TMDIChild::kObjGridPage;
    const bool textPage = window && !treePage && page != TMDIChild::kGridPage;
    const bool modified = window && c->Design().Flags().modified;
    const bool leafRows = window && c->LeafRowCount() > 0;
    const bool rootHasLeaves = window && c->Design().Root()->Leaves();
    const bool leavesSelected = leafRows && c->SelectedLeafCount() > 0;
    const bool container = window && cmd->SelectedIsContainer();
    const MainMenu& m = menu_;
    const std::pair<QAction*, bool> rules[] = {
        // File
        {m.newDesign, true},
        {m.open, true},
        {m.exit, true},
        {m.save, modified},
        {m.saveAs, window},
        {m.compareWith, window},
        {m.print, window},
        {m.close, window},
        {m.printScreen, window},
        {m.printMode->menuAction(), window},
        // Search
        {m.findText, textPage},
        {m.findServer, treePage},
        {m.findObject, treePage && rootHasLeaves && leafRows},
        // Tree
        {m.discoverTree, true},
        {m.importRingReport, true},
        {m.mergeTrees, window},
        {m.importVersionReport, window},
        {m.importObjectReport, window},
        {m.compareServerSchema, window},
        {m.verifyUserDefaultServer, container},
        {m.createObject, window && cmd->CanCreateObject()},
        {m.displayRights->menuAction(), leavesSelected},
        {m.deleteObject, window && cmd->CanDeleteObject()},
        {m.createPartition, window && cmd->CanCreatePartition()},
        {m.mergePartition, window && cmd->CanMergePartition()},
        {m.addReplica, window && cmd->CanAddReplica()},
        {m.planReplicaLayout, window},
        {m.renameObject, window && cmd->CanRenameObject()},
        {m.moveObject, window && cmd->CanMoveObject()},
        // View
        {m.collapseAll, window},
        {m.expandAll, window},
        // Replica
        {m.deleteReplica, window && cmd->CanDeleteReplica()},
        {m.changeType, window && cmd->CanChangeReplica()},
        // Options
        {m.clearDSVersions, treePage},
        {m.clearServerAddresses, treePage},
        {m.sortObjects, treePage},
        {m.sortAutomatically, treePage},
        {m.sortGridView, gridPage},
        {m.logToFile, window},
        {m.viewLogFile, window},
        {m.clearLogFile, window},
        {m.changeWarningSettings, true},
        // Window
        {m.cascade, window},
        {m.tile, window},
        {m.windowList, window},
    };
    for (const auto& [action, enabled] : rules)
        action->setEnabled(enabled);
    UpdateEditActions();
}

void TMDIApp::ChildPageChanged(TMDIChild*, int page) {
    bool treePage = page == TMDIChild::kTreePage;
    for (QMenu* m : {menu_.tree, menu_.view, menu_.replica})
        m->menuAction()->setEnabled(treePage);
}

void TMDIApp::SetBusy(bool busy) {
    // While a design window works, commands are ignored (the menus stay as
    // they are: enabling the menu bar again would re-enable every heading).
    busy_ += busy ? 1 : -1;
}

// ---------------------------------------------------------------- window list

void TMDIApp::AddToWindowList(const QString& caption) {
    shortNames_ << FromMessage(LastPathComponent(ToPath(caption)));
    fullNames_ << caption;
}

void TMDIApp::ReplaceInWindowList(const QString& oldCaption, const QString& newCaption) {
    qsizetype at = fullNames_.lastIndexOf(oldCaption);
    if (at < 0)
        return;
    shortNames_[at] = FromMessage(LastPathComponent(ToPath(newCaption)));
    fullNames_[at] = newCaption;
}

void TMDIApp::RemoveFromWindowList(const QString& caption) {
    qsizetype at = fullNames_.lastIndexOf(caption);
    if (at < 0)
        return;
    shortNames_.removeAt(at);
    fullNames_.removeAt(at);
}

void TMDIApp::WindowList1Click() {
    if (!ActiveChild())
        return;
    winList_->Prepare(shortNames_);
    if (winList_->exec() != QDialog::Accepted)
        return;
    int pos = winList_->SelectedPosition();
    if (pos < 0 || pos >= fullNames_.size())
        return;
    const QString full = fullNames_[pos];
    for (TMDIChild* c : Children())
        if (c->windowTitle() == full) {
            mdi_->setActiveSubWindow(c);
            ActOn(c);
        }
}

// ---------------------------------------------------------------- printing and discovery

bool TMDIApp::GraphicalPrintMode() const {
    return menu_.graphical->isChecked();
}

// ---------------------------------------------------------------- options

bool TMDIApp::SortAutomaticallyChecked() const {
    return sortAutomatically_;
}

void TMDIApp::SortAutomatically1Click() {
    QAction* item = menu_.sortAutomatically;
    QAction* sortObjects = menu_.sortObjects;
    // The check mark follows sortAutomatically_, whatever the click did to it.
    item->setChecked(sortAutomatically_);
    if (sortAutomatically_) {
        sortAutomatically_ = false;
        item->setChecked(false);
        sortObjects->setVisible(true);
        Forward([](TMDIChild& c) { c.SetDefaultSorting(false); });
        return;
    }
    if (!ui_.AskYesNo("Default sorting may cause a degredation in performance\rwhen creating and "
                      "moving objects in a very large design.\rContinue?"))
        return;
    sortAutomatically_ = true;
    item->setChecked(true);
    sortObjects->setVisible(false);
    Forward([](TMDIChild& c) { c.SetDefaultSorting(true); });
}

void TMDIApp::ChangeWarningSettings1Click() {
    settingsDlg_->FormShow(settings_->settings);
    settingsDlg_->exec();
    if (!settingsDlg_->Accepted())
        return;
    settings_->settings = *settingsDlg_->Accepted();
    settings_->settingsChanged = true;
    for (TMDIChild* c : Children())
        if (!c->Freed())
            MarkSuggestionsStale(c->Design());
}

const WarningSettings& TMDIApp::Settings() const {
    return settings_->settings;
}

void TMDIApp::ReadSettings() {
    settings_->settings = WarningSettings{};
    settings_->settingsVersion = kSettingsVersion;
    ReadRegistry(settings_->storage, ui_, settings_->settings, settings_->settingsVersion);
}

void TMDIApp::WriteSettings() {
    WriteRegistry(settings_->storage, ui_, settings_->settings);
}

void TMDIApp::About1Click() {
    TAboutBox box(images_.ProductPicture(), this);
    box.exec();
}

} // namespace qv::gui
