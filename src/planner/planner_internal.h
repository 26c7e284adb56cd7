// The replica planner's own pieces, shared by its files and seen by nothing
// else: the design reduced to what the replica rules see, the solver's model
// of it (planner_model.cpp), and the plan made without the solver for designs
// too large for it (planner_greedy.cpp).
#pragma once

#include "core/replica_vocabulary.h"
#include "planner/mip_solver.h"
#include "planner/replica_planner.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace qv::planner {

enum class Held : unsigned char { None, SubRef, Master, ReadWrite, ReadOnly, Sparse };

inline bool Readable(Held h) {
    return h == Held::Master || h == Held::ReadWrite || h == Held::ReadOnly;
}
inline bool Holds(Held h) {
    return h != Held::None && h != Held::SubRef;
}

inline std::uint64_t PairKey(int p, int s) {
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

// Reads the layout; the design's sub-references must be current.
Layout ReadLayout(TreeDesign& d);

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
    void ChooseCandidates(bool everyServer);

    bool Restricted() const { return restricted_; }

    // Stage weights: warnings, changes, then the preferences.
    void Build(double warnWeight, double changeWeight, double preferWeight, double spreadWeight);

    MipProblem& Problem() { return prob_; }
    const std::vector<PairVars>& Pairs() const { return pairs_; }
    double ChangeConst() const { return changeConst_; }
    const std::vector<std::pair<int, double>>& ChangeTerms() const { return changeTerms_; }
    const std::vector<int>& WarnCols() const { return warnCols_; }
    // The warnings a solution leaves, as the model sees them.
    std::vector<DesignWarning> WarningsOf(const std::vector<double>& x) const;
    const PairVars* Find(int p, int s) const {
        auto it = index_.find(PairKey(p, s));
        return it == index_.end() ? nullptr : &pairs_[it->second];
    }
    // The changes and warnings of a solution.
    double ChangesOf(const std::vector<double>& x) const;
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
    void Prefer(const PairVars& v, double preferWeight, double spreadWeight);
    int Warning(double weight, std::string scope, WarningRule rule);

    void PartitionRows(std::size_t p, int masters, double warnWeight);

    // h(p,s): the server holds a replica that is not a SubRef.
    void AddHeld(std::vector<std::pair<int, double>>& t, const PairVars* v, double f) const;
    double HeldConst(int p, int s) const {
        // A pair without columns keeps its state.
        return Find(p, s) ? 0.0 : (Holds(L.At(p, s)) ? 1.0 : 0.0);
    }

    void ServerRows(std::size_t ns, double warnWeight);

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

// A plan without the solver, for large designs when it finds none in time:
// each partition's own rules in table order (Master, too few, too many) on the
// best server at hand, then the servers (SubRefs, readable replicas, none).
class GreedyPlanner {
public:
    GreedyPlanner(const Layout& layout, const WarningSettings& w, const ReplicaPlanOptions& o);

    std::vector<ReplicaChange> Run();

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
    int SubRefDelta(int p, int s, int sign) const;
    void Record(ReplicaChangeKind kind, int p, int s, const char* type, std::string why);
    void Hold(int p, int s, Held h);
    void Drop(int p, int s);
    bool Near(int p, int s) const;
    // The server for a new replica of p: allowed by the limits, near, least loaded.
    int BestServer(int p);
    std::string Why(int p, const char* what) const {
        return "Partition: " + L.partitions[static_cast<std::size_t>(p)] + ": " + what;
    }

    void Partition(int p);

    // A server over a limit gives up the replicas whose partitions can spare
    // them, those with the most SubRefs first.
    void Servers();

    const Layout& L;
    const WarningSettings& w_;
    const ReplicaPlanOptions& o_;
    std::unordered_map<std::uint64_t, Held> fin_;
    std::vector<int> R_, U_, readable_;
    std::vector<int> order_;
    std::size_t next_ = 0;
    std::map<int, std::vector<ReplicaChange>> perPartition_;
};

} // namespace qv::planner
