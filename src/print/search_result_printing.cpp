#include "print/search_result_printing.h"

namespace qv {

void BuildSearchResultTree(TreeDesign& scratch, const ObjectSearchResult& result, int rootClass,
                           bool rootIsPartition) {
    scratch.ClearTree();
    ObjectNode* root = scratch.Root();
    scratch.RenameNode(root, result.rootText);
    scratch.SetClassIndex(root, rootClass);
    scratch.SetPartitionMark(root, rootIsPartition ? kPartitionRootMark : kNoPartitionMark);
    for (const auto& group : result.groups)
        for (const std::string& name : group.names)
            scratch.AddChild(root, name, group.classIndex);
}

} // namespace qv
