#include "edit/completion.h"

namespace qv::edit {

void MarkCommonStale(TreeDesign& design) {
    design.flags.modified = true;
    design.flags.subRefsStale = true;
    design.flags.gridStale.fill(true);
    design.MarkReportsStale(true);
}

void CompleteObjectChange(TreeDesign& design) {
    design.flags.modified = true;
    design.view().RefreshTreePage();
    design.flags.subRefsStale = true;
    design.flags.gridStale.fill(true);
    design.MarkReportsStale(true);
}

void CompletePartitionChange(TreeDesign& design) {
    design.flags.modified = true;
    design.view().RefreshTreePage();
    design.flags.subRefsStale = true;
    design.flags.gridStale[kPartitionGrids] = true;
    design.flags.gridStale[kObjectGrids] = true;
    design.MarkReportsStale(true);
}

void MarkObjectViewsStale(TreeDesign& design) {
    design.flags.gridStale[kObjectGrids] = true;
    design.flags.reportStale[kObjectReport] = true;
    design.flags.reportStale[kObjectSuggestions] = true;
    design.flags.gridUnsorted[kPartObjGrid] = true;
    design.flags.gridUnsorted[kServObjGrid] = true;
    design.flags.gridUnsorted[kContObjGrid] = true;
}

void CompleteLeafChange(TreeDesign& design) {
    design.flags.modified = true;
    design.view().RefreshTreePage();
    MarkObjectViewsStale(design);
}

ObjectNode* PartitionOf(ObjectNode* node) {
    while (node && !node->IsPartitionRoot())
        node = node->Parent();
    return node;
}

} // namespace qv::edit
