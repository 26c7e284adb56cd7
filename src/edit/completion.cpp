#include "edit/completion.h"

namespace qv::edit {

void MarkCommonStale(TreeDesign& design) {
    design.modified = true;
    design.subRefsStale = true;
    design.gridStale.fill(true);
    design.MarkReportsStale(true);
}

void CompleteObjectChange(TreeDesign& design) {
    design.modified = true;
    design.view().RefreshTreePage();
    design.subRefsStale = true;
    design.gridStale.fill(true);
    design.MarkReportsStale(true);
}

void CompletePartitionChange(TreeDesign& design) {
    design.modified = true;
    design.view().RefreshTreePage();
    design.subRefsStale = true;
    design.gridStale[kPartitionGrids] = true;
    design.gridStale[kObjectGrids] = true;
    design.MarkReportsStale(true);
}

void MarkObjectViewsStale(TreeDesign& design) {
    design.gridStale[kObjectGrids] = true;
    design.reportStale[kObjectReport] = true;
    design.reportStale[kObjectSuggestions] = true;
    design.gridUnsorted[kPartObjGrid] = true;
    design.gridUnsorted[kServObjGrid] = true;
    design.gridUnsorted[kContObjGrid] = true;
}

void CompleteLeafChange(TreeDesign& design) {
    design.modified = true;
    design.view().RefreshTreePage();
    MarkObjectViewsStale(design);
}

ObjectNode* PartitionOf(ObjectNode* node) {
    while (node && !node->IsPartitionRoot())
        node = node->Parent();
    return node;
}

} // namespace qv::edit
