#include "planner/replica_planner.h"

#include "core/design_change.h"
#include "edit/design_compare.h"
#include "edit/edit_script.h"
#include "planner/mip_solver.h"
#include "reports/reports.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

namespace qv {

// ---------------------------------------------------------------- warnings

bool IsReplicaRule(WarningRule rule) {
    return rule <= WarningRule::NoReplicas;
}

const char* RuleName(WarningRule rule) {
    switch (rule) {
    case WarningRule::NoMaster:
        return "no Master replica";
    case WarningRule::DuplicateMaster:
        return "duplicate Master replicas";
    case WarningRule::TooManyReplicas:
        return "too many replicas of a partition (MaxReplicasPerPartition)";
    case WarningRule::TooFewReplicas:
        return "too few replicas of a partition (MinReplicasPerPartition)";
    case WarningRule::TooManyReadables:
        return "too many readable replicas on a server (MaxReadables)";
    case WarningRule::TooManySubRefs:
        return "too many SubRefs on a server (MaxSubRefs)";
    case WarningRule::NoReplicas:
        return "server holds no replica";
    case WarningRule::DSVersion:
        return "DS version";
    case WarningRule::IPXAddress:
        return "IPX address";
    case WarningRule::DuplicateAddress:
        return "duplicate addresses";
    case WarningRule::ObjectsPerContainer:
        return "objects per container (MaxObjsPerContainer)";
    }
    return "";
}

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

std::string Trimmed(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    return std::string(text.substr(b, e - b));
}

struct RulePrefix {
    std::string_view prefix;
    WarningRule rule;
};

// The first lines of the warnings, as the suggestion texts write them.
constexpr RulePrefix kServerPrefixes[] = {
    {"  Warning: No replicas are stored on this server.", WarningRule::NoReplicas},
    {"  Warning: DS VERSION has not been imported.", WarningRule::DSVersion},
    {"  Warning: 4.X DS VERSION", WarningRule::DSVersion},
    {"  Warning: 5.X DS VERSION", WarningRule::DSVersion},
    {"  Warning: SKADS DS VERSION", WarningRule::DSVersion},
    {"  Warning: IPX Address has not been imported.", WarningRule::IPXAddress},
};
constexpr RulePrefix kPartitionPrefixes[] = {
    {"  Warning: There are duplicate Master", WarningRule::DuplicateMaster},
    {"  Warning: There is no Master replica", WarningRule::NoMaster},
    {"  Warning: There are only ", WarningRule::TooFewReplicas},
    {"  Warning: There are ", WarningRule::TooManyReplicas},
};

void ReadServerText(const std::vector<std::string>& lines, std::vector<DesignWarning>& out) {
    std::string scope;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (StartsWith(l, "Server: ")) {
            scope = l;
            continue;
        }
        if (!StartsWith(l, "  Warning: "))
            continue;
        std::optional<WarningRule> rule;
        for (const RulePrefix& p : kServerPrefixes)
            if (StartsWith(l, p.prefix)) {
                rule = p.rule;
                break;
            }
        if (!rule && StartsWith(l, "  Warning: This server contains ")) {
            const bool subRefs = l.size() >= 9 && l.substr(l.size() - 9) == " SubRefs.";
            rule = subRefs ? WarningRule::TooManySubRefs : WarningRule::TooManyReadables;
        }
        if (!rule)
            rule = WarningRule::DuplicateAddress; // "  Warning: A and B"
        out.push_back(DesignWarning{*rule, scope, Trimmed(l)});
    }
}

void ReadPartitionText(const std::vector<std::string>& lines, std::vector<DesignWarning>& out) {
    std::string scope;
    for (const std::string& l : lines) {
        if (StartsWith(l, "Partition: ")) {
            scope = l;
            continue;
        }
        for (const RulePrefix& p : kPartitionPrefixes)
            if (StartsWith(l, p.prefix)) {
                out.push_back(DesignWarning{p.rule, scope, Trimmed(l)});
                break;
            }
    }
}

} // namespace

std::vector<DesignWarning> CollectWarnings(TreeDesign& design, const WarningSettings& settings) {
    std::vector<DesignWarning> out;
    TextLines text;
    BuildPartitionSuggestions(design, settings, text);
    ReadPartitionText(text.lines, out);
    text.Clear();
    BuildServerSuggestions(design, settings, text);
    ReadServerText(text.lines, out);
    if (HasObjectReport(design)) {
        text.Clear();
        BuildObjectSuggestions(design, settings, text);
        for (std::size_t i = 0; i < text.lines.size(); ++i)
            if (StartsWith(text.lines[i], "WARNING!!  "))
                out.push_back(DesignWarning{WarningRule::ObjectsPerContainer, "Container",
                                            Trimmed(text.lines[i])});
    }
    return out;
}

// ---------------------------------------------------------------- changes

std::vector<std::string> ReplicaChange::Args() const {
    switch (kind) {
    case ReplicaChangeKind::Add:
        return {"add-replica", partition, server, type};
    case ReplicaChangeKind::Retype:
    case ReplicaChangeKind::MakeMaster:
        return {"change-type", partition, server, type};
    case ReplicaChangeKind::Delete:
        return {"delete-replica", partition, server};
    }
    return {};
}

std::string ReplicaChange::Line() const {
    std::string line;
    for (const std::string& a : Args()) {
        std::string q;
        if (!QuoteScriptArgument(a, q))
            return {};
        line += (line.empty() ? "" : " ") + q;
    }
    return line;
}

int ReplicaPlan::ReplicaWarnings(const std::vector<DesignWarning>& list) const {
    return static_cast<int>(std::count_if(
        list.begin(), list.end(), [](const DesignWarning& w) { return IsReplicaRule(w.rule); }));
}

double ReplicaPlan::Gap() const {
    if (optimal || changes.empty())
        return 0;
    const double n = static_cast<double>(changes.size());
    return std::max(0.0, (n - bound) / n);
}

std::string ReplicaPlan::Summary() const {
    std::string s = "Replica warnings: " + std::to_string(ReplicaWarningsBefore()) + " before, " +
                    std::to_string(ReplicaWarningsAfter()) + " after; " +
                    std::to_string(changes.size()) + " changes; ";
    if (cancelled)
        s += "cancelled, not proven optimal";
    else if (optimal)
        s += "optimal";
    else {
        char buf[96];
        std::snprintf(buf, sizeof buf, "not proven optimal, gap %.1f%% to the bound %.0f",
                      100.0 * Gap(), std::max(0.0, std::ceil(bound - 1e-6)));
        s += buf;
    }
    s += ".";
    return s;
}

std::string ReplicaPlan::Script() const {
    std::string out = "# Plan Replica Layout: " + Summary() + "\n";
    for (const ReplicaChange& c : changes) {
        const std::string line = c.Line();
        if (!c.clears.empty())
            out += "# " + c.clears + "\n";
        out += line.empty() ? "# cannot be written: " + c.partition + " " + c.server + "\n"
                            : line + "\n";
    }
    return out;
}

// ---------------------------------------------------------------- the model

namespace {

enum class Held : unsigned char { None, SubRef, Master, ReadWrite, ReadOnly, Sparse };

Held HeldOf(std::string_view type) {
    if (type == kMaster)
        return Held::Master;
    if (type == kReadWrite)
        return Held::ReadWrite;
    if (type == kReadOnly)
        return Held::ReadOnly;
    if (type == kSubRef)
        return Held::SubRef;
    return Held::Sparse; // both sparse types (and an unknown marker: readable on a server)
}

bool Readable(Held h) {
    return h == Held::Master || h == Held::ReadWrite || h == Held::ReadOnly;
}
bool Holds(Held h) {
    return h != Held::None && h != Held::SubRef;
}

std::uint64_t PairKey(int p, int s) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p)) << 32) |
           static_cast<std::uint32_t>(s);
}

// The design reduced to what the replica rules see.
struct Layout {
    std::vector<std::string> partitions, servers;
    std::vector<int> parent;                // parent partition, -1 for none
    std::vector<std::vector<int>> children; // child partitions
    std::unordered_map<std::uint64_t, Held> held;
    std::vector<std::vector<int>> holders; // servers with an entry of the partition
    // Entries the model leaves as they are: readable and master entries of
    // partitions naming no known server; server entries naming no partition.
    std::vector<int> fixedReadable, fixedMasters;
    std::vector<int> serverFixedHeld, serverFixedSubRefs;
    // SubRefs a server keeps whatever happens: no readable replica of the
    // parent justifies them, and only an added replica replaces them.
    std::unordered_set<std::uint64_t> sticky;
    std::vector<int> serverHeld, serverSubRefs; // current counts

    Held At(int p, int s) const {
        auto it = held.find(PairKey(p, s));
        return it == held.end() ? Held::None : it->second;
    }
};

Layout ReadLayout(TreeDesign& d) {
    Layout L;
    const std::size_t np = d.partitions.Size(), ns = d.servers.Size();
    std::unordered_map<std::string, int> pIndex, sIndex;
    for (std::size_t i = 0; i < np; ++i) {
        L.partitions.push_back(d.partitions.Name(i));
        pIndex[d.partitions.Name(i)] = static_cast<int>(i); // the last item of a name
    }
    for (std::size_t i = 0; i < ns; ++i) {
        L.servers.push_back(d.servers.Name(i));
        sIndex[d.servers.Name(i)] = static_cast<int>(i);
    }
    L.parent.assign(np, -1);
    L.children.assign(np, {});
    L.holders.assign(np, {});
    L.fixedReadable.assign(np, 0);
    L.fixedMasters.assign(np, 0);
    for (std::size_t i = 0; i < np; ++i) {
        ObjectNode* node = d.FindNodeByContext(L.partitions[i]);
        if (!node || !node->IsPartitionRoot())
            continue;
        ObjectNode* up = d.ParentPartition(node);
        if (!up)
            continue;
        auto it = pIndex.find(d.FullContext(up));
        if (it != pIndex.end() && it->second != static_cast<int>(i)) {
            L.parent[i] = it->second;
            L.children[static_cast<std::size_t>(it->second)].push_back(static_cast<int>(i));
        }
    }
    for (std::size_t p = 0; p < np; ++p)
        for (const std::string& e : d.partitions.Entries(p)) {
            auto it = sIndex.find(std::string(EntryName(e)));
            const Held h = HeldOf(EntryType(e));
            if (it == sIndex.end()) {
                L.fixedReadable[p] += Readable(h);
                L.fixedMasters[p] += h == Held::Master;
                continue;
            }
            auto [slot, fresh] = L.held.emplace(PairKey(static_cast<int>(p), it->second), h);
            if (fresh)
                L.holders[p].push_back(it->second);
            else {
                // A second entry of one server: the rules count it, the model leaves it.
                L.fixedReadable[p] += Readable(h);
                L.fixedMasters[p] += h == Held::Master;
            }
        }
    L.serverFixedHeld.assign(ns, 0);
    L.serverFixedSubRefs.assign(ns, 0);
    L.serverHeld.assign(ns, 0);
    L.serverSubRefs.assign(ns, 0);
    for (std::size_t s = 0; s < ns; ++s)
        for (const std::string& e : d.servers.Entries(s)) {
            const bool sub = EntryType(e) == kSubRef;
            (sub ? L.serverSubRefs : L.serverHeld)[s]++;
            auto it = pIndex.find(std::string(EntryName(e)));
            if (it == pIndex.end() || L.At(it->second, static_cast<int>(s)) == Held::None)
                (sub ? L.serverFixedSubRefs : L.serverFixedHeld)[s]++;
        }
    for (const auto& [key, h] : L.held) {
        if (h != Held::SubRef)
            continue;
        const int p = static_cast<int>(key >> 32), s = static_cast<int>(key & 0xFFFFFFFFu);
        const int q = L.parent[static_cast<std::size_t>(p)];
        if (q < 0 || !Holds(L.At(q, s)))
            L.sticky.insert(key);
    }
    return L;
}

// One planned state of a pair.
struct PairVars {
    int p, s;
    Held now;
    int y = -1; // readable at the end (MASTER, READ/WRITE or READ/ONLY)
    int k = -1; // a sparse replica kept
    int m = -1; // the Master at the end
};

class ModelBuilder {
public:
    ModelBuilder(const Layout& layout, const WarningSettings& w, const ReplicaPlanOptions& o)
        : L(layout), w_(w), o_(o) {}

    // Candidate servers of each partition.
    void ChooseCandidates(bool everyServer) {
        const std::size_t np = L.partitions.size(), ns = L.servers.size();
        cand_.assign(np, {});
        if (everyServer) {
            for (std::size_t p = 0; p < np; ++p) {
                cand_[p].resize(ns);
                std::iota(cand_[p].begin(), cand_[p].end(), 0);
            }
            return;
        }
        restricted_ = true;
        // The least loaded servers first, handed out in turn.
        std::vector<int> order(ns);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return L.serverHeld[a] + L.serverSubRefs[a] < L.serverHeld[b] + L.serverSubRefs[b];
        });
        const std::size_t spare = std::max<std::size_t>(1, order.size() / 2);
        std::size_t next = 0;
        for (std::size_t p = 0; p < np; ++p) {
            std::unordered_set<int> set(L.holders[p].begin(), L.holders[p].end());
            auto related = [&](int q) {
                if (q < 0)
                    return;
                for (int s : L.holders[static_cast<std::size_t>(q)])
                    if (Holds(L.At(q, s)) && set.size() < 40)
                        set.insert(s);
            };
            related(L.parent[p]);
            for (int c : L.children[p])
                related(c);
            for (int k = 0; k < kSpareCandidates && ns > 0; ++k)
                set.insert(order[(next++) % spare]);
            cand_[p].assign(set.begin(), set.end());
            std::sort(cand_[p].begin(), cand_[p].end());
        }
    }

    bool Restricted() const { return restricted_; }

    // Stage weights: warnings, changes, then the preferences.
    void Build(double warnWeight, double changeWeight, double preferWeight, double spreadWeight) {
        const std::size_t np = L.partitions.size(), ns = L.servers.size();
        index_.clear();
        pairs_.clear();
        changeTerms_.clear();
        changeConst_ = 0;
        warnCols_.clear();
        for (std::size_t p = 0; p < np; ++p) {
            int masters = L.fixedMasters[p];
            for (int s : L.holders[p])
                masters += L.At(static_cast<int>(p), s) == Held::Master;
            for (int s : cand_[p]) {
                PairVars v{static_cast<int>(p), s, L.At(static_cast<int>(p), s)};
                const bool isMaster = v.now == Held::Master;
                v.y = Col(0, 1, 0);
                if (v.now == Held::Sparse)
                    v.k = Col(0, 1, 0);
                const bool masterAllowed = !(isMaster && masters > 1) &&
                                           !(o_.keepMasters && masters > 0 && !isMaster) &&
                                           !(o_.keepMasters && masters > 1);
                if (masterAllowed)
                    v.m = Col(isMaster && o_.keepMasters ? 1 : 0, 1, 0);
                // The changes this pair costs.
                switch (v.now) {
                case Held::None:
                case Held::SubRef:
                    Change(v.y, 1);
                    Prefer(v, preferWeight, spreadWeight);
                    break;
                case Held::ReadWrite:
                case Held::ReadOnly:
                case Held::Master:
                    changeConst_ += 1;
                    Change(v.y, -1);
                    break;
                case Held::Sparse:
                    changeConst_ += 1;
                    Change(v.k, -1);
                    break;
                }
                if (v.m >= 0 && !isMaster)
                    Change(v.m, 1);
                if (v.k >= 0)
                    prob_.AddRow({{v.y, 1}, {v.k, 1}}, -kMipInfinity, 1);
                if (v.m >= 0)
                    prob_.AddRow({{v.m, 1}, {v.y, -1}}, -kMipInfinity, 0);
                if (o_.addOnly && Holds(v.now))
                    prob_.AddRow(v.k >= 0 ? std::vector<std::pair<int, double>>{{v.y, 1}, {v.k, 1}}
                                          : std::vector<std::pair<int, double>>{{v.y, 1}},
                                 1, kMipInfinity);
                index_[PairKey(v.p, v.s)] = pairs_.size();
                pairs_.push_back(v);
            }
            PartitionRows(p, masters, warnWeight);
        }
        ServerRows(ns, warnWeight);
        for (const auto& [col, c] : changeTerms_)
            prob_.cost[static_cast<std::size_t>(col)] += changeWeight * c;
        if (o_.maxChanges) {
            std::vector<std::pair<int, double>> t(changeTerms_.begin(), changeTerms_.end());
            prob_.AddRow(std::move(t), -kMipInfinity,
                         static_cast<double>(*o_.maxChanges) - changeConst_);
        }
    }

    MipProblem& Problem() { return prob_; }
    const std::vector<PairVars>& Pairs() const { return pairs_; }
    double ChangeConst() const { return changeConst_; }
    const std::vector<std::pair<int, double>>& ChangeTerms() const { return changeTerms_; }
    const std::vector<int>& WarnCols() const { return warnCols_; }
    // The warnings a solution leaves, as the model sees them.
    std::vector<DesignWarning> WarningsOf(const std::vector<double>& x) const {
        std::vector<DesignWarning> out;
        for (std::size_t i = 0; i < warnCols_.size(); ++i)
            if (x[static_cast<std::size_t>(warnCols_[i])] > 0.5)
                out.push_back(warnInfo_[i]);
        return out;
    }
    const PairVars* Find(int p, int s) const {
        auto it = index_.find(PairKey(p, s));
        return it == index_.end() ? nullptr : &pairs_[it->second];
    }
    // The changes and warnings of a solution.
    double ChangesOf(const std::vector<double>& x) const {
        double n = changeConst_;
        for (const auto& [c, v] : changeTerms_)
            n += v * x[static_cast<std::size_t>(c)];
        return n;
    }
    // The highest count of changes a plan can have, plus one.
    double ChangeCeiling() const { return 2.0 * static_cast<double>(pairs_.size()) + 2; }

private:
    static constexpr int kSpareCandidates = 6;

    int Col(double lo, double up, double cost, bool integer = true) {
        return prob_.AddColumn(lo, up, cost, integer);
    }
    void Change(int col, double c) { changeTerms_.emplace_back(col, c); }
    // An added replica: on a server where the partition's SubRefs already
    // are (it holds the parent or a child partition, or a SubRef of this
    // one) costs nothing more; elsewhere a little; and the fuller the server,
    // the more.
    void Prefer(const PairVars& v, double preferWeight, double spreadWeight) {
        bool near = v.now == Held::SubRef;
        const int q = L.parent[static_cast<std::size_t>(v.p)];
        if (q >= 0 && Holds(L.At(q, v.s)))
            near = true;
        for (int c : L.children[static_cast<std::size_t>(v.p)])
            if (Holds(L.At(c, v.s)))
                near = true;
        prob_.cost[static_cast<std::size_t>(v.y)] +=
            (near ? 0 : preferWeight) + spreadWeight * L.serverHeld[static_cast<std::size_t>(v.s)];
    }
    int Warning(double weight, std::string scope, WarningRule rule) {
        int c = Col(0, 1, weight);
        warnCols_.push_back(c);
        warnInfo_.push_back(DesignWarning{rule, std::move(scope), {}});
        return c;
    }

    void PartitionRows(std::size_t p, int masters, double warnWeight) {
        std::vector<std::pair<int, double>> ys, ms, masterYs;
        for (int s : cand_[p]) {
            const PairVars& v = pairs_[index_[PairKey(static_cast<int>(p), s)]];
            ys.emplace_back(v.y, 1);
            if (v.m >= 0)
                ms.emplace_back(v.m, 1);
        }
        // One Master at most; none (or the old ones kept) is the warning.
        if (!ms.empty())
            prob_.AddRow(ms, -kMipInfinity, 1);
        {
            const int wm =
                Warning(warnWeight, "Partition: " + L.partitions[p],
                        masters > 1 ? WarningRule::DuplicateMaster : WarningRule::NoMaster);
            std::vector<std::pair<int, double>> t = ms;
            t.emplace_back(wm, 1);
            prob_.AddRow(std::move(t), 1, kMipInfinity); // the Master kept or a new one
        }
        // A Master stays a Master (and so stays) unless another is made one.
        for (int s : cand_[p]) {
            const PairVars& v = pairs_[index_[PairKey(static_cast<int>(p), s)]];
            if (v.now != Held::Master)
                continue;
            std::vector<std::pair<int, double>> t{{v.y, 1}};
            for (const auto& [mc, one] : ms)
                if (mc != v.m)
                    t.emplace_back(mc, one);
            prob_.AddRow(std::move(t), 1, kMipInfinity);
        }
        const double fixed = L.fixedReadable[p];
        const double n = static_cast<double>(ys.size()) + fixed;
        if (w_.CheckMaxReplicasPerPartition) {
            const int wx =
                Warning(warnWeight, "Partition: " + L.partitions[p], WarningRule::TooManyReplicas);
            std::vector<std::pair<int, double>> t = ys;
            const double big = std::max(0.0, n - w_.MaxReplicasPerPartition);
            t.emplace_back(wx, -big);
            prob_.AddRow(std::move(t), -kMipInfinity, w_.MaxReplicasPerPartition - fixed);
            if (big == 0)
                prob_.up[static_cast<std::size_t>(wx)] = 0;
        }
        if (w_.CheckMinReplicasPerPartition && w_.MinReplicasPerPartition > 0) {
            const int wn =
                Warning(warnWeight, "Partition: " + L.partitions[p], WarningRule::TooFewReplicas);
            std::vector<std::pair<int, double>> t = ys;
            t.emplace_back(wn, w_.MinReplicasPerPartition);
            prob_.AddRow(std::move(t), w_.MinReplicasPerPartition - fixed, kMipInfinity);
        }
    }

    // h(p,s): the server holds a replica that is not a SubRef.
    void AddHeld(std::vector<std::pair<int, double>>& t, const PairVars* v, double f) const {
        if (!v)
            return;
        t.emplace_back(v->y, f);
        if (v->k >= 0)
            t.emplace_back(v->k, f);
    }
    double HeldConst(int p, int s) const {
        // A pair without columns keeps its state.
        return Find(p, s) ? 0.0 : (Holds(L.At(p, s)) ? 1.0 : 0.0);
    }

    void ServerRows(std::size_t ns, double warnWeight) {
        std::vector<std::vector<std::pair<int, double>>> held(ns), subs(ns);
        std::vector<double> heldConst(ns), subConst(ns);
        for (std::size_t s = 0; s < ns; ++s) {
            heldConst[s] = L.serverFixedHeld[s];
            subConst[s] = L.serverFixedSubRefs[s];
        }
        // Replicas of the pairs without columns.
        for (const auto& [key, h] : L.held) {
            const int p = static_cast<int>(key >> 32), s = static_cast<int>(key & 0xFFFFFFFFu);
            if (!Find(p, s) && Holds(h))
                heldConst[static_cast<std::size_t>(s)] += 1;
        }
        for (const PairVars& v : pairs_)
            AddHeld(held[static_cast<std::size_t>(v.s)], &v, 1);
        // SubRefs: server s holds one of child c when it holds the parent q
        // and not c, or when it keeps an old one and does not hold c.
        for (std::size_t c = 0; c < L.partitions.size(); ++c) {
            const int q = L.parent[c];
            std::unordered_set<int> servers;
            if (q >= 0) {
                for (int s : cand_[static_cast<std::size_t>(q)])
                    servers.insert(s);
                for (int s : L.holders[static_cast<std::size_t>(q)])
                    servers.insert(s);
            }
            for (int s : L.holders[c])
                if (L.sticky.count(PairKey(static_cast<int>(c), s)))
                    servers.insert(s);
            for (int s : servers) {
                const PairVars* vc = Find(static_cast<int>(c), s);
                const double hc = HeldConst(static_cast<int>(c), s);
                auto& row = subs[static_cast<std::size_t>(s)];
                if (L.sticky.count(PairKey(static_cast<int>(c), s))) {
                    // u = 1 - h(c)
                    subConst[static_cast<std::size_t>(s)] += 1 - hc;
                    AddHeld(row, vc, -1);
                    continue;
                }
                const PairVars* vq = q >= 0 ? Find(q, s) : nullptr;
                const double hq = q >= 0 ? HeldConst(q, s) : 0.0;
                if (!vq && hq == 0)
                    continue;
                if (!vc && hc == 1)
                    continue;
                if (!vq && !vc) {
                    subConst[static_cast<std::size_t>(s)] += hq * (1 - hc);
                    continue;
                }
                const int u = Col(0, 1, 0, false);
                // u >= h(q) - h(c)
                std::vector<std::pair<int, double>> a{{u, 1}};
                AddHeld(a, vq, -1);
                AddHeld(a, vc, 1);
                prob_.AddRow(std::move(a), hq - hc, kMipInfinity);
                // u <= h(q), u <= 1 - h(c)
                std::vector<std::pair<int, double>> b{{u, 1}};
                AddHeld(b, vq, -1);
                prob_.AddRow(std::move(b), -kMipInfinity, hq);
                std::vector<std::pair<int, double>> e{{u, 1}};
                AddHeld(e, vc, 1);
                prob_.AddRow(std::move(e), -kMipInfinity, 1 - hc);
                row.emplace_back(u, 1);
            }
        }
        for (std::size_t s = 0; s < ns; ++s) {
            const double n = static_cast<double>(held[s].size()) + heldConst[s];
            if (w_.CheckMaxReadables) {
                std::vector<std::pair<int, double>> t = held[s];
                const double big = std::max(0.0, n - w_.MaxReadables);
                if (big > 0)
                    t.emplace_back(Warning(warnWeight, "Server: " + L.servers[s],
                                           WarningRule::TooManyReadables),
                                   -big);
                if (!t.empty())
                    prob_.AddRow(std::move(t), -kMipInfinity, w_.MaxReadables - heldConst[s]);
            }
            if (w_.CheckMaxSubRefs) {
                std::vector<std::pair<int, double>> t = subs[s];
                double big = subConst[s] - w_.MaxSubRefs;
                for (const auto& [c, v] : subs[s])
                    if (v > 0)
                        big += v;
                if (big > 0)
                    t.emplace_back(
                        Warning(warnWeight, "Server: " + L.servers[s], WarningRule::TooManySubRefs),
                        -big);
                prob_.AddRow(std::move(t), -kMipInfinity, w_.MaxSubRefs - subConst[s]);
            }
            if (w_.CheckServerContainReplica) {
                std::vector<std::pair<int, double>> t = held[s];
                t.insert(t.end(), subs[s].begin(), subs[s].end());
                t.emplace_back(
                    Warning(warnWeight, "Server: " + L.servers[s], WarningRule::NoReplicas), 1);
                prob_.AddRow(std::move(t), 1 - heldConst[s] - subConst[s], kMipInfinity);
            }
        }
    }

    const Layout& L;
    const WarningSettings& w_;
    const ReplicaPlanOptions& o_;
    MipProblem prob_;
    std::vector<std::vector<int>> cand_;
    bool restricted_ = false;
    std::unordered_map<std::uint64_t, std::size_t> index_;
    std::vector<PairVars> pairs_;
    std::vector<std::pair<int, double>> changeTerms_;
    double changeConst_ = 0;
    std::vector<int> warnCols_;
    std::vector<DesignWarning> warnInfo_;
};

// Designs up to this many partition and server pairs are planned over every
// server with a proof; larger ones over the servers near each partition.
constexpr double kExactPairs = 20000;
// Beyond this many partitions the solver's first relaxation alone takes longer
// than a plan may; they are planned partition by partition.
constexpr double kSolverPartitions = 1500;

// A plan without the solver, for large designs when it finds none in time:
// each partition's own rules in table order (Master, too few, too many) on the
// best server at hand, then the servers (SubRefs, readable replicas, none).
class GreedyPlanner {
public:
    GreedyPlanner(const Layout& layout, const WarningSettings& w, const ReplicaPlanOptions& o)
        : L(layout), w_(w), o_(o), fin_(layout.held) {
        const std::size_t ns = L.servers.size(), np = L.partitions.size();
        R_.assign(ns, 0);
        U_.assign(ns, 0);
        readable_.assign(np, 0);
        for (std::size_t s = 0; s < ns; ++s) {
            R_[s] = L.serverFixedHeld[s];
            U_[s] = L.serverFixedSubRefs[s];
        }
        for (const auto& [key, h] : fin_) {
            const int p = static_cast<int>(key >> 32), s = static_cast<int>(key & 0xFFFFFFFFu);
            R_[static_cast<std::size_t>(s)] += Holds(h);
            readable_[static_cast<std::size_t>(p)] += Readable(h);
            if (!Holds(h) && SubRefJustified(p, s))
                ++U_[static_cast<std::size_t>(s)];
        }
        for (std::size_t p = 0; p < np; ++p) {
            readable_[p] += L.fixedReadable[p];
            for (int c : L.children[p])
                for (int s : L.holders[p])
                    if (Holds(At(static_cast<int>(p), s)) && At(c, s) == Held::None &&
                        !L.sticky.count(PairKey(c, s)))
                        ++U_[static_cast<std::size_t>(s)]; // derived, not yet in the lists
        }
        order_.resize(ns);
        std::iota(order_.begin(), order_.end(), 0);
        std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
            return R_[static_cast<std::size_t>(a)] < R_[static_cast<std::size_t>(b)];
        });
    }

    std::vector<ReplicaChange> Run() {
        for (std::size_t p = 0; p < L.partitions.size(); ++p)
            Partition(static_cast<int>(p));
        Servers();
        std::vector<ReplicaChange> out;
        for (auto& group : perPartition_)
            for (int kind = 0; kind < 4; ++kind)
                for (ReplicaChange& c : group.second)
                    if (static_cast<int>(c.kind) == kind)
                        out.push_back(c);
        return out;
    }

private:
    Held At(int p, int s) const {
        auto it = fin_.find(PairKey(p, s));
        return it == fin_.end() ? Held::None : it->second;
    }
    bool SubRefJustified(int p, int s) const {
        const int q = L.parent[static_cast<std::size_t>(p)];
        return (q >= 0 && Holds(At(q, s))) || L.sticky.count(PairKey(p, s));
    }
    // How the server's SubRefs change when it comes to hold p (sign +1) or stops (-1).
    int SubRefDelta(int p, int s, int sign) const {
        int d = SubRefJustified(p, s) ? -1 : 0;
        for (int c : L.children[static_cast<std::size_t>(p)])
            if (!Holds(At(c, s)) && !L.sticky.count(PairKey(c, s)))
                d += 1;
        return sign * d;
    }
    void Record(ReplicaChangeKind kind, int p, int s, const char* type, std::string why) {
        perPartition_[p].push_back(ReplicaChange{kind, L.partitions[static_cast<std::size_t>(p)],
                                                 L.servers[static_cast<std::size_t>(s)], type,
                                                 std::move(why)});
    }
    void Hold(int p, int s, Held h) {
        const bool before = Holds(At(p, s));
        const int delta = before ? 0 : SubRefDelta(p, s, +1);
        fin_[PairKey(p, s)] = h;
        if (!before) {
            U_[static_cast<std::size_t>(s)] += delta;
            ++R_[static_cast<std::size_t>(s)];
        }
    }
    void Drop(int p, int s) {
        const int delta = SubRefDelta(p, s, -1);
        fin_.erase(PairKey(p, s));
        U_[static_cast<std::size_t>(s)] += delta;
        --R_[static_cast<std::size_t>(s)];
    }
    bool Near(int p, int s) const {
        const int q = L.parent[static_cast<std::size_t>(p)];
        if (At(p, s) == Held::SubRef || (q >= 0 && Holds(At(q, s))))
            return true;
        for (int c : L.children[static_cast<std::size_t>(p)])
            if (Holds(At(c, s)))
                return true;
        return false;
    }
    // The server for a new replica of p: allowed by the limits, near, least loaded.
    int BestServer(int p) {
        int best = -1;
        long long bestScore = 0;
        auto consider = [&](int s) {
            if (Holds(At(p, s)))
                return;
            const std::size_t si = static_cast<std::size_t>(s);
            if (w_.CheckMaxReadables && R_[si] + 1 > w_.MaxReadables)
                return;
            const int d = SubRefDelta(p, s, +1);
            if (w_.CheckMaxSubRefs && d > 0 && U_[si] + d > w_.MaxSubRefs)
                return;
            const long long score = (Near(p, s) ? 0 : 1000) + 10LL * R_[si] + U_[si] + d;
            if (best < 0 || score < bestScore) {
                best = s;
                bestScore = score;
            }
        };
        auto related = [&](int q) {
            if (q >= 0)
                for (int s : L.holders[static_cast<std::size_t>(q)])
                    consider(s);
        };
        related(p);
        related(L.parent[static_cast<std::size_t>(p)]);
        for (int c : L.children[static_cast<std::size_t>(p)])
            related(c);
        const std::size_t ns = order_.size();
        for (std::size_t k = 0; k < std::min<std::size_t>(ns, 24); ++k)
            consider(order_[(next_++) % ns]);
        return best;
    }
    std::string Why(int p, const char* what) const {
        return "Partition: " + L.partitions[static_cast<std::size_t>(p)] + ": " + what;
    }

    void Partition(int p) {
        const std::size_t pi = static_cast<std::size_t>(p);
        std::vector<int> holders;
        for (int s : L.holders[pi])
            if (Holds(At(p, s)))
                holders.push_back(s);
        int masters = L.fixedMasters[pi];
        for (int s : holders)
            masters += At(p, s) == Held::Master;
        if (masters != 1 && !(o_.keepMasters && masters > 1)) {
            int pick = -1;
            for (int s : holders)
                if (At(p, s) == Held::ReadWrite || At(p, s) == Held::ReadOnly)
                    pick = s;
            if (pick < 0)
                for (int s : holders)
                    if (At(p, s) == Held::Sparse && !o_.keepMasters) {
                        pick = s;
                        fin_[PairKey(p, s)] = Held::ReadWrite;
                        ++readable_[pi];
                        Record(ReplicaChangeKind::Retype, p, s, "RW",
                               Why(p, "the replica that becomes the Master"));
                        break;
                    }
            if (pick < 0 && (pick = BestServer(p)) >= 0) {
                Hold(p, pick, Held::ReadWrite);
                ++readable_[pi];
                Record(ReplicaChangeKind::Add, p, pick, "RW",
                       Why(p, "the replica that becomes the Master"));
            }
            if (pick >= 0) {
                for (int s : holders)
                    if (At(p, s) == Held::Master)
                        fin_[PairKey(p, s)] = Held::ReadWrite;
                fin_[PairKey(p, pick)] = Held::Master;
                Record(ReplicaChangeKind::MakeMaster, p, pick, "M",
                       Why(p, masters == 0 ? "no Master replica" : "duplicate Master replicas"));
            }
        }
        if (w_.CheckMinReplicasPerPartition)
            while (readable_[pi] < w_.MinReplicasPerPartition) {
                int s = -1;
                for (int h : L.holders[pi])
                    if (At(p, h) == Held::Sparse)
                        s = h;
                if (s >= 0) {
                    fin_[PairKey(p, s)] = Held::ReadWrite;
                    Record(ReplicaChangeKind::Retype, p, s, "RW", Why(p, "too few replicas"));
                } else if ((s = BestServer(p)) >= 0) {
                    Hold(p, s, Held::ReadWrite);
                    Record(ReplicaChangeKind::Add, p, s, "RW", Why(p, "too few replicas"));
                } else {
                    break;
                }
                ++readable_[pi];
            }
        if (w_.CheckMaxReplicasPerPartition && !o_.addOnly)
            while (readable_[pi] > w_.MaxReplicasPerPartition) {
                int drop = -1;
                for (int s : L.holders[pi]) {
                    const Held h = At(p, s);
                    if ((h == Held::ReadWrite || h == Held::ReadOnly) &&
                        (drop < 0 ||
                         R_[static_cast<std::size_t>(s)] > R_[static_cast<std::size_t>(drop)]))
                        drop = s;
                }
                if (drop < 0)
                    break;
                Drop(p, drop);
                --readable_[pi];
                Record(ReplicaChangeKind::Delete, p, drop, "", Why(p, "too many replicas"));
            }
    }

    // A server over a limit gives up the replicas whose partitions can spare
    // them, those with the most SubRefs first.
    void Servers() {
        if (o_.addOnly)
            return;
        std::vector<std::vector<int>> held(L.servers.size());
        for (const auto& [key, h] : fin_)
            if (Holds(h))
                held[key & 0xFFFFFFFFu].push_back(static_cast<int>(key >> 32));
        for (std::size_t s = 0; s < L.servers.size(); ++s) {
            const int si = static_cast<int>(s);
            auto over = [&] {
                return (w_.CheckMaxSubRefs && U_[s] > w_.MaxSubRefs) ||
                       (w_.CheckMaxReadables && R_[s] > w_.MaxReadables);
            };
            std::vector<int>& list = held[s];
            std::sort(list.begin(), list.end(), [&](int a, int b) {
                return SubRefDelta(a, si, -1) < SubRefDelta(b, si, -1);
            });
            for (int p : list) {
                if (!over())
                    break;
                const std::size_t pi = static_cast<std::size_t>(p);
                const Held h = At(p, si);
                if (h == Held::Master)
                    continue;
                const bool counts = Readable(h);
                if (w_.CheckMaxSubRefs && U_[s] > w_.MaxSubRefs && SubRefDelta(p, si, -1) >= 0 &&
                    !(w_.CheckMaxReadables && R_[s] > w_.MaxReadables))
                    continue;
                const std::string why = "Server: " + L.servers[s] + ": over its limits";
                if (counts && w_.CheckMinReplicasPerPartition &&
                    readable_[pi] - 1 < w_.MinReplicasPerPartition) {
                    // The partition cannot spare it: the replica moves.
                    const int t = BestServer(p);
                    if (t < 0 || t == si)
                        continue;
                    Hold(p, t, Held::ReadWrite);
                    Record(ReplicaChangeKind::Add, p, t, "RW", why);
                    Drop(p, si);
                    Record(ReplicaChangeKind::Delete, p, si, "", why);
                    continue;
                }
                Drop(p, si);
                readable_[pi] -= counts;
                Record(ReplicaChangeKind::Delete, p, si, "", why);
            }
        }
        if (!w_.CheckServerContainReplica)
            return;
        for (std::size_t s = 0; s < L.servers.size(); ++s) {
            if (R_[s] + U_[s] > 0)
                continue;
            const int si = static_cast<int>(s);
            for (std::size_t p = 0; p < L.partitions.size(); ++p) {
                const int pi = static_cast<int>(p);
                if (w_.CheckMaxReplicasPerPartition &&
                    readable_[p] + 1 > w_.MaxReplicasPerPartition)
                    continue;
                if (w_.CheckMaxSubRefs && SubRefDelta(pi, si, +1) > w_.MaxSubRefs)
                    continue;
                Hold(pi, si, Held::ReadWrite);
                ++readable_[p];
                Record(ReplicaChangeKind::Add, pi, si, "RW",
                       "Server: " + L.servers[s] +
                           ": Warning: No replicas are stored on this "
                           "server.");
                break;
            }
        }
    }

    const Layout& L;
    const WarningSettings& w_;
    const ReplicaPlanOptions& o_;
    std::unordered_map<std::uint64_t, Held> fin_;
    std::vector<int> R_, U_, readable_;
    std::vector<int> order_;
    std::size_t next_ = 0;
    std::map<int, std::vector<ReplicaChange>> perPartition_;
};

bool On(const std::vector<double>& x, int col) {
    return col >= 0 && x[static_cast<std::size_t>(col)] > 0.5;
}

} // namespace

// ---------------------------------------------------------------- planning

std::unique_ptr<ReplicaPlanInput> PrepareReplicaPlan(TreeDesign& design,
                                                     const WarningSettings& settings) {
    auto input = std::make_unique<ReplicaPlanInput>();
    input->settings = settings;
    if (!CopyDesign(design, input->design))
        input->failure = "The design cannot be copied for planning (it would not save as it is).";
    return input;
}

namespace {

// Why the warnings of a rule cannot all be cleared by any layout.
void ExplainImpossible(const Layout& L, const WarningSettings& w, const ReplicaPlanOptions& o,
                       ReplicaPlan& plan) {
    const long long np = static_cast<long long>(L.partitions.size());
    const long long ns = static_cast<long long>(L.servers.size());
    if (w.CheckMinReplicasPerPartition && np > 0 && ns < w.MinReplicasPerPartition)
        plan.impossible.push_back("MinReplicasPerPartition cannot be met: every partition needs " +
                                  std::to_string(w.MinReplicasPerPartition) +
                                  " readable replicas, and the design has " + std::to_string(ns) +
                                  " servers.");
    if (w.CheckMinReplicasPerPartition && w.CheckMaxReadables &&
        np * std::max(0, w.MinReplicasPerPartition) > ns * std::max(0, w.MaxReadables))
        plan.impossible.push_back(
            "MinReplicasPerPartition and MaxReadables cannot both be met: " + std::to_string(np) +
            " partitions need " + std::to_string(np * w.MinReplicasPerPartition) +
            " readable replicas, and the servers may hold " + std::to_string(ns * w.MaxReadables) +
            " together.");
    if (w.CheckServerContainReplica && w.CheckMaxReplicasPerPartition &&
        ns > np * std::max(0, w.MaxReplicasPerPartition) + 0)
        plan.impossible.push_back("Every server holding a replica and MaxReplicasPerPartition "
                                  "cannot both be met: " +
                                  std::to_string(ns) + " servers, " + std::to_string(np) +
                                  " partitions.");
    if (o.keepMasters) {
        long long dup = 0;
        for (std::size_t p = 0; p < L.partitions.size(); ++p) {
            int m = L.fixedMasters[p];
            for (int s : L.holders[p])
                m += L.At(static_cast<int>(p), s) == Held::Master;
            dup += m > 1;
        }
        if (dup > 0)
            plan.impossible.push_back("With --keep-masters the duplicate Masters of " +
                                      std::to_string(dup) +
                                      " partitions stay: only making another replica the Master "
                                      "demotes them.");
    }
    if (w.CheckMaxSubRefs && w.CheckMaxReadables)
        for (std::size_t p = 0; p < L.partitions.size(); ++p) {
            const long long kids = static_cast<long long>(L.children[p].size());
            if (kids > static_cast<long long>(w.MaxReadables) - 1 + w.MaxSubRefs)
                plan.impossible.push_back(
                    "Partition: " + L.partitions[p] + " has " + std::to_string(kids) +
                    " child partitions: a server holding it holds a replica or a SubRef of "
                    "each, more than MaxReadables and MaxSubRefs allow together.");
        }
}

// Turns the solution into changes, partition by partition: additions, type
// changes, the new Master, then deletions (a Master can only go once
// another is made one).
std::vector<ReplicaChange> ChangesOf(const Layout& L, const ModelBuilder& mb,
                                     const std::vector<double>& x,
                                     const std::vector<DesignWarning>& before) {
    std::map<std::string, std::vector<const DesignWarning*>> byScope;
    for (const DesignWarning& w : before)
        if (IsReplicaRule(w.rule))
            byScope[w.scope].push_back(&w);
    auto reason = [&](const std::string& scope, std::initializer_list<WarningRule> rules) {
        auto it = byScope.find(scope);
        if (it == byScope.end())
            return std::string();
        for (WarningRule r : rules)
            for (const DesignWarning* w : it->second)
                if (w->rule == r)
                    return scope + ": " + w->text;
        return std::string();
    };
    std::vector<std::vector<const PairVars*>> perPartition(L.partitions.size());
    for (const PairVars& v : mb.Pairs())
        perPartition[static_cast<std::size_t>(v.p)].push_back(&v);
    std::vector<ReplicaChange> out;
    for (std::size_t p = 0; p < L.partitions.size(); ++p) {
        const std::string ps = "Partition: " + L.partitions[p];
        std::vector<ReplicaChange> adds, retypes, masters, deletes;
        for (const PairVars* v : perPartition[p]) {
            const std::string& srv = L.servers[static_cast<std::size_t>(v->s)];
            const std::string ss = "Server: " + srv;
            const bool y = On(x, v->y), k = On(x, v->k), m = On(x, v->m);
            auto pick = [](std::string a, std::string b, std::string c = {}) {
                return !a.empty() ? a : !b.empty() ? b : c;
            };
            if (!Holds(v->now) && y)
                adds.push_back(
                    {ReplicaChangeKind::Add, L.partitions[p], srv, "RW",
                     pick(reason(ps, {WarningRule::TooFewReplicas, WarningRule::NoMaster}),
                          reason(ss, {WarningRule::NoReplicas, WarningRule::TooManySubRefs}),
                          "makes room elsewhere")});
            if (v->now == Held::Sparse && y)
                retypes.push_back(
                    {ReplicaChangeKind::Retype, L.partitions[p], srv, "RW",
                     pick(reason(ps, {WarningRule::TooFewReplicas, WarningRule::NoMaster}), "",
                          "makes room elsewhere")});
            if (m && v->now != Held::Master)
                masters.push_back(
                    {ReplicaChangeKind::MakeMaster, L.partitions[p], srv, "M",
                     pick(reason(ps, {WarningRule::NoMaster, WarningRule::DuplicateMaster}), "",
                          "a Master for the partition")});
            if (Holds(v->now) && !y && !k)
                deletes.push_back(
                    {ReplicaChangeKind::Delete, L.partitions[p], srv, "",
                     pick(reason(ss, {WarningRule::TooManySubRefs, WarningRule::TooManyReadables}),
                          reason(ps, {WarningRule::TooManyReplicas}), "makes room elsewhere")});
        }
        for (auto* group : {&adds, &retypes, &masters, &deletes})
            for (ReplicaChange& c : *group)
                out.push_back(std::move(c));
    }
    return out;
}

} // namespace

ReplicaPlan SolveReplicaPlan(ReplicaPlanInput& input, const ReplicaPlanOptions& options) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    auto status = [&](const std::string& text) {
        if (options.status)
            options.status(text);
    };
    ReplicaPlan plan;
    if (!input.failure.empty()) {
        plan.failure = input.failure;
        return plan;
    }
    TreeDesign& d = input.design;
    const WarningSettings& w = input.settings;
    status("Reading the layout...");
    d.EnsureAllSubRefs();
    plan.before = CollectWarnings(d, w);
    const Layout L = ReadLayout(d);
    ExplainImpossible(L, w, options, plan);

    const double pairs =
        static_cast<double>(L.partitions.size()) * static_cast<double>(L.servers.size());
    ModelBuilder mb(L, w, options);
    mb.ChooseCandidates(pairs <= kExactPairs);
    plan.decomposed = mb.Restricted();
    status("Building the model...");
    std::vector<double> x;
    double timeLeft = std::max(0.1, options.timeLimitSeconds);
    if (!mb.Restricted()) {
        // Stage 1: the fewest warnings, then the fewest changes.
        const double W =
            2.0 * static_cast<double>(L.partitions.size()) * static_cast<double>(L.servers.size()) +
            4;
        mb.Build(W, 1, 0, 0);
        status("Solving: the fewest changes...");
        MipOptions mo;
        mo.cancel = options.cancel;
        mo.timeLimitSeconds = timeLeft * 0.7;
        MipResult r = SolveMip(mb.Problem(), mo);
        if (r.status == MipStatus::NoSolution) {
            plan.cancelled = r.cancelled;
            plan.failure = r.cancelled ? "" : "The solver found no plan in the time given.";
            plan.after = plan.before;
            return plan;
        }
        x = r.values;
        const double changes = mb.ChangesOf(x);
        double warnings = 0;
        for (int c : mb.WarnCols())
            warnings += x[static_cast<std::size_t>(c)];
        plan.optimal = r.status == MipStatus::Optimal;
        plan.cancelled = r.cancelled;
        // A bound on the changes of any plan with as few warnings.
        plan.bound = plan.optimal ? changes : std::max(0.0, r.bound - W * warnings);
        // Stage 2: among the plans as good, the preferred servers and an even spread.
        bool adds = false;
        for (const PairVars& v : mb.Pairs())
            adds = adds || (!Holds(v.now) && On(x, v.y));
        if (!r.cancelled && elapsed() < options.timeLimitSeconds * 0.8 && adds) {
            ModelBuilder second(L, w, options);
            second.ChooseCandidates(true);
            const double spreadMax =
                changes * (w.MaxReadables + static_cast<double>(L.partitions.size())) + 1;
            second.Build(0, 0, spreadMax, 1);
            MipProblem& p2 = second.Problem();
            std::vector<std::pair<int, double>> ct(second.ChangeTerms().begin(),
                                                   second.ChangeTerms().end());
            p2.AddRow(std::move(ct), -kMipInfinity, changes - second.ChangeConst() + 1e-6);
            std::vector<std::pair<int, double>> wt;
            for (int c : second.WarnCols())
                wt.emplace_back(c, 1);
            p2.AddRow(std::move(wt), -kMipInfinity, warnings + 1e-6);
            MipOptions mo2;
            mo2.cancel = options.cancel;
            mo2.timeLimitSeconds = std::max(0.1, options.timeLimitSeconds - elapsed());
            mo2.start = x;
            status("Solving: preferred servers and an even spread...");
            MipResult r2 = SolveMip(p2, mo2);
            if (r2.status != MipStatus::NoSolution && second.ChangesOf(r2.values) <= changes + 0.5)
                x = r2.values;
        }
    } else {
        // A larger design: one weighted program over the servers near each
        // partition and a share of the least loaded ones, when the solver can
        // take it in the time; else partition by partition.
        plan.optimal = false; // the servers were limited
        if (static_cast<double>(L.partitions.size()) <= kSolverPartitions) {
            mb.Build(1e5, 1000, 20, 1);
            status("Solving over the servers near each partition...");
            MipOptions mo;
            mo.cancel = options.cancel;
            mo.timeLimitSeconds = std::max(0.1, timeLeft - elapsed());
            mo.relativeGap = 0.01;
            MipResult r = SolveMip(mb.Problem(), mo);
            plan.cancelled = r.cancelled;
            if (r.status != MipStatus::NoSolution)
                x = r.values;
        }
    }
    if (!x.empty()) {
        plan.changes = ChangesOf(L, mb, x, plan.before);
        plan.expected = mb.WarningsOf(x);
    } else if (!plan.cancelled && !(options.cancel && options.cancel->load())) {
        status("Planning partition by partition...");
        plan.changes = GreedyPlanner(L, w, options).Run();
        plan.heuristic = true;
        if (options.maxChanges && static_cast<long long>(plan.changes.size()) > *options.maxChanges)
            plan.changes.resize(static_cast<std::size_t>(*options.maxChanges));
    }
    if (plan.cancelled || (options.cancel && options.cancel->load())) {
        // Stopped: the changes found so far, unchecked.
        plan.cancelled = true;
        plan.optimal = false;
        plan.after = plan.before;
        return plan;
    }
    // The check: the plan run as "apply" runs it.
    status("Checking the plan...");
    TreeDesign check;
    NullProgress np;
    NullInteraction ni;
    check.SetHosts(&np, &ni);
    if (!CopyDesign(d, check)) {
        plan.failure = "The plan could not be checked.";
        return plan;
    }
    std::vector<ScriptLine> lines;
    for (const ReplicaChange& c : plan.changes)
        lines.push_back(ScriptLine{static_cast<int>(lines.size()) + 1, c.Args()});
    if (std::optional<ScriptError> bad = RunEditScript(check, lines, nullptr)) {
        plan.failure =
            "The plan is refused at change " + std::to_string(bad->line) + ": " + bad->message;
        plan.after = plan.before;
        return plan;
    }
    check.EnsureAllSubRefs();
    plan.after = CollectWarnings(check, w);
    if (!plan.optimal) {
        // The fewest changes any plan that clears the same partition warnings
        // needs: the changes each of those partitions' own rules need alone.
        std::unordered_set<std::string> left;
        for (const DesignWarning& x : plan.after)
            if (IsReplicaRule(x.rule))
                left.insert(x.scope);
        double lb = 0;
        for (std::size_t p = 0; p < L.partitions.size(); ++p) {
            if (left.count("Partition: " + L.partitions[p]))
                continue;
            int readable = L.fixedReadable[p], masters = L.fixedMasters[p], rwro = 0, sparse = 0;
            for (int s : L.holders[p]) {
                const Held h = L.At(static_cast<int>(p), s);
                readable += Readable(h);
                masters += h == Held::Master;
                rwro += h == Held::ReadWrite || h == Held::ReadOnly;
                sparse += h == Held::Sparse;
            }
            double need = 0;
            if (w.CheckMinReplicasPerPartition && readable < w.MinReplicasPerPartition)
                need += w.MinReplicasPerPartition - readable;
            if (w.CheckMaxReplicasPerPartition && readable > w.MaxReplicasPerPartition)
                need += readable - w.MaxReplicasPerPartition;
            // A partition without one Master needs a change of type at least.
            if (masters != 1 && !(options.keepMasters && masters > 1))
                need += 1;
            (void)rwro;
            (void)sparse;
            lb += need;
        }
        plan.bound = std::max(plan.bound, lb);
    }

    status("");
    return plan;
}

std::string ReplicaPlanProgram(ReplicaPlanInput& input, const ReplicaPlanOptions& options) {
    input.design.EnsureAllSubRefs();
    const Layout L = ReadLayout(input.design);
    ModelBuilder mb(L, input.settings, options);
    const double pairs =
        static_cast<double>(L.partitions.size()) * static_cast<double>(L.servers.size());
    mb.ChooseCandidates(pairs <= kExactPairs);
    if (mb.Restricted())
        mb.Build(1e5, 1000, 20, 1);
    else
        mb.Build(2.0 * pairs + 4, 1, 0, 0);
    return MipToLpFormat(mb.Problem());
}

ReplicaPlan PlanReplicaLayout(TreeDesign& design, const WarningSettings& settings,
                              const ReplicaPlanOptions& options) {
    std::unique_ptr<ReplicaPlanInput> input = PrepareReplicaPlan(design, settings);
    return SolveReplicaPlan(*input, options);
}

std::optional<std::string> ApplyReplicaChanges(TreeDesign& design,
                                               const std::vector<ReplicaChange>& changes) {
    if (changes.empty())
        return std::nullopt;
    std::vector<ScriptLine> lines;
    for (const ReplicaChange& c : changes)
        lines.push_back(ScriptLine{static_cast<int>(lines.size()) + 1, c.Args()});
    std::optional<ScriptError> bad;
    {
        DesignChange step(design, "Plan Replica Layout", kTouchReplicas);
        bad = RunEditScript(design, lines, nullptr);
        step.Refresh();
        step.Commit();
    }
    if (bad) {
        design.History().Undo(design);
        return "Change " + std::to_string(bad->line) + " was refused: " + bad->message;
    }
    return std::nullopt;
}

} // namespace qv
