// Comparison of the large generated design with a copy that took 1,000 random
// edits: the differences, and the plan (which runs its operations on a copy of
// the first design and checks that it gives the second). Target: both under 3 s.
#include "edit/design_compare.h"
#include "files/design_file.h"
#include "support/bench_support.h"
#include "support/random_edits.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace qv::bench {
namespace {

struct Pair {
    TreeDesign a;
    TreeDesign b;
};

Pair& Designs() {
    static Pair* pair = [] {
        auto* p = new Pair;
        if (!OpenDesign(p->a, GeneratedDesignFile(LargeOptions())) || !CopyDesign(p->a, p->b))
            std::abort();
        MakeRandomEdits(p->b, 1000, 17);
        return p;
    }();
    return *pair;
}

void BM_CompareDesigns(benchmark::State& state) {
    Pair& p = Designs();
    std::size_t count = 0;
    for (auto _ : state)
        count = CompareDesigns(p.a, p.b).size();
    state.counters["differences"] = static_cast<double>(count);
}
BENCHMARK(BM_CompareDesigns)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PlanDesignChanges(benchmark::State& state) {
    Pair& p = Designs();
    std::size_t commands = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto working = std::make_unique<TreeDesign>();
        if (!CopyDesign(p.a, *working))
            state.SkipWithError("copy failed");
        state.ResumeTiming();
        DesignPlan plan = PlanDesignChanges(*working, p.b);
        commands = plan.commandCount;
        if (!plan.unmade.empty())
            state.SkipWithError(("the plan does not give the copy: " + plan.unmade[0]).c_str());
        state.PauseTiming(); // freeing is not part of planning
        working.reset();
        state.ResumeTiming();
    }
    state.counters["commands"] = static_cast<double>(commands);
}
BENCHMARK(BM_PlanDesignChanges)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace qv::bench

BENCHMARK_MAIN();
