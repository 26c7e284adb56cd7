// Small pieces shared by the editing operations.
#pragma once

#include "core/tree_design.h"

namespace qv::edit {

// The nearest partition root at or above the node.
ObjectNode* PartitionOf(ObjectNode* node);

// Shown when a partition or server the design refers to is missing from its tables.
inline constexpr const char* kCorrupted = "This QVD file is corrupted.";

} // namespace qv::edit
