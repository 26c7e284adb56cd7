// Object operations of the design window: create objects under a container,
// delete, rename and move an object (by command or by drag and drop), and
// delete, move or rename leaf objects of a container.
//
// Each operation takes what its dialogs collect as parameters (a dialog that
// may show more than once, or after a question, is a callback), shows its
// refusals and questions through design.ui(), and, after a change, sets
// Modified, asks design.view() to refresh the tree page, sets its staleness
// flags and appends its block to design.log. Each returns true when it changed
// the design.
#pragma once

#include "core/class_table.h"
#include "core/tree_design.h"
#include "edit/containment.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// ---- enabling rules of the menu items ----

// "Create Object": the node's class is in ContainerClasses.
bool CanCreateObjects(const ObjectNode* node);
// "Delete Object": not a partition root, no child nodes, no subordinate objects.
bool CanDeleteObject(const ObjectNode* node);
// "Rename Object": not the tree root.
bool CanRenameObject(const ObjectNode* node);
// "Move Object": a partition root, or a node whose class is not a container (a server).
bool CanMoveObject(const ObjectNode* node);
// A drag may start from a partition root or a server, never from the tree root.
bool CanStartDrag(const ObjectNode* node);
// The drag cursor over target: target accepts the dragged class and is not the
// dragged node, its parent or inside it.
bool DropAccepted(const ObjectNode* dragged, const ObjectNode* target);

// ---- Create Object ----

// What TDLG_CREATE hands back on OK: the name as typed and "Create Another".
struct CreateObjectInput {
    std::string name;
    bool createAnother = false;
};
// Shows TDLG_CREATE for one class; nothing for Cancel.
using CreateObjectDialog = std::function<std::optional<CreateObjectInput>(int classIndex)>;

// chosen: the classes the class chooser handed back, nothing when it was cancelled.
bool CreateObjects(TreeDesign& design, ObjectNode* container, const std::optional<ClassSet>& chosen,
                   const CreateObjectDialog& dialog);

// ---- Delete, Rename, Move ----

// Asks first; refuses the last server, a server holding a master, a node with
// child nodes and a partition root.
bool DeleteObject(TreeDesign& design, ObjectNode* node);
// newName: the name typed into TNewNameDlg, nothing for Cancel.
bool RenameObject(TreeDesign& design, ObjectNode* node, const std::optional<std::string>& newName);
// destination: ED_TO of TMoveDlg (a FullContext), nothing for Cancel.
bool MoveObject(TreeDesign& design, ObjectNode* node,
                const std::optional<std::string>& destination);
// A drop of the dragged node on target in the tree view.
bool DropObject(TreeDesign& design, ObjectNode* dragged, ObjectNode* target);

// ---- leaf objects (rows selected in LB_LEAFOBJS, given as their LeafEntry texts) ----

bool DeleteLeafObjects(TreeDesign& design, ObjectNode* container,
                       const std::vector<std::string>& selectedEntries);
// ED_FROM of TMoveDlg for the leaf objects of a container.
std::string LeafMoveSourceText(const TreeDesign& design, const ObjectNode* container);
// Shows TMoveDlg with the ED_FROM text; ED_TO on OK, nothing for Cancel.
using MoveDialog = std::function<std::optional<std::string>(const std::string& fromText)>;
bool MoveLeafObjects(TreeDesign& design, ObjectNode* container,
                     const std::vector<std::string>& selectedEntries, const MoveDialog& dialog);
bool RenameLeafObject(TreeDesign& design, ObjectNode* container, const std::string& selectedEntry,
                      const std::optional<std::string>& newName);

} // namespace qv
