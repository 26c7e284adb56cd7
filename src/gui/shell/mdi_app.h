// TMDIApp: the main frame. It owns the menus, the shared dialogs, the class
// images, the warning settings and the window list, forwards design commands
// to the active design window and runs start-up and shutdown.
#pragma once

#include "gui/core/image_list.h"
#include "gui/core/qt_hosts.h"
#include "gui/core/workspace.h"
#include "gui/edit/edit_services.h"
#include "gui/print/print_commands.h"

#include "reports/warning_settings.h"

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QMdiArea;
class QMenu;
class QAction;
class QLabel;

namespace qv::gui {

// The shared dialogs of the editing commands are declared with their services.
class TreeCommands;
class TFindDlg;
class TWinList;
class SettingsHost;
class TFM_WARNINGSETTINGS;
class TAddEditDLg;
class TFM_PRINTDLG;
class TFM_HELP;

// The main menu: every heading and item of the menu bar, built in one place.
struct MainMenu {
    QMenu* file = nullptr;
    QAction* newDesign = nullptr;
    QAction* open = nullptr;
    QAction* save = nullptr;
    QAction* saveAs = nullptr;
    QAction* compareWith = nullptr;
    QMenu* printMode = nullptr;
    QAction* graphical = nullptr;
    QAction* text = nullptr;
    QAction* print = nullptr;
    QAction* printScreen = nullptr;
    QAction* close = nullptr;
    QAction* exit = nullptr;

    QMenu* edit = nullptr;
    QAction* undo = nullptr;
    QAction* redo = nullptr;

    QMenu* search = nullptr;
    QAction* findServer = nullptr;
    QAction* findText = nullptr;
    QAction* findObject = nullptr;

    QMenu* tree = nullptr;
    QAction* discoverTree = nullptr;
    QAction* importRingReport = nullptr;
    QAction* importVersionReport = nullptr;
    QAction* importObjectReport = nullptr;
    QAction* compareServerSchema = nullptr;
    QAction* verifyUserDefaultServer = nullptr;
    QAction* createPartition = nullptr;
    QAction* mergePartition = nullptr;
    QAction* addReplica = nullptr;
    QAction* planReplicaLayout = nullptr;
    QAction* mergeTrees = nullptr;
    QAction* createObject = nullptr;
    QAction* deleteObject = nullptr;
    QAction* renameObject = nullptr;
    QAction* moveObject = nullptr;
    QMenu* displayRights = nullptr;
    QAction* ndsRights = nullptr;
    QAction* fileRights = nullptr;

    QMenu* view = nullptr;
    QAction* collapseAll = nullptr;
    QAction* expandAll = nullptr;

    QMenu* replica = nullptr;
    QAction* deleteReplica = nullptr;
    QAction* changeType = nullptr;

    QMenu* options = nullptr;
    QAction* clearDSVersions = nullptr;
    QAction* clearServerAddresses = nullptr;
    QAction* sortObjects = nullptr;
    QAction* sortAutomatically = nullptr;
    QAction* sortGridView = nullptr;
    QAction* logToFile = nullptr;
    QAction* viewLogFile = nullptr;
    QAction* clearLogFile = nullptr;
    QAction* changeWarningSettings = nullptr;

    QMenu* window = nullptr;
    QAction* cascade = nullptr;
    QAction* tile = nullptr;
    QAction* windowList = nullptr;

    QMenu* help = nullptr;
    QAction* helpContents = nullptr;
    QAction* about = nullptr;
};

class TMDIApp : public QMainWindow, public Workspace {
    Q_OBJECT
public:
    // splashSeconds: how long start-up keeps the splash window up (3 in the
    // program; 0 in tests).
    explicit TMDIApp(int splashSeconds = 3, QWidget* parent = nullptr);
    ~TMDIApp() override;

    // Creates the shared dialogs, once, in their fixed order.
    void CreateDialogs();

    // ---- Workspace ----
    QWidget* MainWindow() override { return this; }
    const ImageList& Images() const override { return images_; }
    QtInteraction& Ui() override { return ui_; }
    const WarningSettings& Settings() const override;
    TMDIChild* ActiveChild() const override;
    void SetBusy(bool busy) override;
    void UpdateEditActions() override;
    void ChildPageChanged(TMDIChild* child, int page) override;
    void ReplaceInWindowList(const QString& oldCaption, const QString& newCaption) override;
    void RemoveFromWindowList(const QString& caption) override;

    QMdiArea* MdiArea() const { return mdi_; }
    int UntitledCounter() const { return untitledCounter_; }

    QList<TMDIChild*> Children() const;
    const MainMenu& Menus() const { return menu_; }
    // Decides the enabling of every menu item (as when a menu is opened).
    void UpdateAllMenus();
    // Undo and Redo are enabled and captioned after the active design's
    // history (UpdateEditActions).
    void Undo1Click();
    void Redo1Click();

    // ---- commands ----
    void New1Click();
    void Open1Click();
    // The designs named on the command line, each in its own window.
    void OpenFiles(const QStringList& paths);
    void Save1Click();
    void SaveAs1Click();
    void Close1Click();
    void Exit1Click();
    void ImportDSDiagReport1Click();
    void ImportDSVersionReport1Click();
    void ImportUserReport1Click();
    void MergeTrees1Click();
    // Search NDS Tree, Print and Print Screen: the commands of the tree
    // discovery and printing.
    void DiscoverTree1Click();
    // What the print commands of a design window print from.
    PrintSource PrintSourceFor(TMDIChild& child);
    void Print1Click();
    void PrintScreen1Click();
    // File > Print Mode: graphical (the default) or text.
    bool GraphicalPrintMode() const;
    void WindowList1Click();
    void SortAutomatically1Click();
    void ChangeWarningSettings1Click();
    void About1Click();

    // ---- called by the design windows ----
    bool SortAutomaticallyChecked() const;
    void AddToWindowList(const QString& caption);
    const QStringList& ShortNames() const { return shortNames_; }
    const QStringList& FullNames() const { return fullNames_; }

    // ---- design files into windows ----
    // The shared flow of Open, the three imports and Merge Trees: choose a
    // file, then read it into a design window with the busy cursor, then
    // refresh the window or close it.
    enum class ReaderWindow {
        Active, // the active design window
        New,    // a new, empty design window, exactly as New makes it
        Opened, // a new window captioned with the file's path
    };
    enum class ReadEnd { Done, KeepWindow, CloseWindow };
    struct ReaderRun {
        ReaderWindow window;
        FileDialogRequest request;
        // Asked after the file is chosen; false ends the command.
        std::function<bool(TMDIChild&, const std::string& path)> confirm;
        std::function<ReadEnd(TMDIChild&, const std::string& path)> read;
        // After a read to the end; without it the tree page is refreshed.
        std::function<void(TMDIChild&)> done;
        // A read to the end is summed up in the status bar.
        bool summary = false;
    };
    // With a path the file is read without asking for one.
    void RunReader(const ReaderRun& run, std::optional<std::string> path = std::nullopt);
    // Open's flow for one design file.
    ReaderRun OpenRun();
    void SayWhatWasRead(TMDIChild& child, const std::string& path);
    // The replica ring (ring) or DS version report reader.
    static std::function<ReadEnd(TMDIChild&, const std::string&)> ReportReader(bool ring);

    // The design window that the running command (or, without one, the
    // window that was active when the first modal box opened) acts on: it is
    // made active again whenever the last modal dialog or box closes.
    TMDIChild* CommandWindow() const;
    // The running command goes on in another design window (one it made, or
    // the one the Window List chose).
    void ActOn(TMDIChild* child);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RunCommand(const std::function<void()>& command);
    // Makes the command's window the active one, with the keyboard focus in it.
    void ReturnToCommandWindow();
    // The main menu, one menu after the other in menu bar order.
    void BuildMenus();
    void BuildFileMenu();
    void BuildEditMenu();
    void BuildSearchMenu();
    void BuildTreeMenu();
    void BuildViewMenu();
    void BuildReplicaMenu();
    void BuildOptionsMenu();
    void BuildWindowMenu();
    void BuildHelpMenu();
    QAction* AddItem(QMenu* menu, const char* name, const char* caption,
                     std::function<void()> command);
    QMenu* AddMenu(const char* name, const char* caption);
    QMenu* AddSubMenu(QMenu* menu, const char* name, const char* caption);
    void Forward(const std::function<void(TMDIChild&)>& command);
    // Forwards a command of the tree page's editing commands.
    std::function<void()> ToCommands(void (TreeCommands::*command)());

    TMDIChild* CreateChild();
    // What the editing commands of each design window use of the main window.
    EditServices EditServicesFor();
    void ReadSettings();
    void WriteSettings();

    ImageList images_;
    QtInteraction ui_;
    QMdiArea* mdi_ = nullptr;
    int untitledCounter_ = 1;
    QStringList shortNames_;
    QStringList fullNames_;
    MainMenu menu_;
    int busy_ = 0;
    bool sortAutomatically_ = false;
    TSvrDlg* svrDlg_ = nullptr;
    TNewNameDlg* nameDlg_ = nullptr;
    TMoveDlg* moveDlg_ = nullptr;
    TAddrDlg* addrDlg_ = nullptr;
    TAddEditDLg* addEditDlg_ = nullptr;
    TErrReportDlg* errReportDlg_ = nullptr;
    TFindDlg* findDlg_ = nullptr;
    TWinList* winList_ = nullptr;
    TFM_RPTCONFIG* rptConfigDlg_ = nullptr;
    TDLG_CREATE* createDlg_ = nullptr;
    TFM_DISPLAYOBJS* displayObjsDlg_ = nullptr;
    TFM_PRINTDLG* printDlg_ = nullptr;
    TFM_HELP* helpDlg_ = nullptr;
    TFM_WARNINGSETTINGS* settingsDlg_ = nullptr;
    TFRM_REPLICARPT* replicaRptDlg_ = nullptr;
    std::unique_ptr<SettingsHost> settings_;
    int commandDepth_ = 0;
    QPointer<TMDIChild> commandWindow_;
    QSet<QWidget*> modals_;
};

} // namespace qv::gui
