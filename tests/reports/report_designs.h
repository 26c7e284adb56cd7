// Small designs for the report tests.
#pragma once

#include "support/scripted.h"

#include <string>
#include <vector>

namespace qv::test {

// [ROOT] (partition) > ACME (organization, partition) > SALES (unit, partition)
// plus the servers FS1 under ACME and FS2 under SALES, no replicas yet.
struct SmallTree {
    ObjectNode* root;
    ObjectNode* acme;
    ObjectNode* sales;
};
SmallTree MakeSmallTree(TreeDesign& d, bool partitions = true);

// The lines of a text joined by "\n" (easier to read in failures).
std::string Text(const std::vector<std::string>& lines);

} // namespace qv::test
