// Undo and redo on the large generated design: the big operations (the import
// of its 1,000,000-object report, the merge of the whole design, Sort
// Objects), and the memory that 100 ordinary edits keep. Each benchmark also
// checks that undo gives the design before the operation and redo the one
// after it (byte for byte), and fails otherwise.
#include "edit/edit_script.h"
#include "edit/object_sorting.h"
#include "files/design_file.h"
#include "files/merge_trees.h"
#include "files/object_report.h"
#include "support/bench_support.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <memory>

namespace qv::bench {
namespace {

using Clock = std::chrono::steady_clock;

std::string Bytes(TreeDesign& d) {
    std::string out;
    out = SerializeDesign(d).value_or("");
    return out;
}

double Ms(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// Runs the change, then times one undo and one redo, checking both results.
void UndoRedo(benchmark::State& state, TreeDesign& d, const std::function<bool()>& change) {
    const std::string before = Bytes(d);
    if (!change()) {
        state.SkipWithError("the operation failed");
        return;
    }
    const std::string after = Bytes(d);
    double undoMs = 0, redoMs = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        d.History().Undo(d);
        undoMs = Ms(t);
        state.PauseTiming();
        if (Bytes(d) != before)
            state.SkipWithError("undo did not give the design before");
        state.ResumeTiming();
        t = Clock::now();
        d.History().Redo(d);
        redoMs = Ms(t);
        state.PauseTiming();
        if (Bytes(d) != after)
            state.SkipWithError("redo did not give the design after");
        state.ResumeTiming();
    }
    state.counters["undo_ms"] = undoMs;
    state.counters["redo_ms"] = redoMs;
    state.counters["step_MB"] = static_cast<double>(d.History().Bytes()) / 1e6;
}

void BM_UndoObjectReportImport(benchmark::State& state) {
    const std::string text = ObjectReportText(GeneratedLarge());
    auto d = std::make_unique<TreeDesign>();
    NewDesign(*d, 1);
    UndoRedo(state, *d, [&] { return ReadObjectReportText(*d, text); });
    state.counters["report_MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_UndoObjectReportImport)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_UndoMergeLargeDesign(benchmark::State& state) {
    std::string bytes;
    bytes = SerializeDesign(GeneratedLarge()).value_or("");
    auto d = std::make_unique<TreeDesign>();
    NewDesign(*d, 1);
    d->servers.Rename(0, "FIRST_SERVER"); // the generated design has a SERVER too
    d->ReplaceLeaves(d->Root()->Child(0), nullptr);
    d->RenameNode(d->Root()->Child(0), "FIRST_ORG");
    d->ReplaceLeaves(d->Root(), nullptr);
    d->AddSubordinateEntries(d->Root());
    UndoRedo(state, *d, [&] { return MergeDesignBytes(*d, bytes, "BENCH.QVD"); });
}
BENCHMARK(BM_UndoMergeLargeDesign)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_UndoSortObjects(benchmark::State& state) {
    auto d = std::make_unique<TreeDesign>();
    OpenDesign(*d, GeneratedDesignFile(LargeOptions()));
    UndoRedo(state, *d, [&] {
        SortObjects(*d);
        return true;
    });
}
BENCHMARK(BM_UndoSortObjects)->Unit(benchmark::kMillisecond)->Iterations(2);

// 100 ordinary edits (users created in and deleted from the container with
// the most leaves, a partition created, replicas added, retyped and removed):
// what the history keeps, and one undo and redo of the last step.
void BM_HundredOrdinaryEdits(benchmark::State& state) {
    auto d = std::make_unique<TreeDesign>();
    OpenDesign(*d, GeneratedDesignFile(LargeOptions()));
    ObjectNode* big = d->Root();
    d->WalkSubtree(d->Root(), [&](ObjectNode* n) {
        if (n->Leaves() && (!big->Leaves() || n->Leaves()->size() > big->Leaves()->size()))
            big = n;
        return true;
    });
    const std::string context = d->FullContext(big);
    std::string script;
    for (int i = 0; i < 50; ++i) {
        const std::string user = "BENCHUSER" + std::to_string(i);
        script += "create-object \"" + context + "\" USER " + user + "\n";
        script += "delete-leaf \"" + context + "\" " + user + "\n";
    }
    std::vector<ScriptLine> lines;
    if (ParseEditScript(script, lines)) {
        state.SkipWithError("script");
        return;
    }
    for (auto _ : state) {
        if (RunEditScript(*d, lines, [](std::string_view) {}))
            state.SkipWithError("an edit was refused");
    }
    state.counters["steps"] = static_cast<double>(d->History().UndoCount());
    state.counters["history_MB"] = static_cast<double>(d->History().Bytes()) / 1e6;
    state.counters["container_leaves"] = static_cast<double>(big->Leaves()->size());
    auto t = Clock::now();
    d->History().Undo(*d);
    state.counters["undo_ms"] = Ms(t);
    t = Clock::now();
    d->History().Redo(*d);
    state.counters["redo_ms"] = Ms(t);
}
BENCHMARK(BM_HundredOrdinaryEdits)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace qv::bench

BENCHMARK_MAIN();
