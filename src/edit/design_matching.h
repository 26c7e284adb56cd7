// The identity of objects between two designs: which node of B each node of A
// is, used by the comparison and by the plan.
#pragma once

#include "core/tree_design.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace qv {

struct NodeMatching {
    std::unordered_map<const ObjectNode*, ObjectNode*> aToB;
    std::unordered_map<const ObjectNode*, ObjectNode*> bToA;

    ObjectNode* InB(const ObjectNode* a) const {
        auto it = aToB.find(a);
        return it == aToB.end() ? nullptr : it->second;
    }
    ObjectNode* InA(const ObjectNode* b) const {
        auto it = bToA.find(b);
        return it == bToA.end() ? nullptr : it->second;
    }
    void Pair(ObjectNode* a, ObjectNode* b) {
        aToB[a] = b;
        bToA[b] = a;
    }
};

// Pairs the nodes: the roots; children of paired nodes by name and class; then
// an unpaired node of B with an unpaired node of A of the same name and class
// when each is the only one of its kind (a move); then, under paired parents,
// the only unpaired child of a class on each side (a rename). Pairs made in a
// later step get their children paired by name again.
NodeMatching MatchNodes(TreeDesign& a, TreeDesign& b);

// The nodes of the subtree in pre-order (the walk order).
std::vector<ObjectNode*> PreOrderNodes(ObjectNode* top);

// The nodes of the subtree with every node after its descendants.
std::vector<ObjectNode*> PostOrderNodes(ObjectNode* top);

// The leaf entries of a container that do not stand for one of its child nodes.
std::vector<const std::string*> PlainLeafEntries(const ObjectNode* container);

} // namespace qv
