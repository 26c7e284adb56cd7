// The report readers on reports written from the large generated design: a
// replica ring report of 10,000 partitions and 5,000 servers, a DS version
// report of its servers, an object report of its 1,000,000 objects, and the
// merge of a generated design into a new one.
#include "files/design_file.h"
#include "files/merge_trees.h"
#include "files/object_report.h"
#include "files/report_reader.h"
#include "support/bench_support.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <unordered_map>

namespace qv::bench {
namespace {

// Keeps the last message box, so that a failed import can say why.
class LastBox final : public Interaction {
public:
    std::string text;
    void Message(std::string_view t) override { text = t; }
    void Information(std::string_view t) override { text = t; }
    void Warning(std::string_view t) override { text = t; }
    void Error(std::string_view t) override { text = t; }
    bool AskYesNo(std::string_view) override { return false; }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
};

// The DSDIAG name of a node: \TREE\O=...\OU=...\CN=... (without the CN part
// for containers).
std::string DsName(const ObjectNode* n) {
    std::string path;
    for (; n && n->Parent(); n = n->Parent()) {
        const char* type = "OU=";
        switch (n->ClassIndex()) {
        case kClassCountry:
            type = "C=";
            break;
        case kClassOrganization:
            type = "O=";
            break;
        case kClassLocality:
            type = "L=";
            break;
        case kClassServer:
            type = "CN=";
            break;
        default:
            break;
        }
        std::string part = "\\";
        part += type;
        part += n->Name();
        path.insert(0, part);
    }
    path.insert(0, "\\BENCH_TREE");
    return path;
}

std::unordered_map<std::string, const ObjectNode*> ServerNodes(TreeDesign& d) {
    std::unordered_map<std::string, const ObjectNode*> nodes;
    d.WalkSubtree(d.Root(), [&](ObjectNode* n) {
        if (n->ClassIndex() == kClassServer)
            nodes.try_emplace(n->Name(), n);
        return true;
    });
    return nodes;
}

const std::string& RingReport() {
    static const std::string text = [] {
        TreeDesign& d = GeneratedLarge();
        auto servers = ServerNodes(d);
        std::unordered_map<std::string, const ObjectNode*> roots;
        d.WalkSubtree(d.Root(), [&](ObjectNode* n) {
            if (n->IsPartitionRoot())
                roots.try_emplace(d.FullContext(n), n);
            return true;
        });
        auto replicaLine = [&](int k, const char* type, const std::string& server) {
            std::string line = std::to_string(k) + " 1 " + type + " ON";
            line.resize(44, ' ');
            return line + "X " + DsName(servers.at(server)) + " END\n";
        };
        // Each partition lists its replicas from the design and, up to six in
        // all, read-only replicas on further servers: about 60,000 lines.
        std::string out = "REPORT TITLE: DSD LIST REPLICA RINGS\nREPORT VERSION: 0.8\n";
        const std::size_t serverCount = d.servers.Size();
        std::size_t index = 0;
        for (const TableItem& p : d.partitions) {
            out += "PARTITION: " + DsName(roots.at(p.name)) + "\nREPLICA RING\nSTATUS\nNUMB\n";
            int k = 0;
            for (const std::string& e : p.entries) {
                std::string_view t = EntryType(e);
                const char* type = t == kMaster      ? "M"
                                   : t == kReadWrite ? "RW"
                                   : t == kReadOnly  ? "RO"
                                                     : "SR";
                out += replicaLine(++k, type, std::string(EntryName(e)));
            }
            for (std::size_t j = 0; k < 6 && j < 20; ++j) {
                const std::string& server = d.servers.Name((index * 13 + j * 977) % serverCount);
                if (FindEntryByName(p.entries, server) < 0)
                    out += replicaLine(++k, "RO", server);
            }
            ++index;
        }
        out += "REPLICAS\n";
        return out;
    }();
    return text;
}

const std::string& VersionReport() {
    static const std::string text = [] {
        TreeDesign& d = GeneratedLarge();
        auto servers = ServerNodes(d);
        std::string out = "REPORT TITLE: DSD NDS VERSIONS REPORT\nREPORT VERSION: 0.8\n"
                          "STATUS  Address\nDEPT\n";
        for (std::size_t i = 0; i < d.servers.Size(); ++i) {
            std::string address = "10." + std::to_string(i / 65536) + "." +
                                  std::to_string(i / 256 % 256) + "." + std::to_string(i % 256);
            address.resize(16, ' ');
            out += "0     " + address + "1 599 " + DsName(servers.at(d.servers.Name(i))) + "\n";
        }
        out += "CONTACTED\n";
        return out;
    }();
    return text;
}

const std::string& ObjectReport() {
    static const std::string text = ObjectReportText(GeneratedLarge());
    return text;
}

void BM_ReadReplicaRingReport(benchmark::State& state) {
    const std::string& text = RingReport();
    LastBox box;
    for (auto _ : state) {
        state.PauseTiming();
        auto d = std::make_unique<TreeDesign>();
        d->SetHosts(nullptr, &box);
        NewDesign(*d, 1);
        state.ResumeTiming();
        bool ok = ReadReportText(*d, text, "BENCH.RPT", true);
        state.PauseTiming();
        if (!ok) {
            state.SkipWithError(("import failed: " + box.text).c_str());
            break;
        }
        state.counters["partitions"] = static_cast<double>(d->partitions.Size());
        state.counters["servers"] = static_cast<double>(d->servers.Size());
        d.reset();
        state.ResumeTiming();
    }
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_ReadReplicaRingReport)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadDsVersionReport(benchmark::State& state) {
    const std::string& text = VersionReport();
    auto d = std::make_unique<TreeDesign>();
    NewDesign(*d, 1);
    if (!ReadReportText(*d, RingReport(), "BENCH.RPT", true))
        state.SkipWithError("ring import failed");
    for (auto _ : state)
        if (!ReadReportText(*d, text, "BENCH.RPT", false))
            state.SkipWithError("import failed");
}
BENCHMARK(BM_ReadDsVersionReport)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadObjectReport(benchmark::State& state) {
    const std::string& text = ObjectReport();
    LastBox box;
    for (auto _ : state) {
        state.PauseTiming();
        auto d = std::make_unique<TreeDesign>();
        d->SetHosts(nullptr, &box);
        NewDesign(*d, 1);
        state.ResumeTiming();
        bool ok = ReadObjectReportText(*d, text);
        state.PauseTiming();
        if (!ok) {
            state.SkipWithError(("import failed: " + box.text).c_str());
            break;
        }
        std::size_t leaves = 0;
        d->WalkSubtree(d->Root(), [&](ObjectNode* n) {
            leaves += n->Leaves() ? n->Leaves()->size() : 0;
            return true;
        });
        state.counters["leaves"] = static_cast<double>(leaves);
        d.reset();
        state.ResumeTiming();
    }
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_ReadObjectReport)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MergeLargeDesign(benchmark::State& state) {
    const Result<std::string> serialized = SerializeDesign(GeneratedLarge());
    if (!serialized)
        state.SkipWithError("serialize failed");
    const std::string bytes = serialized.value_or("");
    for (auto _ : state) {
        state.PauseTiming();
        auto d = std::make_unique<TreeDesign>();
        NewDesign(*d, 1);
        d->servers.Rename(0, "FIRST_SERVER"); // the generated design has a SERVER too
        d->ReplaceLeaves(d->Root()->Child(0), nullptr);
        d->RenameNode(d->Root()->Child(0), "FIRST_ORG");
        d->ReplaceLeaves(d->Root(), nullptr);
        d->AddSubordinateEntries(d->Root());
        state.ResumeTiming();
        if (!MergeDesignBytes(*d, bytes, "BENCH.QVD"))
            state.SkipWithError("merge failed");
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MergeLargeDesign)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace qv::bench

// QV_BENCH_REPORTS=DIR writes the generated reports there (rings.rpt,
// versions.rpt, objects.rpt) before the benchmarks run.
int main(int argc, char** argv) {
    if (const char* dir = std::getenv("QV_BENCH_REPORTS")) {
        std::string base(dir);
        for (const auto& [name, text] : {std::pair{"/rings.rpt", qv::bench::RingReport()},
                                         std::pair{"/versions.rpt", qv::bench::VersionReport()},
                                         std::pair{"/objects.rpt", qv::bench::ObjectReport()}}) {
            const qv::Result<qv::FileIdentity> saved = qv::ReplaceFileAtomically(base + name, text);
            if (!saved) {
                std::fprintf(stderr, "%s\n", saved.error().c_str());
                return 1;
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
