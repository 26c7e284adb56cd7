#include "print/print_jobs.h"

#include "print/grid_printing.h"

namespace qv {
namespace {

const TextGrid kEmpty;

} // namespace

bool AskTestPage(TreeDesign& design, const StatusJob& job) {
    return job.graphical && job.kind != PrintKind::AddressGrid &&
           design.ui().AskYesNo(kTestPageQuestion);
}

PrintResult RunStatusJob(TreeDesign& design, PrintCanvas& canvas, PrintStatus& status,
                         const StatusJob& job) {
    const bool testPage = AskTestPage(design, job);
    return RunStatusJob(design, canvas, status, job, testPage);
}

PrintResult RunStatusJob(TreeDesign& design, PrintCanvas& canvas, PrintStatus& status,
                         const StatusJob& job, bool testPage) {
    design.SetPrintCancelRequested(false);
    switch (job.kind) {
    case PrintKind::Tree:
        if (job.graphical)
            return PrintTreeView(design, canvas, status, design.Root(), testPage, job.expanded);
        PrintTreeViewTextMode(design, canvas, design.Root());
        // The text printout has no pages to count; the dialog still closes with OK.
        status.ShowStatus(kPrintSuccessText);
        status.ShowOk();
        return PrintResult::Finished;
    case PrintKind::PartitionGrid:
    case PrintKind::ObjectGrid:
        return PrintGrid(design, canvas, status, job.grid ? *job.grid : kEmpty,
                         job.kind == PrintKind::ObjectGrid, testPage, job.graphical);
    case PrintKind::AddressGrid: {
        const bool wasGraphical = job.graphical;
        if (wasGraphical && job.setGraphicalMark)
            job.setGraphicalMark(false);
        PrintResult result =
            PrintGrid(design, canvas, status, job.grid ? *job.grid : kEmpty, true, false, false);
        if (wasGraphical && job.setGraphicalMark)
            job.setGraphicalMark(true);
        return result;
    }
    }
    return PrintResult::Finished;
}

PagePrint PrintForPage(DesignPage page, bool addressGridVisible, bool textVisible) {
    switch (page) {
    case DesignPage::Tree:
        return {PageAction::StatusDialog, PrintKind::Tree};
    case DesignPage::PartitionGrid:
        return {PageAction::StatusDialog,
                addressGridVisible ? PrintKind::AddressGrid : PrintKind::PartitionGrid};
    case DesignPage::ObjectGrid:
        return {PageAction::StatusDialog, PrintKind::ObjectGrid};
    case DesignPage::Reports:
    case DesignPage::Suggestions:
        return textVisible ? PagePrint{PageAction::RichText, PrintKind::Tree} : PagePrint{};
    }
    return {};
}

} // namespace qv
