// The shared dialogs of the main window: find, name, window list, report
// (merge errors and operation log), About, and the splash window.
#pragma once

#include "core/host.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

class QLabel;
class QListWidget;
class QTextEdit;
class QPushButton;

namespace qv::gui {

// Report texts: "Courier New", or a metric-compatible fixed font when the
// machine has none.
QFont ReportFont(int pointSize);
// A read-only, unwrapped report box in the report font at size 8.
QTextEdit* MakeReportBox(QWidget* parent, const char* name);

// An edit box that upper-cases what is typed.
class UpperCaseEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit UpperCaseEdit(QWidget* parent = nullptr);
};

// The logic's rules for typed text (edit/name_rules.h) on the dialogs' texts,
// so that the desktop program and quorvane-cli clean a name alike. Characters
// outside Latin-1 cannot be stored and become "?".
QString UpperCaseTyped(const QString& text);
QString CleanTypedName(const QString& text);

// "Save Plan": the save dialog on edit scripts (.qvs), asking before an
// existing file is replaced. Nothing when the user cancelled.
std::optional<std::string> ChooseEditScriptToSave(Interaction& ui);

// Centres a window on its owner, or on the screen without one.
void Centre(QWidget* window, QWidget* owner = nullptr);

// Adds the usual button row to a dialog's layout: "OK" (BTN_OK, the default,
// accepts) and "Cancel" (BTN_CANCEL, rejects). Returns the OK button.
QPushButton* AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout);

// The button row of the report windows: "&Print" (BTN_PRINT) and "OK"
// (BTN_OK, the default) at its right. The caller connects both.
struct PrintOkRow {
    QHBoxLayout* row;
    QPushButton* print;
    QPushButton* ok;
};
PrintOkRow MakePrintOkRow(QDialog* dialog);

class TFindDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFindDlg(QWidget* parent = nullptr);
    // Empties the box; after OK, Text() is the upper-case text.
    void Prepare();
    QString Text() const;

private:
    UpperCaseEdit* edit_;
};

class TNewNameDlg : public QDialog {
    Q_OBJECT
public:
    explicit TNewNameDlg(QWidget* parent = nullptr);
    // The label and the starting text of one use; OK is enabled while the
    // trimmed name is not empty.
    void Prepare(const QString& label, const QString& text = {});
    QString Name() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* label_;
    UpperCaseEdit* edit_;
    QPushButton* ok_;
};

class TWinList : public QDialog {
    Q_OBJECT
public:
    explicit TWinList(QWidget* parent = nullptr);
    // Shows the short names with the first one selected.
    void Prepare(const QStringList& shortNames);
    int SelectedPosition() const;

private:
    QListWidget* list_;
};

class TErrReportDlg : public QDialog {
    Q_OBJECT
public:
    explicit TErrReportDlg(QWidget* parent = nullptr);
    QTextEdit* TreeReport() const { return treeReport_; }
    QTextEdit* LogFile() const { return logFile_; }
    QPushButton* PrintButton() const { return print_; }
    // Shows one pane modally: the merge error report or the operation log.
    void ShowTreeReport();
    void ShowLogFile(const QString& text);

private:
    void BTN_OKClick();
    QTextEdit* treeReport_;
    QTextEdit* logFile_;
    QPushButton* print_;
};

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(const QPixmap& picture, QWidget* parent = nullptr);
};

// The splash window: the product picture, centred on the screen.
QWidget* CreateSplash(const QPixmap& picture);

} // namespace qv::gui
