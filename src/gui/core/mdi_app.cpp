#include "gui/core/mdi_app.h"

#include "core/entries.h"
#include "core/operation_log.h"
#include "files/design_file.h"
#include "files/merge_trees.h"
#include "files/object_report.h"
#include "files/report_reader.h"
#include "gui/core/dialogs.h"
#include "gui/core/mdi_child.h"
#include "gui/core/qt_text.h"
#include "gui/edit/address_dialogs.h"
#include "gui/edit/edit_dialogs.h"
#include "gui/reports/class_chooser_dlg.h"
#include "gui/reports/display_objs_dlg.h"
#include "gui/reports/replica_report_dlg.h"
#include "gui/reports/warning_settings_dlg.h"
#include "platform/settings_store.h"
#include "reports/analysis_pages.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTextEdit>
#include <QThread>
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

    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("ClientArea"));
    mdi_->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        auto* child = qobject_cast<TMDIChild*>(w);
        if (!child || child->Freed() || child->Busy())
            return;
        ChildPageChanged(child, child->ActivePage());
        child->WindowActivated(SortAutomaticallyChecked());
    });

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(status);
    BuildMenus();

    resize(900, 640);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }

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

TMDIApp::~TMDIApp() = default;

void TMDIApp::CreateDialogs() {
    if (svrDlg_)
        return;
    svrDlg_ = new TSvrDlg(this);
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
}

// ---------------------------------------------------------------- menus

QMenu* TMDIApp::AddMenu(const char* name, const char* caption) {
    QMenu* m = menuBar()->addMenu(QString::fromLatin1(caption));
    m->setObjectName(QLatin1String(name));
    menus_[QLatin1String(name)] = m;
    connect(m, &QMenu::aboutToShow, this, [this, m] { UpdateMenu(m); });
    return m;
}

QAction* TMDIApp::AddItem(QMenu* menu, const char* name, const char* caption,
                          std::function<void()> command) {
    QAction* a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(QLatin1String(name));
    items_[QLatin1String(name)] = a;
    connect(a, &QAction::triggered, this, [this, command] {
        if (busy_ == 0)
            command();
    });
    return a;
}

void TMDIApp::NotAvailable() {
    ShowNotAvailable(ui_);
}

void TMDIApp::Forward(const std::function<void(TMDIChild&)>& command) {
    TMDIChild* child = ActiveChild();
    if (child && !child->Busy() && !child->Freed())
        command(*child);
}

void TMDIApp::BuildMenus() {
    auto na = [this] { NotAvailable(); };

    QMenu* file = AddMenu("File1", "&File");
    AddItem(file, "New1", "New", [this] { New1Click(); });
    AddItem(file, "Open1", "Open", [this] { Open1Click(); });
    AddItem(file, "Save1", "Save", [this] { Save1Click(); });
    AddItem(file, "SaveAs1", "Save As", [this] { SaveAs1Click(); });
    file->addSeparator();
    QMenu* printMode = file->addMenu(QStringLiteral("Print Mode"));
    printMode->setObjectName(QStringLiteral("PrintMode1"));
    menus_[QStringLiteral("PrintMode1")] = printMode;
    QAction* graphical = AddItem(printMode, "Graphical1", "Graphical", [] {});
    QAction* text = AddItem(printMode, "Text1", "Text", [] {});
    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    for (QAction* a : {graphical, text}) {
        a->setCheckable(true);
        modes->addAction(a);
    }
    graphical->setChecked(true);
    AddItem(file, "Print1", "Print", na);
    AddItem(file, "PrintScreen1", "Print Screen", na);
    file->addSeparator();
    AddItem(file, "Close1", "Close", [this] { Close1Click(); });
    AddItem(file, "Exit1", "Exit", [this] { Exit1Click(); });

    QMenu* search = AddMenu("Search1", "&Search");
    AddItem(search, "FindServer1", "Find Server",
            [this] { Forward([](TMDIChild& c) { c.FindServer(); }); });
    AddItem(search, "FindText1", "Find Text", [this] {
        Forward([this](TMDIChild& c) {
            findDlg_->Prepare();
            if (findDlg_->exec() == QDialog::Accepted)
                c.FindText(findDlg_->Text());
        });
    });
    AddItem(search, "FindObject1", "Find Object", [this] {
        Forward([this](TMDIChild& c) {
            findDlg_->Prepare();
            if (findDlg_->exec() == QDialog::Accepted)
                c.FindObject(findDlg_->Text());
        });
    });

    QMenu* tree = AddMenu("Tree1", "&Tree");
    AddItem(tree, "MM_DISCOVER_TREE", "Search NDS Tree", na);
    AddItem(tree, "ImportDSDiagReport1", "Import Replica Ring Report",
            [this] { ImportDSDiagReport1Click(); });
    AddItem(tree, "ImportDSVersionReport1", "Import DS Version Report",
            [this] { ImportDSVersionReport1Click(); });
    AddItem(tree, "ImportUserReport1", "Import Object Report",
            [this] { ImportUserReport1Click(); });
    tree->addSeparator();
    AddItem(tree, "CompareServerSchema1", "Server Schema Comparison", na);
    AddItem(tree, "VerifyUserDefaultServer1", "Verify User Default Server", na);
    tree->addSeparator();
    AddItem(tree, "CreatePartition1", "Create Partition",
            [this] { Forward([](TMDIChild& c) { c.CreatePartitionCmd(); }); });
    AddItem(tree, "MergePartition1", "Merge Partition",
            [this] { Forward([](TMDIChild& c) { c.MergePartitionCmd(); }); });
    AddItem(tree, "AddReplica1", "Add Replica",
            [this] { Forward([](TMDIChild& c) { c.AddReplicaCmd(); }); });
    AddItem(tree, "MergeTrees1", "Merge Trees", [this] { MergeTrees1Click(); });
    tree->addSeparator();
    AddItem(tree, "CreateObject1", "Create Object",
            [this] { Forward([](TMDIChild& c) { c.CreateObjectCmd(); }); });
    AddItem(tree, "DeleteObject1", "Delete Object",
            [this] { Forward([](TMDIChild& c) { c.DeleteObjectCmd(); }); });
    AddItem(tree, "RenameObject1", "Rename Object",
            [this] { Forward([](TMDIChild& c) { c.RenameObjectCmd(); }); });
    AddItem(tree, "MoveObject1", "Move Object",
            [this] { Forward([](TMDIChild& c) { c.MoveObjectCmd(); }); });
    tree->addSeparator();
    QMenu* rights = tree->addMenu(QStringLiteral("Display Rights"));
    rights->setObjectName(QStringLiteral("DisplayRights1"));
    menus_[QStringLiteral("DisplayRights1")] = rights;
    AddItem(rights, "NDSRights1", "NDS Rights", na);
    AddItem(rights, "FileRights1", "File Rights", na);

    QMenu* view = AddMenu("View1", "&View");
    AddItem(view, "CollapseAll1", "Collapse All",
            [this] { Forward([](TMDIChild& c) { c.CollapseAll(); }); });
    AddItem(view, "ExpandAll1", "Expand All",
            [this] { Forward([](TMDIChild& c) { c.ExpandAll(); }); });

    QMenu* replica = AddMenu("Replica1", "&Replica");
    AddItem(replica, "Delete1", "Delete",
            [this] { Forward([](TMDIChild& c) { c.DeleteReplicaCmd(); }); });
    AddItem(replica, "ChangeType1", "Change Type",
            [this] { Forward([](TMDIChild& c) { c.ChangeTypeCmd(); }); });

    QMenu* options = AddMenu("Options1", "&Options");
    AddItem(options, "ClearDSVersions1", "Clear DS Versions",
            [this] { Forward([](TMDIChild& c) { c.ClearDSVersionsCmd(); }); });
    AddItem(options, "ClearAllServerAddresses1", "Clear Server Addresses",
            [this] { Forward([](TMDIChild& c) { c.ClearServerAddressesCmd(); }); });
    options->addSeparator();
    AddItem(options, "SortObjects1", "Sort Objects",
            [this] { Forward([](TMDIChild& c) { c.SortObjects(); }); });
    QAction* sortAuto = AddItem(options, "SortAutomatically1", "Default Sorting",
                                [this] { SortAutomatically1Click(); });
    sortAuto->setCheckable(true);
    AddItem(options, "SortGridView1", "Sort Grid View",
            [this] { Forward([](TMDIChild& c) { c.SortGridView(); }); });
    options->addSeparator();
    QAction* logOn = AddItem(options, "LogToFile1", "Enable Operation Log", [this] {
        OperationLog::SetRecording(!OperationLog::Recording());
        items_[QStringLiteral("LogToFile1")]->setChecked(OperationLog::Recording());
    });
    logOn->setCheckable(true);
    AddItem(options, "ViewLogFile1", "View Operation Log", [this] {
        Forward([this](TMDIChild& c) {
            errReportDlg_->ShowLogFile(FromMessage(c.Design().log.Text()));
        });
    });
    AddItem(options, "ClearLogFile1", "Clear Operation Log",
            [this] { Forward([](TMDIChild& c) { c.Design().log.Clear(); }); });
    options->addSeparator();
    AddItem(options, "ChangeWarningSettings1", "Change Warning/Suggestion Settings",
            [this] { ChangeWarningSettings1Click(); });

    QMenu* window = AddMenu("Window1", "&Window");
    AddItem(window, "Casscade1", "Cascade", [this] { mdi_->cascadeSubWindows(); });
    AddItem(window, "Tile1", "Tile", [this] { mdi_->tileSubWindows(); });
    AddItem(window, "WindowList1", "Window List", [this] { WindowList1Click(); });

    QMenu* help = AddMenu("Help1", "&Help");
    AddItem(help, "Help2", "Help", na);
    AddItem(help, "About1", "About", [this] { About1Click(); });
}

QAction* TMDIApp::Item(const QString& name) const {
    auto it = items_.find(name);
    return it == items_.end() ? nullptr : it->second;
}

QMenu* TMDIApp::Menu(const QString& name) const {
    auto it = menus_.find(name);
    return it == menus_.end() ? nullptr : it->second;
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
    for (const char* name :
         {"File1", "Search1", "Tree1", "View1", "Replica1", "Options1", "Window1"})
        UpdateMenu(Menu(QLatin1String(name)));
}

void TMDIApp::UpdateMenu(QMenu* menu) {
    if (!menu)
        return;
    TMDIChild* c = ActiveChild();
    bool any = c != nullptr;
    auto set = [this](const char* name, bool on) {
        if (QAction* a = Item(QLatin1String(name)))
            a->setEnabled(on);
    };
    const QString name = menu->objectName();
    if (name == QLatin1String("File1")) {
        set("New1", true);
        set("Open1", true);
        set("Exit1", true);
        set("Save1", any && c->Design().flags.modified);
        for (const char* n : {"SaveAs1", "Print1", "Close1", "PrintScreen1"})
            set(n, any);
        Menu(QStringLiteral("PrintMode1"))->menuAction()->setEnabled(any);
    } else if (name == QLatin1String("Search1")) {
        int page = any ? c->ActivePage() : -1;
        bool findServer = any && page == TMDIChild::kTreePage;
        set("FindText1", any && page != TMDIChild::kTreePage && page != TMDIChild::kGridPage);
        set("FindServer1", findServer);
        set("FindObject1", findServer && c->Design().Root()->leaves && c->LeafRowCount() > 0);
    } else if (name == QLatin1String("Tree1")) {
        set("MM_DISCOVER_TREE", true);
        set("ImportDSDiagReport1", true);
        for (const char* n :
             {"MergeTrees1", "ImportDSVersionReport1", "ImportUserReport1", "CompareServerSchema1"})
            set(n, any);
        set("VerifyUserDefaultServer1", any && c->SelectedIsContainer());
        set("CreateObject1", any && c->CanCreateObject());
        Menu(QStringLiteral("DisplayRights1"))
            ->menuAction()
            ->setEnabled(any && c->LeafRowCount() > 0 && c->SelectedLeafCount() > 0);
        set("DeleteObject1", any && c->CanDeleteObject());
        set("CreatePartition1", any && c->CanCreatePartition());
        set("MergePartition1", any && c->CanMergePartition());
        set("AddReplica1", any && c->CanAddReplica());
        set("RenameObject1", any && c->CanRenameObject());
        set("MoveObject1", any && c->CanMoveObject());
    } else if (name == QLatin1String("View1")) {
        set("CollapseAll1", any);
        set("ExpandAll1", any);
    } else if (name == QLatin1String("Replica1")) {
        bool change = any && c->CanChangeReplica();
        set("Delete1", change);
        set("ChangeType1", change);
    } else if (name == QLatin1String("Options1")) {
        bool treePage = any && c->ActivePage() == TMDIChild::kTreePage;
        for (const char* n :
             {"ClearDSVersions1", "ClearAllServerAddresses1", "SortObjects1", "SortAutomatically1"})
            set(n, treePage);
        set("SortGridView1", any && (c->ActivePage() == TMDIChild::kGridPage ||
                                     c->ActivePage() == TMDIChild::kObjGridPage));
        for (const char* n : {"LogToFile1", "ViewLogFile1", "ClearLogFile1"})
            set(n, any);
        set("ChangeWarningSettings1", true);
    } else if (name == QLatin1String("Window1")) {
        for (const char* n : {"Casscade1", "Tile1", "WindowList1"})
            set(n, any);
    }
}

void TMDIApp::ChildPageChanged(TMDIChild*, int page) {
    bool treePage = page == TMDIChild::kTreePage;
    for (const char* n : {"Tree1", "View1", "Replica1"})
        Menu(QLatin1String(n))->menuAction()->setEnabled(treePage);
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
        if (c->windowTitle() == full)
            mdi_->setActiveSubWindow(c);
}

// ---------------------------------------------------------------- file commands

TMDIChild* TMDIApp::CreateChild() {
    auto* child = new TMDIChild(this);
    mdi_->addSubWindow(child);
    child->showMaximized();
    // The new window takes the focus, also from a window that a closing file
    // dialog would hand it back to.
    QCoreApplication::processEvents();
    mdi_->setActiveSubWindow(child);
    child->TreeView1()->setFocus();
    return child;
}

void TMDIApp::New1Click() {
    TMDIChild* child = CreateChild();
    {
        TMDIChild::BusyScope busy(*child, true);
        NewDesign(child->Design(), untitledCounter_);
    }
    ++untitledCounter_;
    child->ApplyTexts();
    AddToWindowList(child->windowTitle());
}

void TMDIApp::Open1Click() {
    std::optional<std::string> path = ui_.ChooseOpenFile(DesignOpenDialogRequest());
    if (!path)
        return;
    TMDIChild* child = CreateChild();
    child->setWindowTitle(FromMessage(*path));
    AddToWindowList(child->windowTitle());
    bool ok;
    {
        TMDIChild::BusyScope busy(*child, true);
        ok = OpenDesign(child->Design(), *path);
    }
    if (ok)
        child->ApplyTexts();
    else
        child->close();
}

void TMDIApp::Save1Click() {
    Forward([](TMDIChild& c) {
        TMDIChild::BusyScope busy(c, false);
        SaveDesign(c.Design());
    });
}

void TMDIApp::SaveAs1Click() {
    Forward([](TMDIChild& c) {
        TMDIChild::BusyScope busy(c, false);
        SaveDesignAs(c.Design());
    });
}

void TMDIApp::Close1Click() {
    Forward([](TMDIChild& c) {
        c.FreeAll();
        c.close();
    });
}

void TMDIApp::Exit1Click() {
    if (ui_.AskYesNo("Are you sure you want to exit Quorvane?"))
        close();
}

void TMDIApp::closeEvent(QCloseEvent* event) {
    if (busy_ > 0) {
        event->ignore();
        return;
    }
    for (TMDIChild* c : Children())
        c->FreeAll();
    WriteSettings();
    mdi_->closeAllSubWindows();
    event->accept();
}

// ---------------------------------------------------------------- imports

void TMDIApp::ImportDSDiagReport1Click() {
    std::optional<std::string> path = ui_.ChooseOpenFile(DesignOpenDialogRequest());
    if (!path)
        return;
    // A new design window, exactly as New makes it, then the report into it.
    New1Click();
    TMDIChild* child = ActiveChild();
    if (!child)
        return;
    bool ok;
    ReportReadOutcome outcome;
    {
        TMDIChild::BusyScope busy(*child, true);
        ok = ReadReport(child->Design(), *path, true, &outcome);
    }
    if (ok)
        child->SelectNode(child->Design().Root());
    else if (!outcome.ioError)
        child->close();
}

void TMDIApp::ImportDSVersionReport1Click() {
    TMDIChild* child = ActiveChild();
    if (!child || child->Busy())
        return;
    std::optional<std::string> path = ui_.ChooseOpenFile(DesignOpenDialogRequest());
    if (!path)
        return;
    bool ok;
    ReportReadOutcome outcome;
    {
        TMDIChild::BusyScope busy(*child, true);
        ok = ReadReport(child->Design(), *path, false, &outcome);
    }
    if (ok)
        child->RefreshTreePage();
    else if (!outcome.ioError)
        child->close();
}

void TMDIApp::ImportUserReport1Click() {
    TMDIChild* child = ActiveChild();
    if (!child || child->Busy())
        return;
    std::optional<std::string> path = ui_.ChooseOpenFile(DesignOpenDialogRequest());
    if (!path)
        return;
    bool ok;
    {
        TMDIChild::BusyScope busy(*child, true);
        ok = ReadObjectReport(child->Design(), *path);
    }
    if (ok)
        child->RefreshTreePage();
    else
        child->close();
}

void TMDIApp::MergeTrees1Click() {
    TMDIChild* child = ActiveChild();
    if (!child || child->Busy())
        return;
    std::optional<std::string> path = ui_.ChooseOpenFile(DesignOpenDialogRequest());
    if (!path)
        return;
    if (!ui_.AskYesNo(MergeConfirmationText(*path, child->Design().designFileName)))
        return;
    MergeOutcome outcome;
    {
        TMDIChild::BusyScope busy(*child, true);
        MergeDesignFile(child->Design(), *path, &outcome);
    }
    if (outcome.errorCount != 0) {
        QStringList lines;
        for (const std::string& line : outcome.errorReport)
            lines << FromMessage(line);
        errReportDlg_->TreeReport()->setPlainText(lines.join(QLatin1Char('\n')));
        errReportDlg_->ShowTreeReport();
    }
    child->RefreshTreePage();
}

// ---------------------------------------------------------------- options

bool TMDIApp::SortAutomaticallyChecked() const {
    return sortAutomatically_;
}

void TMDIApp::SortAutomatically1Click() {
    QAction* item = Item(QStringLiteral("SortAutomatically1"));
    QAction* sortObjects = Item(QStringLiteral("SortObjects1"));
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
