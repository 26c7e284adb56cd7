#include "edit/edit_common.h"

namespace qv::edit {

ObjectNode* PartitionOf(ObjectNode* node) {
    while (node && !node->IsPartitionRoot())
        node = node->Parent();
    return node;
}

} // namespace qv::edit
