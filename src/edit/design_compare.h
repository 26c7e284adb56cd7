// Comparison of two designs: what differs between a design A (typically the
// tree as it is) and a design B (the tree as planned), by identity, and the
// ordered plan of edit operations that turns A into B, written as a script of
// "quorvane-cli apply".
//
// Identity: objects by FullContext, with a node that keeps its name under
// another parent taken as moved and the one unmatched child of a class under
// the same parent as renamed; partitions by the object at their root; servers
// by their node (so a renamed server keeps its replicas). Subordinate
// references are derived and never compared. Sibling order and the order of
// leaf, replica and address lists are not differences.
#pragma once

#include "core/tree_design.h"

#include <cstddef>
#include <string>
#include <vector>

namespace qv {

enum class DifferenceGroup { Objects, Leaves, Partitions, Replicas, Servers };
inline constexpr std::size_t kDifferenceGroupCount = 5;

// "objects", "leaves", "partitions", "replicas", "servers".
const char* DifferenceGroupName(DifferenceGroup group);

struct Difference {
    DifferenceGroup group = DifferenceGroup::Objects;
    std::string text; // one line, e.g. "object moved FS3.CORP -> FS3.SALES.CORP"
    // The node of design A the difference is about (a container, a server or a
    // partition root), or, for what exists only in B, its nearest ancestor
    // that A has. Empty when none.
    std::string contextInA;
};

// Every difference, grouped in the order of DifferenceGroup; within a group in
// the walk order of B and then of A.
std::vector<Difference> CompareDesigns(TreeDesign& a, TreeDesign& b);

// The plan: script lines for "quorvane-cli apply" in the order the operations
// accept. Lines starting with "#" say what no operation can make.
struct DesignPlan {
    std::vector<std::string> lines;
    // What still differs after the plan's operations ran (empty when the plan
    // makes B exactly, SUB/REF entries aside).
    std::vector<std::string> unmade;
    std::size_t commandCount = 0;
    // The script text: a heading comment, the lines, each ending in "\n".
    std::string Script() const;
};

// Plans the operations that turn `working` into `target` and runs each as
// "apply" would, so `working` ends as the plan leaves it (the check). A line
// that an operation refuses becomes a comment. Both designs' hosts are used as
// they are set; questions are answered Yes.
DesignPlan PlanDesignChanges(TreeDesign& working, TreeDesign& target);

// What differs between two designs by name alone (nodes by FullContext with
// class and partition mark, leaf lists per container, the readable replicas
// of every partition and server, the DS version and addresses of every
// server), at most `limit` lines. Empty when they are the same design.
std::vector<std::string> DesignMismatches(TreeDesign& a, TreeDesign& b, std::size_t limit = 50);

// Replaces the contents of `to` by a copy of `from` as its design file holds
// it (subordinate references are left out). False when `from` cannot be
// stored (a name longer than 255 bytes).
bool CopyDesign(TreeDesign& from, TreeDesign& to);

// Quotes an argument of a script line when it needs it. False when no quoting
// can carry it (a double quote, a line break).
bool QuoteScriptArgument(const std::string& arg, std::string& out);

} // namespace qv
