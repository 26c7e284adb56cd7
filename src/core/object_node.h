// One container or server object of the object tree, with its leaf list.
#pragma once

#include "core/entries.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace qv {

inline constexpr int kPartitionRootMark = 4;
inline constexpr int kNoPartitionMark = -1;
inline constexpr const char* kRootName = "[ROOT]";

class TreeDesign;

// One container or server object. Structure (name, class, mark, children) is
// changed only through TreeDesign, which keeps its lookup indexes current; the
// leaf list may be changed directly.
class ObjectNode {
public:
    const std::string& Name() const { return name_; }
    int ClassIndex() const { return class_; }
    int PartitionMark() const { return mark_; }
    bool IsPartitionRoot() const { return mark_ == kPartitionRootMark; }
    ObjectNode* Parent() const { return parent_; }
    std::size_t ChildCount() const { return children_.size(); }
    ObjectNode* Child(std::size_t i) const { return children_[i].get(); }
    ObjectNode* FirstChild() const { return children_.empty() ? nullptr : children_[0].get(); }
    ObjectNode* NextSibling() const;
    std::size_t IndexInParent() const { return indexInParent_; }
    // Depth of the node: the root has Level 0.
    int Level() const;
    // True when this node is the other node or one of its ancestors.
    bool IsSelfOrAncestorOf(const ObjectNode* other) const;

    // The node's subordinate objects, or nullptr when it has no list. They
    // change only through TreeDesign's leaf-list functions, which undo records.
    const LeafList* Leaves() const { return leaves_.get(); }

private:
    friend class TreeDesign;
    std::unique_ptr<LeafList> leaves_;
    std::string name_;
    int class_ = 0;
    int mark_ = kNoPartitionMark;
    ObjectNode* parent_ = nullptr;
    std::size_t indexInParent_ = 0;
    std::vector<std::unique_ptr<ObjectNode>> children_;
};

} // namespace qv
