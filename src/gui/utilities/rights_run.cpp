#include "gui/utilities/rights_run.h"

#include "core/tree_design.h"
#include "gui/core/mdi_child.h"
#include "gui/core/workspace.h"
#include "gui/print/print_commands.h"
#include "gui/utilities/rights_wait_dialog.h"
#include "utilities/nds_rights.h"

namespace qv::gui {

bool BeginRightsCommand(TMDIChild& child, utilities::WorkingFolderLock& lock,
                        std::string& context) {
    if (utilities::RightsUtilityRunning({}, child.App().Ui(), &lock))
        return false;
    TreeDesign& design = child.Design();
    ObjectNode* node = child.SelectedNode();
    context = design.FullContext(node ? node : design.Root());
    return true;
}

bool RunRightsBatch(Workspace& app, const std::string& batchFile, const char* utility) {
    TFRM_WAIT2& wait = TFRM_WAIT2::Instance(app.MainWindow());
    wait.SetCommandText(batchFile);
    utilities::InterpreterLogWatch log;
    log.Mark();
    wait.exec();
    for (const std::string& problem : utilities::RightsRunProblems(wait.Logic(), log, utility))
        app.Ui().Warning(problem);
    return wait.Finished();
}

bool ReadRightsReports(Workspace& app, std::size_t count,
                       const std::function<std::string(std::size_t)>& reportName,
                       const std::function<Result<void>(const std::string&)>& parse) {
    for (std::size_t i = 1; i <= count; ++i) {
        const std::string name = reportName(i);
        const Result<void> parsed = parse(name);
        if (parsed)
            continue;
        const std::string& error = parsed.error();
        // A directory without rights: said once, and no empty report.
        if (utilities::IsNoRightsInformation(error)) {
            app.Ui().Warning(error);
            return false;
        }
        app.Ui().Warning("Error in report file: " + name + "." + "\r" + error);
    }
    return true;
}

void PrintFormWithout(QWidget* form, const std::vector<QWidget*>& hidden) {
    DeliverPrintout(form, [form, hidden](QPrinter& printer, bool) {
        std::vector<bool> shown;
        for (QWidget* w : hidden) {
            shown.push_back(w->isVisible());
            w->hide();
        }
        RenderWindowImage(printer, form);
        for (std::size_t i = 0; i < hidden.size(); ++i)
            hidden[i]->setVisible(shown[i]);
    });
}

} // namespace qv::gui
