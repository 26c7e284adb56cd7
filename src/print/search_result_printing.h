// The result tree of "Report Objects" (TFM_DISPLAYOBJS) as a tree that the
// tree printing can print: the searched container at the top, every object
// found below it, grouped by class.
#pragma once

#include "core/tree_design.h"
#include "reports/leaf_commands.h"

namespace qv {

// Rebuilds scratch's tree as the result tree: the root named by the result's
// context, with the class and partition mark given, and one child per name.
void BuildSearchResultTree(TreeDesign& scratch, const ObjectSearchResult& result, int rootClass,
                           bool rootIsPartition);

} // namespace qv
