// Deterministic synthetic designs for benchmarks and tests: a valid tree with
// partitions, servers, paired replica entries and many leaf objects.
#pragma once

#include "core/tree_design.h"

#include <cstdint>

namespace qv {

struct SyntheticOptions {
    int containers = 200; // container objects besides the root
    int servers = 20;
    int partitions = 20; // the root partition included
    long long leaves = 5000;
    std::uint64_t seed = 1;
};

// Replaces the contents of the design by a generated tree. Every partition
// root is a container, every partition has exactly one master, every server
// holds 1 to 10 readable replicas. Partitions are limited to what the servers
// can hold (10 per server) and to the containers available.
void GenerateSyntheticDesign(TreeDesign& design, const SyntheticOptions& options);

} // namespace qv
