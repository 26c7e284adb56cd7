// TFRM_WAIT2, the wait of the rights features: "Please Wait...", a panel with
// the animated progress text, Cancel (also Escape) and Timer1. The tick rules
// are RightsWait's; the dialog only shows them. Made once per run and reused:
// the caller sets the command text (the batch file), shows it modally and
// then reads Finished().
#pragma once

#include "utilities/rights_wait.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace qv::gui {

class TFRM_WAIT2 : public QDialog {
    Q_OBJECT
public:
    // Empty census/starter/clock take the real ones; the pump always services
    // this program's events.
    explicit TFRM_WAIT2(QWidget* parent = nullptr, utilities::Census census = {},
                        utilities::RightsWait::Starter start = {},
                        utilities::RightsWait::Clock clock = {});

    void SetCommandText(const std::string& text) { wait_.SetCommandText(text); }
    bool Finished() const { return wait_.Finished(); }
    utilities::RightsWait& Logic() { return wait_; }

    void Timer1Timer();
    void BTN_CANCELClick();

    // The one dialog of the run (made on first use, parented to parent).
    static TFRM_WAIT2& Instance(QWidget* parent);

    QLabel* Panel1;
    QPushButton* BTN_CANCEL;
    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    utilities::RightsWait wait_;
};

} // namespace qv::gui
