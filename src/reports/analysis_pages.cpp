#include "reports/analysis_pages.h"

#include "reports/object_report.h"
#include "reports/report_support.h"
#include "reports/reports.h"

namespace qv {

TextGrid& AnalysisViews::Grid(GridUnsortedIndex which) {
    switch (which) {
    case kPartXServGrid:
        return partXServ;
    case kServXPartGrid:
        return servXPart;
    case kServXAddrGrid:
        return servXAddr;
    case kPartObjGrid:
        return objects.partitions;
    case kServObjGrid:
        return objects.servers;
    case kContObjGrid:
    default:
        return objects.containers;
    }
}

void BeginPageChange(TreeDesign& d) {
    d.SetAbortRequested(false);
    d.EnsureAllSubRefs();
}

namespace {

bool RunBuilder(TreeDesign& d, const WarningSettings& s, AnalysisViews& v, ReportIndex which) {
    TextLines& box = v.texts[which];
    switch (which) {
    case kPartitionReport:
        return BuildPartitionReport(d, box);
    case kServerReport:
        return BuildServerReport(d, box);
    case kRelationReport:
        return BuildPartitionRelationReport(d, box);
    case kSchemaReport:
        if (!d.ComputeServerDepths())
            return false;
        return BuildSchemaReport(d, box);
    case kObjectReport:
        return BuildObjectReport(d, v.objects, box);
    case kServerSuggestions:
        return BuildServerSuggestions(d, s, box);
    case kPartitionSuggestions:
        return BuildPartitionSuggestions(d, s, box);
    case kObjectSuggestions:
        return BuildObjectSuggestions(d, s, box);
    default:
        return true;
    }
}

} // namespace

PageResult ShowReportText(TreeDesign& d, const WarningSettings& s, AnalysisViews& v,
                          ReportIndex which) {
    if (which >= kReportCount)
        return PageResult::Current;
    if ((which == kObjectReport || which == kObjectSuggestions) && !HasObjectReport(d)) {
        d.ui().Information(kNoObjectReport);
        return PageResult::NoObjectReport;
    }
    if (!d.Flags().reportStale[which])
        return PageResult::Current;
    if (!RunBuilder(d, s, v, which)) {
        v.texts[which].ReplaceLine(1, kReportAborted);
        return PageResult::Aborted;
    }
    d.MarkReportBuilt(which);
    if (which == kObjectReport)
        ShowStatus(d, "");
    return PageResult::Built;
}

PageResult RefreshReport(TreeDesign& d, const WarningSettings& s, AnalysisViews& v,
                         ReportIndex which) {
    BeginPageChange(d);
    return ShowReportText(d, s, v, which);
}

PageResult ShowPartitionGridPage(TreeDesign& d, AnalysisViews& v) {
    PageResult result = PageResult::Current;
    if (d.Flags().gridStale[kAddressGrid]) {
        BuildAddressGrid(d, v.servXAddr);
        d.MarkGridBuilt(kAddressGrid);
        result = PageResult::Built;
    }
    if (d.Flags().gridStale[kPartitionGrids]) {
        d.MarkGridBuilt(kPartitionGrids);
        if (!BuildPartitionGrids(d, v.servXPart, v.partXServ)) {
            // A stopped build is dropped; the next showing builds it again.
            v.servXPart.Reset(0, 0);
            v.partXServ.Reset(0, 0);
            d.MarkGridStale(kPartitionGrids);
            return PageResult::Aborted;
        }
        result = PageResult::Built;
    }
    return result;
}

PageResult ShowObjectGridPage(TreeDesign& d, AnalysisViews& v) {
    if (!d.Flags().gridStale[kObjectGrids])
        return PageResult::Current;
    if (!HasObjectReport(d)) {
        d.ui().Information(kNoObjectReport);
        return PageResult::NoObjectReport;
    }
    switch (BuildObjectGrids(d, v.objects)) {
    case ObjectGridResult::Finished:
        return PageResult::Built;
    case ObjectGridResult::Current:
        return PageResult::Current;
    default:
        return PageResult::Aborted;
    }
}

bool SortGridView(TreeDesign& d, AnalysisViews& v, GridUnsortedIndex which) {
    if (which >= kGridUnsortedCount || !d.Flags().gridUnsorted[which])
        return false;
    const bool containers = which == kContObjGrid;
    if (!d.ui().AskYesNo(containers ? kSortQuestionContainers : kSortQuestionPartitions))
        return false;
    d.progress().Pump();
    static constexpr const char* kCaptions[kGridUnsortedCount] = {
        "  Sorting By Partition...",  "  Sorting By Server...",  "  Sorting By Server/Address...",
        "  Sorting By Partition....", "  Sorting By Server....", "  Sorting By Container....",
    };
    ShowStatus(d, kCaptions[which]);
    TextGrid& g = v.Grid(which);
    switch (which) {
    case kServXAddrGrid:
        SortAddressGrid(d, g, 0);
        break;
    case kPartObjGrid:
    case kContObjGrid:
        // The "TREE TOTAL" row stays last, unchanged.
        g.SortRows(1, g.RowCount() - 1, 0);
        break;
    default:
        SortGridRows(g);
        break;
    }
    d.MarkGridSorted(which);
    ShowStatus(d, "");
    return true;
}

bool SortAddressGridBy(TreeDesign& d, AnalysisViews& v, int column) {
    if (column < 0 || column > 2)
        return false;
    if (!d.ui().AskYesNo(kSortQuestionPartitions))
        return false;
    d.progress().Pump();
    SortAddressGrid(d, v.servXAddr, column);
    return true;
}

void MarkSuggestionsStale(TreeDesign& d) {
    d.MarkReportStale(kServerSuggestions);
    d.MarkReportStale(kPartitionSuggestions);
    d.MarkReportStale(kObjectSuggestions);
}

} // namespace qv
