// Shared pieces of the benchmarks: large generated designs, made once per run
// and kept as files so that every benchmark reads the same input.
#pragma once

#include "core/synthetic_design.h"
#include "core/tree_design.h"

#include <string>

namespace qv::bench {

// The large design: 20,000 containers, 5,000 servers, 10,000 partitions and
// 1,000,000 leaf entries. QV_BENCH_SCALE (a divisor, default 1) shrinks it.
SyntheticOptions LargeOptions();
// Path of a design file generated with the options (cached in /tmp by options).
std::string GeneratedDesignFile(const SyntheticOptions& options);

// The large design generated in memory, once per run.
TreeDesign& GeneratedLarge();
// The design's objects as NLIST * /S prints them (an object report).
std::string ObjectReportText(TreeDesign& design);

} // namespace qv::bench
