// Fuzzes the report, suggestion and grid builders on whatever design a file
// can describe: none may crash, hang or allocate without bound.
#include "files/design_file.h"
#include "reports/analysis_pages.h"
#include "reports/delimited_export.h"
#include "reports/individual_reports.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qv::DesignFileContents contents;
    if (qv::ParseDesignFile(bytes, contents) != qv::ParseStatus::Ok)
        return 0;
    qv::TreeDesign design;
    design.ClearTree();
    if (!qv::ApplyDesignContents(design, contents))
        return 0;
    design.designFileName = "FUZZ.qvd";
    // Tight thresholds, so that every rule fires somewhere.
    qv::WarningSettings settings;
    settings.MaxSubRefs = 0;
    settings.MaxReadables = 0;
    settings.MaxReplicasPerPartition = 1;
    settings.MaxObjsPerContainer = 0;
    settings.Min4xDSVersion = 699;
    qv::AnalysisViews views;
    for (std::size_t r = 0; r < qv::kReportCount; ++r)
        qv::RefreshReport(design, settings, views, static_cast<qv::ReportIndex>(r));
    qv::ShowPartitionGridPage(design, views);
    qv::ShowObjectGridPage(design, views);
    for (std::size_t g = 0; g < qv::kGridUnsortedCount; ++g) {
        qv::SortGridView(design, views, static_cast<qv::GridUnsortedIndex>(g));
        (void)qv::DelimitedText(views.Grid(static_cast<qv::GridUnsortedIndex>(g)));
    }
    qv::SortAddressGridBy(design, views, 1);
    qv::TextLines out;
    int visited = 0;
    design.WalkSubtree(design.Root(), [&](qv::ObjectNode* n) {
        qv::BuildIndividualReport(design, settings, n, out);
        qv::BuildReplicaReport(design, n);
        return ++visited < 8;
    });
    return 0;
}
