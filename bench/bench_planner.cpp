// Plan Replica Layout on the large generated design (10,000 partitions, 5,000
// servers) with the default settings. Targets: a plan in under 60 s, within
// 5% of the bound, peak memory under 2 GB. The counters give the replica
// warnings before and after, the changes, the bound, the gap and the peak
// resident memory of the process.
//
// QV_PLANNER_WRITE_LP=FILE writes the solver's program (CPLEX LP format) to
// FILE first, for comparing solvers by hand (cbc FILE -solve; glpsol --lp FILE).
#include "files/design_file.h"
#include "planner/replica_planner.h"
#include "support/bench_support.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <sys/resource.h>

namespace qv::bench {
namespace {

double PeakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void BM_PlanReplicaLayout(benchmark::State& state) {
    TreeDesign design;
    if (!OpenDesign(design, GeneratedDesignFile(LargeOptions()))) {
        state.SkipWithError("cannot open the generated design");
        return;
    }
    const WarningSettings settings;
    ReplicaPlanOptions options;
    options.timeLimitSeconds = 55;
    if (const char* lp = std::getenv("QV_PLANNER_WRITE_LP")) {
        std::unique_ptr<ReplicaPlanInput> input = PrepareReplicaPlan(design, settings);
        std::ofstream(lp) << ReplicaPlanProgram(*input, options);
    }
    ReplicaPlan plan;
    for (auto _ : state)
        plan = PlanReplicaLayout(design, settings, options);
    if (!plan.failure.empty())
        state.SkipWithError(plan.failure.c_str());
    state.counters["warnings_before"] = plan.ReplicaWarningsBefore();
    state.counters["warnings_after"] = plan.ReplicaWarningsAfter();
    state.counters["changes"] = static_cast<double>(plan.changes.size());
    state.counters["bound"] = plan.bound;
    state.counters["gap_percent"] = 100.0 * plan.Gap();
    state.counters["optimal"] = plan.optimal;
    state.counters["peak_MB"] = PeakMegabytes();
    state.SetLabel(plan.Summary());
}
BENCHMARK(BM_PlanReplicaLayout)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
} // namespace qv::bench

BENCHMARK_MAIN();
