// Opening design files of any depth: the time grows with the records, not
// with records times depth (the status text shows a full context only for the
// first records and then for every 1024th). A chain of N levels, written as an
// older release would have written it.
#include "files/design_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string U32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// A file of one chain of levels containers below [ROOT].
std::string ChainFile(int levels) {
    std::string objects;
    auto record = [&](const std::string& name, const std::string& parent, int cls, int level) {
        objects.push_back(static_cast<char>(name.size()));
        objects.push_back(static_cast<char>(parent.size()));
        objects.push_back(static_cast<char>(cls));
        objects.push_back(static_cast<char>(name == "[ROOT]" ? 4 : 255));
        objects += name + parent;
        objects.push_back(static_cast<char>(level & 0xFF));
        objects.append(4, '\0');
    };
    record("[ROOT]", "", 0, 0);
    std::string parent = "[ROOT]";
    for (int i = 1; i <= levels; ++i) {
        const std::string name = "U" + std::to_string(i);
        record(name, parent, i == 1 ? 1 : 2, i - 1);
        parent = name;
    }
    const auto end = static_cast<std::uint32_t>(24 + objects.size());
    return U32(qv::kDesignMagic1) + U32(qv::kDesignMagic2) + U32(0) + U32(end) + U32(end) +
           U32(end) + objects;
}

void BM_OpenChain(benchmark::State& state) {
    const int levels = static_cast<int>(state.range(0));
    const std::string path = "/tmp/qv_bench_chain_" + std::to_string(levels) + ".qvd";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        const std::string bytes = ChainFile(levels);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    for (auto _ : state) {
        qv::TreeDesign d;
        benchmark::DoNotOptimize(qv::OpenDesign(d, path, false));
    }
    state.SetComplexityN(levels);
    unlink(path.c_str());
}
BENCHMARK(BM_OpenChain)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace

BENCHMARK_MAIN();
