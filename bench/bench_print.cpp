// Printing into PDF files over the large generated design (20,000 containers):
// the whole tree in graphical mode (target: under 30 s from the command line),
// the tree as text, and the partition grid.
#include "support/bench_support.h"

#include "files/design_file.h"
#include "print/grid_printing.h"
#include "print/pdf_canvas.h"
#include "print/tree_printing.h"
#include "reports/analysis_pages.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace qv {
namespace {

TreeDesign& Design() {
    static std::unique_ptr<TreeDesign> design = [] {
        auto d = std::make_unique<TreeDesign>();
        if (!OpenDesign(*d, bench::GeneratedDesignFile(bench::LargeOptions())))
            throw std::runtime_error("cannot open the generated design");
        return d;
    }();
    return *design;
}

const std::string kOut = "/tmp/quorvane_bench_print.pdf";

void BM_PrintTreeGraphical(benchmark::State& state) {
    TreeDesign& d = Design();
    NullPrintStatus status;
    int pages = 0;
    for (auto _ : state) {
        PdfCanvas pdf(kOut, kPaperA4, 600);
        PrintTreeView(d, pdf, status, d.Root(), false);
        pages = pdf.PagesWritten();
    }
    state.counters["pages"] = pages;
    state.counters["nodes"] = static_cast<double>(d.NodeCount());
    std::remove(kOut.c_str());
}
BENCHMARK(BM_PrintTreeGraphical)->Unit(benchmark::kMillisecond);

void BM_PrintTreeText(benchmark::State& state) {
    TreeDesign& d = Design();
    for (auto _ : state) {
        PdfCanvas pdf(kOut, kPaperA4, 600);
        PrintTreeViewTextMode(d, pdf, d.Root());
        state.counters["pages"] = pdf.PagesWritten();
    }
    std::remove(kOut.c_str());
}
BENCHMARK(BM_PrintTreeText)->Unit(benchmark::kMillisecond);

void BM_PrintPartitionGrid(benchmark::State& state) {
    TreeDesign& d = Design();
    AnalysisViews views;
    BeginPageChange(d);
    ShowPartitionGridPage(d, views);
    NullPrintStatus status;
    for (auto _ : state) {
        PdfCanvas pdf(kOut, kPaperA4, 600);
        PrintGrid(d, pdf, status, views.partXServ, false, false, true);
        state.counters["pages"] = pdf.PagesWritten();
    }
    std::remove(kOut.c_str());
}
BENCHMARK(BM_PrintPartitionGrid)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace qv

BENCHMARK_MAIN();
