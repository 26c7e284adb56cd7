// Verify User Default Server in the desktop program: the progress dialog
// TFM_DEFSERV (NLIST runs, the census is polled, DEFSRV.TXT is read), the
// result window TFM_SRVDISPLAY, and VerifyUserDefaultServer, the menu command.
// The tick rules are DefaultServerWait's; the dialogs only show them. Each
// dialog is made once per run and reused.
#pragma once

#include "gui/core/wait_dialog.h"
#include "utilities/default_servers.h"

#include <QDialog>
#include <QStyledItemDelegate>

class QLabel;
class QListWidget;
class QPushButton;
class QTextEdit;
class QTimer;

namespace qv::gui {

class ImageList;
class Workspace;

class TFM_DEFSERV : public WaitDialog {
    Q_OBJECT
public:
    // Empty census and starter take the real ones: the census of the
    // report's marker, and NLIST for the context text through the runner.
    explicit TFM_DEFSERV(QWidget* parent = nullptr, utilities::Census census = {},
                         std::function<void()> start = {});

    void SetContextText(const std::string& text) { contextText_ = text; }
    const std::string& ContextText() const { return contextText_; }
    bool Result() const { return result_; }
    utilities::DefaultServerContexts& Contexts() { return contexts_; }
    utilities::DefaultServerWait& Logic() { return wait_; }

    void Timer1Timer() override;
    void BTN_ACTIONClick();

    static TFM_DEFSERV& Instance(QWidget* parent);

    QLabel* Label1;
    QTextEdit* Memo1;
    QPushButton* BTN_ACTION;

protected:
    void showEvent(QShowEvent* event) override;
    // No Cancel button: Escape does not end the wait (the base takes it).
    bool Running() const override { return wait_.Running(); }

private:
    utilities::DefaultServerWait wait_;
    utilities::InterpreterLogWatch log_;
    utilities::DefaultServerContexts contexts_;
    std::string contextText_;
    bool result_ = false;
};

// Draws the items of the result window's lists: the image (16 by 16) at
// x = 5, the text after it; items are 16 pixels high.
class ImageItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ImageItemDelegate(const ImageList& images, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const ImageList& images_;
};

class TFM_SRVDISPLAY : public QDialog {
    Q_OBJECT
public:
    // LB_USERS rows: true when the user's default server is not a recommended one.
    static constexpr int kWarningRole = Qt::UserRole + 1;
    TFM_SRVDISPLAY(const ImageList& images, Interaction& ui, QWidget* parent = nullptr);

    // The contexts of the report, as LB_CONTEXTS lists them.
    void SetContexts(utilities::DefaultServerContexts contexts);
    // Finds every context in the design (before the window is shown).
    void LocateContexts(TreeDesign& design);
    const std::vector<utilities::LocatedContext>& Located() const { return located_; }
    // The summary of the context clicked last, line by line.
    const std::vector<std::string>& SummaryLines() const { return summary_; }
    // Frees the contexts and their user lists.
    void Clear();

    void LB_CONTEXTSClick();
    void LB_USERSClick();
    void BTN_SAVEClick();
    void BTN_PRINTClick();

    static TFM_SRVDISPLAY& Instance(const ImageList& images, Interaction& ui, QWidget* parent);

    QListWidget* LB_CONTEXTS;
    QListWidget* LB_USERS;
    QListWidget* LB_DEFAULTSERVER;
    QListWidget* LB_PARTROOT;
    QListWidget* LB_SERVERS;
    QLabel* LBL_CONTEXTS;
    QLabel* LBL_USERS;
    QTextEdit* RE_SUMMARY;
    QPushButton* BTN_SAVE;
    QPushButton* BTN_PRINT;
    QPushButton* BTN_OK;

protected:
    void showEvent(QShowEvent* event) override;

private:
    const ImageList& images_;
    Interaction& ui_;
    TreeDesign* design_ = nullptr;
    utilities::DefaultServerContexts contexts_;
    std::vector<utilities::LocatedContext> located_;
    std::vector<std::string> summary_;
};

// The menu command (and its twin of the tree's pop-up menu): the guard, the
// wait for NLIST on the selected container of the active design window, and
// the result window. Does nothing without a design window.
void VerifyUserDefaultServer(Workspace& app);

} // namespace qv::gui
