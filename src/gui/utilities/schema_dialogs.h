// Server Schema Comparison in the desktop program: the choice of servers
// (TFM_SCHEMACFG), the wait while SCHCMP runs pair by pair (TFM_WAIT) and the
// report window (TFM_SCHRPT). The rules live in utilities/schema_compare.h;
// these windows only show them.
#pragma once

#include "gui/core/wait_dialog.h"
#include "utilities/schema_compare.h"

#include <QDialog>
#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTextEdit;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv::gui {

class ImageList;
class Workspace;

class TFM_SCHEMACFG : public QDialog {
    Q_OBJECT
public:
    explicit TFM_SCHEMACFG(const ImageList& images, QWidget* parent = nullptr);

    // Fills LB_Avail with the offered names and empties LB_Show.
    void SetAvailable(const std::vector<std::string>& names);
    std::vector<std::string> Chosen() const;

    void BTN_ADDClick();
    void BTN_REMOVEClick();
    void BTN_CLEARClick();
    void BTN_ADDALLClick();
    // Labels and the buttons' enabling.
    void UpdateState();

    QListWidget* LB_Show;
    QListWidget* LB_Avail;
    QLabel* LBL_SELECTED;
    QLabel* LBL_AVAILABLE;
    QPushButton* BTN_ADD;
    QPushButton* BTN_REMOVE;
    QPushButton* BTN_CLEAR;
    QPushButton* BTN_ADDALL;
    QPushButton* BTN_OK;
    QPushButton* BTN_CANCEL;

private:
    static void Move(QListWidget* from, QListWidget* to, bool selectedOnly);
};

class TFM_WAIT : public WaitDialog {
    Q_OBJECT
public:
    TFM_WAIT(std::vector<std::string> commands, utilities::Census census,
             utilities::SchemaReportRun::Starter start, QWidget* parent = nullptr);
    ~TFM_WAIT() override;

    bool Completed() const;
    utilities::SchemaReportRun& Logic() { return *run_; }

    void Timer1Timer() override;
    void BTN_CANCELClick();

    QLabel* Label1;
    QTextEdit* Memo1;
    QPushButton* BTN_CANCEL;

protected:
    void showEvent(QShowEvent* event) override;
    // No close box and no Cancel: Escape does not end the wait (the base
    // takes it), and only the run closes the window.
    bool Running() const override;

private:
    void Sync();
    class Questions;
    std::unique_ptr<Questions> questions_;
    std::unique_ptr<utilities::SchemaReportRun> run_;
};

// Two arrow buttons: up shows the previous report, down the next.
class SpinButton : public QWidget {
    Q_OBJECT
public:
    explicit SpinButton(QWidget* parent = nullptr);
    QToolButton* UpButton;
    QToolButton* DownButton;
signals:
    void UpClick();
    void DownClick();
};

class TFM_SCHRPT : public QDialog {
    Q_OBJECT
public:
    TFM_SCHRPT(const ImageList& images, Interaction& ui, QWidget* parent = nullptr);

    // The result list and the servers compared (before the window is shown).
    void SetResults(const std::vector<utilities::TSchCmpClass>* results,
                    const std::vector<std::string>& servers);
    const utilities::SchemaReportBrowser* Browser() const { return browser_.get(); }

    void LB_SRVSClick();
    void SpinButton1UpClick();
    void SpinButton1DownClick();
    void TreeNodeSelected(int side, QTreeWidgetItem* item);
    void BTN_PRINTClick();
    // The print text of the current report, as RE_PRINT holds it.
    void BuildPrintText();

    QListWidget* LB_SRVS;
    QTabWidget* PageControl1;
    // Per side (0 left, 1 right): the server name fields of the pages
    // Classes, Attributes, Syntax and Definitions, the unique lists with
    // their totals, the definition trees and their labels.
    QLineEdit* ED_CLASSSRV[2];
    QLineEdit* ED_ATTRSRV[2];
    QLineEdit* ED_SYNTAXSRV[2];
    QLineEdit* ED_DEFSRV[2];
    QListWidget* LB_CLASSES[2];
    QListWidget* LB_ATTRS[2];
    QListWidget* LB_SYNTAX[2];
    QLabel* LBL_CLASSES[2];
    QLabel* LBL_ATTRS[2];
    QLabel* LBL_SYNTAX[2];
    QTreeWidget* TV_DEFS[2];
    QLabel* LBL_DEFS[2];
    QLineEdit* ED_REPORTNUM;
    SpinButton* SpinButton1;
    QPushButton* BTN_PRINT;
    QPushButton* BTN_OK;
    QTextEdit* RE_PRINT;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EmptyPages();
    void ShowCurrent();
    const ImageList& images_;
    Interaction& ui_;
    const std::vector<utilities::TSchCmpClass>* results_ = nullptr;
    std::vector<std::string> servers_;
    std::unique_ptr<utilities::SchemaReportBrowser> browser_;
};

// What the comparison runs with; tests replace the census and the starter.
struct SchemaCompareHooks {
    utilities::Census census;                  // empty: the census of the runs' marker
    utilities::SchemaReportRun::Starter start; // empty: SCHCMP through the interpreter
};
void SetSchemaCompareHooks(SchemaCompareHooks hooks);

// The comparison over the offered servers: the guard, the choice, the runs
// and the report window.
void CompareServerSchema(QWidget* parent, const ImageList& images, Interaction& ui,
                         const std::vector<std::string>& offered);
// The main menu's Server Schema Comparison (fromList false: every server of
// the active design) and the shared entry of the tree's pop-up (fromList true).
void CompareServerSchema(Workspace& app, bool fromList, const std::vector<std::string>& serverList);
// The tree pop-up's Compare Schema: the schema distribution list of the
// selected server of the active design window.
void CompareSchemaOfSelectedServer(Workspace& app);

} // namespace qv::gui
