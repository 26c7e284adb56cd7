// The object commands of the subordinate-object list (LB_LEAFOBJS) of the tree
// page: which pop-up items are enabled, "Goto Object" and "Report Objects".
// The list's rows are 0xBB, the class index modulo 256, "*" and the LeafEntry.
#pragma once

#include "core/class_table.h"
#include "core/tree_design.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// PopupMenu3Popup: the enabled state of each item.
struct LeafMenuState {
    bool gotoObject = false;    // GotoObject2
    bool report = false;        // Report1
    bool deleteLeaves = false;  // Delete1
    bool moveLeaves = false;    // MoveLeafObjects1
    bool rename = false;        // RenameObject2
    bool displayRights = false; // DisplayRights1
};
// rowCount: rows of the list; selectedCount: selected rows; focusedRow: the
// text of the focused row; treeSelected: the tree's selected node.
LeafMenuState LeafPopupMenuState(std::size_t rowCount, std::size_t selectedCount,
                                 std::string_view focusedRow, const ObjectNode* treeSelected);

// The LeafEntry of a row: the text after its first "*".
std::string_view LeafEntryOfRow(std::string_view row);

// GotoObject2Click: the child of the tree's selected node named as the row's
// leaf object, or nullptr after the "was not reported as a container object"
// message.
ObjectNode* GotoObject(TreeDesign& design, ObjectNode* treeSelected, std::string_view row);

// What TFM_DISPLAYOBJS shows for "Report Objects".
struct ObjectSearchResult {
    std::string rootText;      // FullContext of the tree's selected node
    std::string partitionRoot; // ED_PARTROOT
    struct ClassGroup {
        int classIndex;
        std::vector<std::string> names;
    };
    std::vector<ClassGroup> groups; // ascending class index, only classes with names
    std::size_t total = 0;          // ED_TOTAL
};
// Report1Click after the class dialog closed with OK: every row whose class
// is in the set, grouped by class. An empty set shows "Nothing was selected,
// report aborted.." and gives nothing.
std::optional<ObjectSearchResult> CollectReportObjects(TreeDesign& design,
                                                       const ObjectNode* treeSelected,
                                                       const std::vector<std::string>& rows,
                                                       const ClassSet& selectedClasses);

} // namespace qv
