// The design model and the design file on the large generated design:
// open, save, sub-references, server depths, finds, subordinate entries.
#include "files/design_file.h"
#include "support/bench_support.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <unistd.h>

namespace qv::bench {
namespace {

TreeDesign& LoadedDesign() {
    static TreeDesign* design = [] {
        auto* d = new TreeDesign;
        if (!OpenDesign(*d, GeneratedDesignFile(LargeOptions())))
            std::abort();
        return d;
    }();
    return *design;
}

void BM_Open(benchmark::State& state) {
    std::string path = GeneratedDesignFile(LargeOptions());
    for (auto _ : state) {
        auto d = std::make_unique<TreeDesign>();
        if (!OpenDesign(*d, path))
            state.SkipWithError("open failed");
        state.PauseTiming(); // freeing is not part of opening
        d.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Save(benchmark::State& state) {
    TreeDesign& d = LoadedDesign();
    std::string path = "/tmp/quorvane-bench-save-" + std::to_string(getpid()) + ".qvd";
    d.designFileName = path;
    for (auto _ : state) {
        if (!WriteDesignFile(d))
            state.SkipWithError("write failed");
    }
    unlink(path.c_str());
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_EnsureAllSubRefs(benchmark::State& state) {
    std::string path = GeneratedDesignFile(LargeOptions());
    for (auto _ : state) {
        state.PauseTiming();
        TreeDesign d;
        OpenDesign(d, path);
        state.ResumeTiming();
        d.EnsureAllSubRefs();
        benchmark::DoNotOptimize(d.partitions.Size());
    }
}
BENCHMARK(BM_EnsureAllSubRefs)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ComputeServerDepths(benchmark::State& state) {
    TreeDesign& d = LoadedDesign();
    d.EnsureAllSubRefs();
    for (auto _ : state) {
        if (!d.ComputeServerDepths())
            state.SkipWithError("aborted");
    }
}
BENCHMARK(BM_ComputeServerDepths)->Unit(benchmark::kMillisecond)->Iterations(3);

// Every partition's root found by its context, as the reports do.
void BM_FindNodeByContext(benchmark::State& state) {
    TreeDesign& d = LoadedDesign();
    std::vector<std::string> contexts;
    for (const auto& item : d.partitions)
        contexts.push_back(item.name);
    for (auto _ : state) {
        for (const auto& c : contexts)
            benchmark::DoNotOptimize(d.FindNodeByContext(c));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * contexts.size()));
}
BENCHMARK(BM_FindNodeByContext)->Unit(benchmark::kMillisecond);

// The first find after a change of the tree rebuilds the lookup index.
void BM_FindAfterTreeChange(benchmark::State& state) {
    TreeDesign& d = LoadedDesign();
    ObjectNode* node = d.Root()->FirstChild();
    std::string name = node->Name();
    for (auto _ : state) {
        d.RenameNode(node, name);
        benchmark::DoNotOptimize(d.FindNodeByContext("[ROOT]"));
    }
}
BENCHMARK(BM_FindAfterTreeChange)->Unit(benchmark::kMillisecond);

void BM_AddSubordinateEntries(benchmark::State& state) {
    std::string path = GeneratedDesignFile(LargeOptions());
    for (auto _ : state) {
        state.PauseTiming();
        TreeDesign d;
        OpenDesign(d, path);
        // Take the child entries out again so that they must be added.
        d.WalkSubtree(d.Root(), [&](ObjectNode* n) {
            if (n->Leaves() && n->ChildCount() > 0)
                d.DropLastLeaves(n, n->ChildCount(), false);
            return true;
        });
        state.ResumeTiming();
        d.AddSubordinateEntries(d.Root());
    }
}
BENCHMARK(BM_AddSubordinateEntries)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace qv::bench

BENCHMARK_MAIN();
