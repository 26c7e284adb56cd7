// The steps that end every change made by an editing operation.
#pragma once

#include "core/tree_design.h"

#include <string>

namespace qv::edit {

// Object operations: Modified, refresh of the tree page, SubRefsStale, every
// GridStale flag, MarkReportsStale(true).
void CompleteObjectChange(TreeDesign& design);
// Partition and replica operations: Modified, refresh, SubRefsStale, the
// partition and object grids stale, MarkReportsStale(true).
void CompletePartitionChange(TreeDesign& design);
// Only the object views are stale: the object grids, the object report and
// object suggestions, and the three object grids' sort order.
void MarkObjectViewsStale(TreeDesign& design);
// Changes that touch only leaf objects: Modified, refresh, object views stale.
void CompleteLeafChange(TreeDesign& design);
// Modified, SubRefsStale, every GridStale flag and MarkReportsStale(true),
// without a refresh.
void MarkCommonStale(TreeDesign& design);

// The nearest partition root at or above the node.
ObjectNode* PartitionOf(ObjectNode* node);

// Shown when a partition or server the design refers to is missing from its tables.
inline constexpr const char* kCorrupted = "This QVD file is corrupted.";

} // namespace qv::edit
