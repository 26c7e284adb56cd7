// The plan made without the solver, partition by partition, for the designs
// whose program the solver cannot take in the time a plan may have.
#include "planner/planner_internal.h"

#include <algorithm>
#include <numeric>

namespace qv::planner {

GreedyPlanner::GreedyPlanner(const Layout& layout, const WarningSettings& w,
                             const ReplicaPlanOptions& o)
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

std::vector<ReplicaChange> GreedyPlanner::Run() {
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

int GreedyPlanner::SubRefDelta(int p, int s, int sign) const {
    int d = SubRefJustified(p, s) ? -1 : 0;
    for (int c : L.children[static_cast<std::size_t>(p)])
        if (!Holds(At(c, s)) && !L.sticky.count(PairKey(c, s)))
            d += 1;
    return sign * d;
}

void GreedyPlanner::Record(ReplicaChangeKind kind, int p, int s, const char* type,
                           std::string why) {
    perPartition_[p].push_back(ReplicaChange{kind, L.partitions[static_cast<std::size_t>(p)],
                                             L.servers[static_cast<std::size_t>(s)], type,
                                             std::move(why)});
}

void GreedyPlanner::Hold(int p, int s, Held h) {
    const bool before = Holds(At(p, s));
    const int delta = before ? 0 : SubRefDelta(p, s, +1);
    fin_[PairKey(p, s)] = h;
    if (!before) {
        U_[static_cast<std::size_t>(s)] += delta;
        ++R_[static_cast<std::size_t>(s)];
    }
}

void GreedyPlanner::Drop(int p, int s) {
    const int delta = SubRefDelta(p, s, -1);
    fin_.erase(PairKey(p, s));
    U_[static_cast<std::size_t>(s)] += delta;
    --R_[static_cast<std::size_t>(s)];
}

bool GreedyPlanner::Near(int p, int s) const {
    const int q = L.parent[static_cast<std::size_t>(p)];
    if (At(p, s) == Held::SubRef || (q >= 0 && Holds(At(q, s))))
        return true;
    for (int c : L.children[static_cast<std::size_t>(p)])
        if (Holds(At(c, s)))
            return true;
    return false;
}

int GreedyPlanner::BestServer(int p) {
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

void GreedyPlanner::Partition(int p) {
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
                    Record(ReplicaChangeKind::Retype, p, s, kReadWriteWord,
                           Why(p, "the replica that becomes the Master"));
                    break;
                }
        if (pick < 0 && (pick = BestServer(p)) >= 0) {
            Hold(p, pick, Held::ReadWrite);
            ++readable_[pi];
            Record(ReplicaChangeKind::Add, p, pick, kReadWriteWord,
                   Why(p, "the replica that becomes the Master"));
        }
        if (pick >= 0) {
            for (int s : holders)
                if (At(p, s) == Held::Master)
                    fin_[PairKey(p, s)] = Held::ReadWrite;
            fin_[PairKey(p, pick)] = Held::Master;
            Record(ReplicaChangeKind::MakeMaster, p, pick, kMasterWord,
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
                Record(ReplicaChangeKind::Retype, p, s, kReadWriteWord, Why(p, "too few replicas"));
            } else if ((s = BestServer(p)) >= 0) {
                Hold(p, s, Held::ReadWrite);
                Record(ReplicaChangeKind::Add, p, s, kReadWriteWord, Why(p, "too few replicas"));
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

void GreedyPlanner::Servers() {
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
        std::sort(list.begin(), list.end(),
                  [&](int a, int b) { return SubRefDelta(a, si, -1) < SubRefDelta(b, si, -1); });
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
                Record(ReplicaChangeKind::Add, p, t, kReadWriteWord, why);
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
            if (w_.CheckMaxReplicasPerPartition && readable_[p] + 1 > w_.MaxReplicasPerPartition)
                continue;
            if (w_.CheckMaxSubRefs && SubRefDelta(pi, si, +1) > w_.MaxSubRefs)
                continue;
            Hold(pi, si, Held::ReadWrite);
            ++readable_[p];
            Record(ReplicaChangeKind::Add, pi, si, kReadWriteWord,
                   "Server: " + L.servers[s] +
                       ": Warning: No replicas are stored on this "
                       "server.");
            break;
        }
    }
}

} // namespace qv::planner
