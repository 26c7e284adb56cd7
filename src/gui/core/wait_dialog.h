// The windows that wait on a long run (the console utilities' reports,
// Search NDS Tree): Timer1 drives the run, a close asked by the window
// system is refused while the run goes on, and Escape does what the run
// says (nothing, or what its Cancel does). A wait made once and reused has
// one instance per run of the program, parented to the main window.
#pragma once

#include "gui/core/named.h"

#include <QDialog>

class QBoxLayout;
class QPushButton;
class QTextEdit;
class QTimer;

namespace qv::gui {

class WaitDialog : public QDialog {
    Q_OBJECT
public:
    // One tick of the run (Timer1's timeout).
    virtual void Timer1Timer() = 0;

    QTimer* Timer1;

protected:
    // Timer1 is made stopped, with the interval in milliseconds.
    WaitDialog(QWidget* parent, int intervalMs);
    // While true the window refuses to close.
    virtual bool Running() const = 0;
    // Escape: true when the run took it (also when it ignores it); false
    // leaves it to the dialog (which then closes).
    virtual bool EscapePressed() { return true; }

    // The running report of a wait (Memo1: read-only, not wrapped, the
    // report font), added to the layout.
    QTextEdit* AddRunLog(QBoxLayout* layout);
    // The wait's one button, centred in a row of its own.
    static void AddCentredButton(QBoxLayout* layout, QPushButton* button);

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // The one wait of its kind (made on first use, parented to parent).
    template <typename Wait> static Wait& SingleInstance(QWidget* parent) {
        return OneInstance<Wait>(parent);
    }
};

} // namespace qv::gui
