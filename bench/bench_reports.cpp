// Every report and grid builder over the large generated design.
#include "support/bench_support.h"

#include "files/design_file.h"
#include "reports/analysis_pages.h"
#include "reports/delimited_export.h"
#include "reports/individual_reports.h"
#include "reports/object_report.h"
#include "reports/reports.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace qv {
namespace {

// The design, opened once and with its sub-references recomputed, as the
// page builder leaves it before the first text is built.
TreeDesign& Design() {
    static std::unique_ptr<TreeDesign> design = [] {
        auto d = std::make_unique<TreeDesign>();
        if (!OpenDesign(*d, bench::GeneratedDesignFile(bench::LargeOptions())))
            throw std::runtime_error("cannot open the generated design");
        BeginPageChange(*d);
        return d;
    }();
    return *design;
}

const WarningSettings kSettings;

template <typename Build> void RunText(benchmark::State& state, Build build) {
    TreeDesign& d = Design();
    TextLines out;
    for (auto _ : state) {
        if (!build(d, out))
            state.SkipWithError("aborted");
        benchmark::DoNotOptimize(out.lines.data());
    }
    state.counters["lines"] = static_cast<double>(out.lines.size());
}

void BM_ServerReport(benchmark::State& s) {
    RunText(s, [](TreeDesign& d, TextLines& o) { return BuildServerReport(d, o); });
}
void BM_PartitionReport(benchmark::State& s) {
    RunText(s, [](TreeDesign& d, TextLines& o) { return BuildPartitionReport(d, o); });
}
void BM_RelationReport(benchmark::State& s) {
    RunText(s, [](TreeDesign& d, TextLines& o) { return BuildPartitionRelationReport(d, o); });
}
void BM_SchemaReport(benchmark::State& s) {
    RunText(s, [](TreeDesign& d, TextLines& o) {
        return d.ComputeServerDepths() && BuildSchemaReport(d, o);
    });
}
void BM_ServerSuggestions(benchmark::State& s) {
    RunText(s, [](TreeDesign& d, TextLines& o) { return BuildServerSuggestions(d, kSettings, o); });
}
void BM_PartitionSuggestions(benchmark::State& s) {
    RunText(s,
            [](TreeDesign& d, TextLines& o) { return BuildPartitionSuggestions(d, kSettings, o); });
}
void BM_ObjectSuggestions(benchmark::State& s) {
    RunText(s, [](TreeDesign& d, TextLines& o) { return BuildObjectSuggestions(d, kSettings, o); });
}
void BM_ObjectReport(benchmark::State& s) {
    ObjectGrids grids;
    RunText(s, [&](TreeDesign& d, TextLines& o) {
        d.MarkGridStale(kObjectGrids); // the grids are rebuilt with the text
        return BuildObjectReport(d, grids, o);
    });
}

void BM_PartitionGrids(benchmark::State& state) {
    TreeDesign& d = Design();
    TextGrid servXPart, partXServ;
    for (auto _ : state)
        BuildPartitionGrids(d, servXPart, partXServ);
    state.counters["rows"] = servXPart.RowCount();
    state.counters["cols"] = servXPart.ColCount();
}
void BM_AddressGrid(benchmark::State& state) {
    TreeDesign& d = Design();
    TextGrid g;
    for (auto _ : state)
        BuildAddressGrid(d, g);
    state.counters["rows"] = g.RowCount();
}
void BM_ObjectGrids(benchmark::State& state) {
    TreeDesign& d = Design();
    ObjectGrids g;
    for (auto _ : state) {
        d.MarkGridStale(kObjectGrids);
        if (BuildObjectGrids(d, g) != ObjectGridResult::Finished)
            state.SkipWithError("not finished");
    }
    state.counters["containerRows"] = g.containers.RowCount();
}

void BM_SortPartitionGrid(benchmark::State& state) {
    TreeDesign& d = Design();
    TextGrid servXPart, partXServ;
    BuildPartitionGrids(d, servXPart, partXServ);
    for (auto _ : state) {
        state.PauseTiming();
        TextGrid g = partXServ;
        state.ResumeTiming();
        SortGridRows(g);
        benchmark::DoNotOptimize(g.RowCount());
    }
}
void BM_DelimitedExportPartitionGrid(benchmark::State& state) {
    TreeDesign& d = Design();
    TextGrid servXPart, partXServ;
    BuildPartitionGrids(d, servXPart, partXServ);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = DelimitedText(partXServ);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_IndividualReports(benchmark::State& state) {
    TreeDesign& d = Design();
    ObjectNode* server = d.FindPartitionOrServerNode(d.servers.Name(0), false);
    ObjectNode* partition = d.FindNodeByContext(d.partitions.Name(d.partitions.Size() / 2));
    TextLines out;
    for (auto _ : state) {
        if (server)
            BuildIndividualReport(d, kSettings, server, out);
        if (partition)
            BuildIndividualReport(d, kSettings, partition, out);
        benchmark::DoNotOptimize(out.lines.data());
    }
}

// Every text and grid of the four pages built once, as a user turning to
// each view in turn after a change would have them built.
void BM_AllTogether(benchmark::State& state) {
    TreeDesign& d = Design();
    for (auto _ : state) {
        AnalysisViews views;
        d.MarkAllStale();
        d.MarkSubRefsCurrent();
        for (std::size_t r = 0; r < kReportCount; ++r)
            RefreshReport(d, kSettings, views, static_cast<ReportIndex>(r));
        ShowPartitionGridPage(d, views);
        ShowObjectGridPage(d, views);
        benchmark::DoNotOptimize(views.texts[0].lines.data());
    }
}

BENCHMARK(BM_ServerReport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PartitionReport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelationReport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SchemaReport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerSuggestions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PartitionSuggestions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjectSuggestions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjectReport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PartitionGrids)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddressGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjectGrids)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortPartitionGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DelimitedExportPartitionGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndividualReports)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AllTogether)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace qv

BENCHMARK_MAIN();
