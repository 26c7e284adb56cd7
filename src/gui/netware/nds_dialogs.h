// Search NDS Tree in the desktop program: the tree chooser (TDLG_TREES), the
// progress dialog (TDLG_NDS_SEARCH) and DiscoverTreeWindow, the whole command
// after its confirmation. Both dialogs are made once and reused.
#pragma once

#include "gui/core/wait_dialog.h"
#include "netware/nds_search.h"

#include <QDialog>
#include <QElapsedTimer>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextEdit;
class QTimer;

namespace qv::gui {

class ImageList;

class TDLG_TREES : public QDialog {
    Q_OBJECT
public:
    TDLG_TREES(const ImageList& images, QWidget* parent = nullptr);
    // Clears the list and adds the names in order.
    void SetTrees(const std::vector<std::string>& trees);
    std::string SelectedTree() const;
    bool Verbose() const;
    QListWidget* LB_TREES;
    QCheckBox* CB_VERBOSE;

protected:
    void showEvent(QShowEvent* event) override;
};

class TDLG_NDS_SEARCH : public WaitDialog, public SearchDisplay {
    Q_OBJECT
public:
    TDLG_NDS_SEARCH(Interaction& ui, QWidget* parent = nullptr);
    NdsSearch& Search() { return search_; }

    // SearchDisplay
    void LogCleared() override;
    void LogAppended(const std::string& line) override;
    void FieldsChanged(const SearchFields& fields) override;
    void ButtonsChanged(bool okEnabled, bool cancelEnabled) override;
    void Pump() override;

    void Timer1Timer() override;
    void BTN_CANCELClick();
    void done(int result) override;

    QLineEdit* ED_TREENAME;
    QLineEdit* ED_TOTALPARTITIONS;
    QLineEdit* ED_TOTALSERVERS;
    QLineEdit* ED_TOTALOBJECTS;
    QLineEdit* ED_CONTEXT;
    QLineEdit* ED_ERRORS;
    QLineEdit* ED_ELAPSED;
    QTextEdit* RE_ERRORS;
    QPushButton* BTN_OK;
    QPushButton* BTN_CANCEL;

protected:
    void showEvent(QShowEvent* event) override;
    // No close box; a close asked by the window system is refused while
    // searching, and Escape is Cancel then (afterwards it closes the dialog).
    bool Running() const override { return search_.searching; }
    bool EscapePressed() override;

private:
    void PaintFields();
    NdsSearch search_;
    SearchFields pending_;
    bool fieldsDirty_ = false;
    // The walk pumps after every object; the queue is serviced and the fields
    // painted at most every few milliseconds, so that a million objects do not
    // lay out the dialog a million times while Cancel still answers at once.
    QElapsedTimer sincePump_;
    QElapsedTimer sincePaint_;
};

// Search NDS Tree on the fresh design of a new design window (made as File
// New makes one): the tree chooser, the search dialog and the question of an
// unsuccessful search. The tree connections come from the settings store; a
// connection with a bind DN and no password file asks for the password, which
// is kept for this run only. True when the window stays open; false when the
// caller must free the design and close the window.
bool DiscoverTreeWindow(TreeDesign& design, const ImageList& images, QWidget* mainWindow);

} // namespace qv::gui
