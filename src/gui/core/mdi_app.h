// TMDIApp: the main frame. It owns the menus, the shared dialogs, the class
// images, the warning settings and the window list, forwards design commands
// to the active design window and runs start-up and shutdown.
#pragma once

#include "gui/core/image_list.h"
#include "gui/core/qt_hosts.h"

#include "reports/warning_settings.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

class QMdiArea;
class QMenu;
class QAction;
class QLabel;

namespace qv::gui {

class TMDIChild;
class TFindDlg;
class TNewNameDlg;
class TWinList;
class TErrReportDlg;
class SettingsHost;
class TFM_WARNINGSETTINGS;
class TSvrDlg;
class TMoveDlg;
class TFRM_REPLICARPT;
class TAddrDlg;
class TAddEditDLg;
class TFM_RPTCONFIG;
class TDLG_CREATE;
class TFM_DISPLAYOBJS;

class TMDIApp : public QMainWindow {
    Q_OBJECT
public:
    // splashSeconds: how long start-up keeps the splash window up (3 in the
    // program; 0 in tests).
    explicit TMDIApp(int splashSeconds = 3, QWidget* parent = nullptr);
    ~TMDIApp() override;

    // Creates the shared dialogs, once, in their fixed order.
    void CreateDialogs();

    const ImageList& Images() const { return images_; }
    QtInteraction& Ui() { return ui_; }
    TFindDlg& FindDlg() { return *findDlg_; }
    TNewNameDlg& NameDlg() { return *nameDlg_; }
    TErrReportDlg& ErrReportDlg() { return *errReportDlg_; }
    TFM_WARNINGSETTINGS& SettingsDlg() { return *settingsDlg_; }
    TSvrDlg& SvrDlg() { return *svrDlg_; }
    TMoveDlg& MoveDlg() { return *moveDlg_; }
    TFRM_REPLICARPT& ReplicaReportDlg() { return *replicaRptDlg_; }
    TAddrDlg& AddrDlg() { return *addrDlg_; }
    TFM_RPTCONFIG& ClassChooser() { return *rptConfigDlg_; }
    TDLG_CREATE& CreateDlg() { return *createDlg_; }
    TFM_DISPLAYOBJS& DisplayObjsDlg() { return *displayObjsDlg_; }
    const WarningSettings& Settings() const;
    QMdiArea* MdiArea() const { return mdi_; }
    int UntitledCounter() const { return untitledCounter_; }

    TMDIChild* ActiveChild() const;
    QList<TMDIChild*> Children() const;
    // The menu item of that object name.
    QAction* Item(const QString& name) const;
    QMenu* Menu(const QString& name) const;
    // Decides the enabling of one menu (as when it is opened) or of all.
    void UpdateMenu(QMenu* menu);
    void UpdateAllMenus();

    // ---- commands ----
    void New1Click();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void Close1Click();
    void Exit1Click();
    void ImportDSDiagReport1Click();
    void ImportDSVersionReport1Click();
    void ImportUserReport1Click();
    void MergeTrees1Click();
    void WindowList1Click();
    void SortAutomatically1Click();
    void ChangeWarningSettings1Click();
    void About1Click();

    // ---- called by the design windows ----
    bool SortAutomaticallyChecked() const;
    void ChildPageChanged(TMDIChild* child, int page);
    void AddToWindowList(const QString& caption);
    void ReplaceInWindowList(const QString& oldCaption, const QString& newCaption);
    void RemoveFromWindowList(const QString& caption);
    const QStringList& ShortNames() const { return shortNames_; }
    const QStringList& FullNames() const { return fullNames_; }
    void SetBusy(bool busy);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    QAction* AddItem(QMenu* menu, const char* name, const char* caption,
                     std::function<void()> command);
    QMenu* AddMenu(const char* name, const char* caption);
    void Forward(const std::function<void(TMDIChild&)>& command);
    void NotAvailable();
    TMDIChild* CreateChild();
    void ReadSettings();
    void WriteSettings();

    ImageList images_;
    QtInteraction ui_;
    QMdiArea* mdi_ = nullptr;
    int untitledCounter_ = 1;
    QStringList shortNames_;
    QStringList fullNames_;
    std::map<QString, QAction*> items_;
    std::map<QString, QMenu*> menus_;
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
    TFM_WARNINGSETTINGS* settingsDlg_ = nullptr;
    TFRM_REPLICARPT* replicaRptDlg_ = nullptr;
    std::unique_ptr<SettingsHost> settings_;
};

} // namespace qv::gui
