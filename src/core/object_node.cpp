#include "core/object_node.h"

namespace qv {

ObjectNode* ObjectNode::NextSibling() const {
    if (!parent_)
        return nullptr;
    std::size_t next = indexInParent_ + 1;
    return next < parent_->children_.size() ? parent_->children_[next].get() : nullptr;
}

int ObjectNode::Level() const {
    int level = 0;
    for (const ObjectNode* n = parent_; n; n = n->parent_)
        ++level;
    return level;
}

bool ObjectNode::IsSelfOrAncestorOf(const ObjectNode* other) const {
    for (const ObjectNode* n = other; n; n = n->parent_)
        if (n == this)
            return true;
    return false;
}

} // namespace qv
