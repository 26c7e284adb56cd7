// Sorting of the object tree: Options > "Sort Objects" and "Default Sorting".
#pragma once

#include "core/tree_design.h"

namespace qv {

// Orders the siblings of every node by Name once; sets Modified.
void SortObjects(TreeDesign& design);
// On: sorts as SortObjects does and keeps siblings ordered by Name on every
// later insertion and rename. Off: insertions keep their position again.
void SetDefaultSorting(TreeDesign& design, bool on);

} // namespace qv
