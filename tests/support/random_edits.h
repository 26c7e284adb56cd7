// Random edits of a design as script lines, for the property tests and the
// benchmarks of the comparison: every kind of operation the script language
// has, on nodes, partitions, replicas, leaf objects and server addresses
// chosen at random among those the operation accepts.
#pragma once

#include "core/tree_design.h"

#include <cstdint>
#include <string>

namespace qv {

// Makes `count` edits (fewer when the design offers nothing to edit), each
// run on the design as "quorvane-cli apply" runs it; a line an operation
// refuses is left out. Returns the script of the lines that ran. The same
// design, count and seed always give the same script.
std::string MakeRandomEdits(TreeDesign& design, int count, std::uint64_t seed);

} // namespace qv
