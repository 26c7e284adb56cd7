#include "core/depth_limit.h"

#include "core/tree_design.h"

#include <utility>
#include <vector>

namespace qv {

int SubtreeHeight(const ObjectNode* node) {
    int height = 0;
    std::vector<std::pair<const ObjectNode*, int>> stack{{node, 0}};
    while (!stack.empty()) {
        auto [n, depth] = stack.back();
        stack.pop_back();
        if (depth > height)
            height = depth;
        for (std::size_t i = 0; i < n->ChildCount(); ++i)
            stack.emplace_back(n->Child(i), depth + 1);
    }
    return height;
}

std::string TooDeepMessage(const std::string& fullContext, long long level) {
    return "The object \"" + fullContext + "\" would lie " + std::to_string(level) +
           " levels below [ROOT].\rA design holds at most " + std::to_string(kMaxObjectLevel) +
           " levels below [ROOT].";
}

std::optional<std::string> NewChildTooDeep(const TreeDesign& design, const ObjectNode* parent,
                                           std::string_view name) {
    const long long level = static_cast<long long>(parent->Level()) + 1;
    if (level <= kMaxObjectLevel)
        return std::nullopt;
    return TooDeepMessage(std::string(name) + "." + design.FullContext(parent), level);
}

std::optional<std::string> MoveTooDeep(const TreeDesign& design, const ObjectNode* node,
                                       const ObjectNode* destination) {
    const long long level = static_cast<long long>(destination->Level()) + 1;
    const long long deepest = level + SubtreeHeight(node);
    if (deepest <= kMaxObjectLevel)
        return std::nullopt;
    return TooDeepMessage(node->Name() + "." + design.FullContext(destination), deepest);
}

} // namespace qv
