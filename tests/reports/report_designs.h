// Small designs for the report tests.
#pragma once

#include "core/entries.h"
#include "support/scripted.h"

#include <string>
#include <string_view>
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

// [ROOT] holding the server FS1 (DS version 950, an IPX address) with one
// replica of each of readables + subRefs partitions P0, P1, ...: the first
// readables of the given type, the others SubRefs.
void ServerWithReplicas(TreeDesign& d, int readables, int subRefs,
                        std::string_view type = kReadWrite);

// The lines of a text joined by "\n" (easier to read in failures).
std::string Text(const std::vector<std::string>& lines);

} // namespace qv::test
