// The page builder of a design window's analysis pages (Reports,
// Warnings/Suggestions, Partition Grid View, Object Grid View) without the
// windows: which builder runs for which text or grid, the stale flags, the
// sub-reference recomputation first, the abort marking and the sorts.
#pragma once

#include "core/tree_design.h"
#include "reports/grids.h"
#include "reports/report_text.h"
#include "reports/warning_settings.h"

#include <array>

namespace qv {

// The texts and grids one design window shows on its analysis pages.
struct AnalysisViews {
    // Indexed by ReportIndex: RE_PARTRPT, RE_SERVRPT, RE_PARTRELRPT,
    // RE_SCHEMARPT, RE_OBJRPT, RE_SERVSUGG, RE_PARTSUGG, RE_OBJSUGG.
    std::array<TextLines, kReportCount> texts;
    TextGrid partXServ; // Adv_PartCols
    TextGrid servXPart; // Adv_ServCols
    TextGrid servXAddr; // Adv_AddrCols
    ObjectGrids objects;

    // The grid of a GridUnsorted index.
    TextGrid& Grid(GridUnsortedIndex which);
};

enum class PageResult {
    Current,        // the text or grids were up to date: only repaint
    Built,          // rebuilt to the end
    Aborted,        // stopped by AbortRequested; "**REPORT ABORTED**" is line 2
    NoObjectReport, // the message was shown; nothing built
};

// The start of every page change except to the tree page: clears
// AbortRequested and recomputes the sub-references when they are stale.
void BeginPageChange(TreeDesign& design);

// Shows one text of the Reports or Warnings/Suggestions page (after
// BeginPageChange): rebuilds it when its ReportStale flag is set.
PageResult ShowReportText(TreeDesign& design, const WarningSettings& settings, AnalysisViews& views,
                          ReportIndex which);

// The Partition Grid View step: rebuilds the address grid and the partition
// grids whose GridStale flags are set.
PageResult ShowPartitionGridPage(TreeDesign& design, AnalysisViews& views);

// The Object Grid View step: rebuilds the three object grids when stale.
PageResult ShowObjectGridPage(TreeDesign& design, AnalysisViews& views);

// Everything a page change to that text does, from the start: BeginPageChange
// then ShowReportText.
PageResult RefreshReport(TreeDesign& design, const WarningSettings& settings, AnalysisViews& views,
                         ReportIndex which);

// "Sort Grid View" on the visible grid: asks first, sorts, clears its
// GridUnsorted flag. False when nothing was sorted (already sorted or No).
bool SortGridView(TreeDesign& design, AnalysisViews& views, GridUnsortedIndex visible);
// "Sort By Server" (0), "Sort By DS Version" (1), "Sort By Address" (2) of the
// address grid: always ask; GridUnsorted is left alone.
bool SortAddressGridBy(TreeDesign& design, AnalysisViews& views, int column);

// After the settings dialog was accepted: the three suggestion texts are stale.
void MarkSuggestionsStale(TreeDesign& design);

inline constexpr const char* kSortQuestionPartitions =
    "This could take a few minutes if there are \rmore than 200 servers/partitions.\rContinue?";
inline constexpr const char* kSortQuestionContainers =
    "This could take a few minutes if there are \rmore than 200 containers.\rContinue?";

} // namespace qv
