// TFRM_WAIT2, the wait of the rights features: "Please Wait...", a panel with
// the animated progress text, Cancel (also Escape) and Timer1. The tick rules
// are RightsWait's; the dialog only shows them. Made once per run and reused:
// the caller sets the command text (the batch file), shows it modally and
// then reads Finished().
#pragma once

#include "gui/core/wait_dialog.h"
#include "utilities/rights_wait.h"

class QLabel;
class QPushButton;

namespace qv::gui {

class TFRM_WAIT2 : public WaitDialog {
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

    void Timer1Timer() override;
    void BTN_CANCELClick();

    // The one dialog of the run (made on first use, parented to parent).
    static TFRM_WAIT2& Instance(QWidget* parent);

    QLabel* Panel1;
    QPushButton* BTN_CANCEL;

protected:
    void showEvent(QShowEvent* event) override;
    // Only the census ends the wait; Escape is Cancel.
    bool Running() const override { return wait_.TimerRunning(); }
    bool EscapePressed() override;

private:
    utilities::RightsWait wait_;
};

} // namespace qv::gui
