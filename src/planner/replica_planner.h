// Plan Replica Layout: the fewest replica changes (additions, deletions and
// type changes) after which the server and partition suggestion texts hold no
// replica warning, as a plan in the script grammar of "quorvane-cli apply".
//
// The work has three steps so that a window can keep the middle one off its
// event loop: PrepareReplicaPlan copies the design (on the design's thread),
// SolveReplicaPlan computes the plan on that copy alone (any thread), and the
// plan is then applied to the design as a script (RunEditScript, or
// ApplyReplicaChanges for one undo step).
#pragma once

#include "core/tree_design.h"
#include "reports/warning_settings.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The replica rules of the suggestion texts, and the rest.
enum class WarningRule {
    NoMaster,
    DuplicateMaster,
    TooManyReplicas,  // partition: readable replicas above MaxReplicasPerPartition
    TooFewReplicas,   // partition: below MinReplicasPerPartition
    TooManyReadables, // server: above MaxReadables
    TooManySubRefs,   // server: above MaxSubRefs
    NoReplicas,       // server holds no replica
    DSVersion,        // the rules no replica change can clear
    IPXAddress,
    DuplicateAddress,
    ObjectsPerContainer,
};
bool IsReplicaRule(WarningRule rule);
// A short name of the rule ("too few replicas", ...).
const char* RuleName(WarningRule rule);

struct DesignWarning {
    WarningRule rule;
    std::string scope; // "Server: FS1", "Partition: SALES.CORP", or the container
    std::string text;  // the warning's first line as the suggestion text has it, trimmed
};

// Every warning of the server, partition and object suggestion texts (the
// object texts only when an object report was imported). The design's
// sub-references must be current (EnsureAllSubRefs).
std::vector<DesignWarning> CollectWarnings(TreeDesign& design, const WarningSettings& settings);

struct ReplicaPlanOptions {
    bool addOnly = false;     // keep every existing replica
    bool keepMasters = false; // keep every Master where it is
    std::optional<long long> maxChanges;
    double timeLimitSeconds = 60;
    // Set from another thread to stop; the plan found so far is kept.
    const std::atomic<bool>* cancel = nullptr;
    // A status text now and then (called on the solving thread).
    std::function<void(std::string_view)> status;
};

enum class ReplicaChangeKind { Add, Retype, MakeMaster, Delete };

struct ReplicaChange {
    ReplicaChangeKind kind;
    std::string partition;
    std::string server;
    std::string type;   // the type word of add-replica and change-type (RW, M), else empty
    std::string clears; // the warning it helps to clear, "Partition: X: ..."
    // The command's words: add-replica P S RW, change-type P S M, delete-replica P S.
    std::vector<std::string> Args() const;
    // The script line (arguments quoted where needed); empty when a name
    // cannot be written in a script.
    std::string Line() const;
};

struct ReplicaPlan {
    std::vector<ReplicaChange> changes;
    std::vector<DesignWarning> before;   // every warning of the design
    std::vector<DesignWarning> after;    // every warning once the plan is applied
    std::vector<std::string> impossible; // the rules no layout can meet, and why
    // The replica warnings the plan leaves as the solver's model counts them
    // (rule and scope; a partition's duplicate Masters count once).
    std::vector<DesignWarning> expected;
    bool optimal = false; // the change count is proven the fewest
    double bound = 0;     // fewest changes any plan needs (a lower bound)
    bool cancelled = false;
    bool decomposed = false; // planned over the servers near each partition (a large design)
    bool heuristic = false;  // the solver found no plan in time: planned partition by partition
    std::string failure;     // set when the plan could not be made or checked

    int ReplicaWarnings(const std::vector<DesignWarning>& list) const;
    int ReplicaWarningsBefore() const { return ReplicaWarnings(before); }
    int ReplicaWarningsAfter() const { return ReplicaWarnings(after); }
    // (changes - bound) / changes, 0 when optimal.
    double Gap() const;
    // Every replica warning is cleared and the plan is complete.
    bool Clears() const { return failure.empty() && !cancelled && ReplicaWarningsAfter() == 0; }
    // The summary line: warnings before and after, changes, optimal or the gap.
    std::string Summary() const;
    // The plan as a script: a comment header, then one line per change.
    std::string Script() const;
};

// A private copy of the design with current sub-references, for the solver.
struct ReplicaPlanInput {
    NullProgress progress;
    NullInteraction ui;
    TreeDesign design;
    WarningSettings settings;
    std::string failure;
    ReplicaPlanInput() { design.SetHosts(&progress, &ui); }
};
std::unique_ptr<ReplicaPlanInput> PrepareReplicaPlan(TreeDesign& design,
                                                     const WarningSettings& settings);
// Computes the plan and checks it by running it on a copy of the input.
ReplicaPlan SolveReplicaPlan(ReplicaPlanInput& input, const ReplicaPlanOptions& options);

// The program the solver is given first (the fewest warnings, then the fewest
// changes), in CPLEX LP format: for comparing solvers by hand.
std::string ReplicaPlanProgram(ReplicaPlanInput& input, const ReplicaPlanOptions& options);

// Both steps on the caller's thread.
ReplicaPlan PlanReplicaLayout(TreeDesign& design, const WarningSettings& settings,
                              const ReplicaPlanOptions& options);

// Runs the changes on the design as "apply" runs their script lines, as ONE
// undo step ("Plan Replica Layout"). Returns the refusal of the first line the
// design would not take (the design is then left as it was), or nothing.
std::optional<std::string> ApplyReplicaChanges(TreeDesign& design,
                                               const std::vector<ReplicaChange>& changes);

} // namespace qv
