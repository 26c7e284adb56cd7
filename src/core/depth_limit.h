// The depth a design can hold: the design file stores a node's parent level
// in one byte, so a tree reads back unambiguously only while every object lies
// at most 255 levels below [ROOT]. Operations that place objects check it.
#pragma once

#include "core/object_node.h"

#include <optional>
#include <string>
#include <string_view>

namespace qv {

inline constexpr int kMaxObjectLevel = 255;

// How many levels the subtree of node reaches below it (0 for a node without
// children). Iterative: safe for any depth.
int SubtreeHeight(const ObjectNode* node);

// The refusal for an object that would lie level levels below [ROOT].
std::string TooDeepMessage(const std::string& fullContext, long long level);

class TreeDesign;

// The refusal for a new child node named name under parent, when it would lie
// too deep; nothing when it fits.
std::optional<std::string> NewChildTooDeep(const TreeDesign& design, const ObjectNode* parent,
                                           std::string_view name);
// The refusal for moving node (with its subtree) under destination, when the
// deepest object would lie too deep; nothing when it fits.
std::optional<std::string> MoveTooDeep(const TreeDesign& design, const ObjectNode* node,
                                       const ObjectNode* destination);

} // namespace qv
