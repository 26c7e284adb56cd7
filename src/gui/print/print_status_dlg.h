// TFM_PRINTDLG, "Printing Status": runs a tree or grid printout while it is
// shown, with a status panel and Cancel, which gives way to OK at the end.
#pragma once

#include "print/print_jobs.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace qv::gui {

class TFM_PRINTDLG : public QDialog, public PrintStatus {
    Q_OBJECT
public:
    explicit TFM_PRINTDLG(QWidget* parent = nullptr);

    // Shows the dialog modally and runs the job while it is shown: the
    // question "Print test page only?" in Graphical mode (not for the address
    // grid), then the printout. Returns how the job ended; the dialog stays
    // until OK is pressed.
    PrintResult Run(TreeDesign& design, PrintCanvas& canvas, const StatusJob& job);
    // The same with the test-page answer given (the preview asks once).
    PrintResult Run(TreeDesign& design, PrintCanvas& canvas, const StatusJob& job, bool testPage);

    // ---- PrintStatus ----
    void ShowStatus(std::string_view text) override;
    void ShowOk() override;

    QString StatusText() const;

protected:
    // Escape and the close box cancel a running job instead of leaving it.
    void reject() override;

private:
    PrintResult Execute(const std::function<PrintResult()>& job);
    void BTN_CANCELClick();

    QLabel* panel_;
    QPushButton* cancel_;
    QPushButton* ok_;
    TreeDesign* design_ = nullptr;
    bool running_ = false;
};

} // namespace qv::gui
