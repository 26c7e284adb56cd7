// The solver's model of the replica rules: the design's layout as the rules
// see it, and the mixed-integer program over the partition and server pairs.
#include "planner/planner_internal.h"

#include <algorithm>
#include <numeric>

namespace qv::planner {

namespace {

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

} // namespace

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

void ModelBuilder::ChooseCandidates(bool everyServer) {
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

void ModelBuilder::Build(double warnWeight, double changeWeight, double preferWeight,
                         double spreadWeight) {
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

std::vector<DesignWarning> ModelBuilder::WarningsOf(const std::vector<double>& x) const {
    std::vector<DesignWarning> out;
    for (std::size_t i = 0; i < warnCols_.size(); ++i)
        if (x[static_cast<std::size_t>(warnCols_[i])] > 0.5)
            out.push_back(warnInfo_[i]);
    return out;
}

double ModelBuilder::ChangesOf(const std::vector<double>& x) const {
    double n = changeConst_;
    for (const auto& [c, v] : changeTerms_)
        n += v * x[static_cast<std::size_t>(c)];
    return n;
}

void ModelBuilder::Prefer(const PairVars& v, double preferWeight, double spreadWeight) {
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

int ModelBuilder::Warning(double weight, std::string scope, WarningRule rule) {
    int c = Col(0, 1, weight);
    warnCols_.push_back(c);
    warnInfo_.push_back(DesignWarning{rule, std::move(scope), {}});
    return c;
}

void ModelBuilder::PartitionRows(std::size_t p, int masters, double warnWeight) {
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
        const int wm = Warning(warnWeight, "Partition: " + L.partitions[p],
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

void ModelBuilder::AddHeld(std::vector<std::pair<int, double>>& t, const PairVars* v,
                           double f) const {
    if (!v)
        return;
    t.emplace_back(v->y, f);
    if (v->k >= 0)
        t.emplace_back(v->k, f);
}

void ModelBuilder::ServerRows(std::size_t ns, double warnWeight) {
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
                t.emplace_back(
                    Warning(warnWeight, "Server: " + L.servers[s], WarningRule::TooManyReadables),
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
            t.emplace_back(Warning(warnWeight, "Server: " + L.servers[s], WarningRule::NoReplicas),
                           1);
            prob_.AddRow(std::move(t), 1 - heldConst[s] - subConst[s], kMipInfinity);
        }
    }
}

} // namespace qv::planner
