// The editing commands of a design window's tree page, reached from the main
// menu, the three pop-up menus, the keys, double clicks and drops, and the
// rules that enable them.
#pragma once

#include "gui/edit/edit_services.h"

#include <cstddef>
#include <optional>
#include <string>

namespace qv {
class ObjectNode;
class TreeDesign;
} // namespace qv

namespace qv::gui {

class TMDIChild;
class TreePage;

class TreeCommands {
public:
    TreeCommands(TMDIChild& child, const EditServices& services);

    // ---- enabling: the operations' rules for the selected node and replica row ----
    bool CanCreateObject();
    bool CanDeleteObject();
    bool CanRenameObject();
    bool CanCreatePartition();
    bool CanMergePartition();
    bool CanAddReplica();
    bool CanMoveObject();
    bool SelectedIsServer();
    bool SelectedIsContainer();
    // Delete Replica and Change Type: a row is selected and its type is
    // neither "*MASTER*" nor "*SUB/REF*".
    bool CanDeleteReplica();
    bool CanChangeReplica();

    // ---- the tree ----
    void CreateObject();
    void DeleteObject();
    void RenameObject();
    void MoveObject();
    void CreatePartition();
    void MergePartition();
    void AddReplica();
    void Drop(ObjectNode* dragged, ObjectNode* target);
    // A double click on a server: its addresses.
    void EditServer();
    void IndividualReport();
    void FindServer();
    void ClearDSVersions();
    void ClearServerAddresses();

    // ---- the replica list ----
    void DeleteReplica();
    void DeleteReplicaKey();
    void ChangeType();
    void GotoObject();
    void ReplicaReport();

    // ---- the subordinate list ----
    void GotoLeafObject();
    void ReportObjects();
    void DeleteLeafObjects();
    void MoveLeafObjects();
    void RenameLeafObject();

private:
    TreePage& Page();
    ObjectNode* Selected();
    std::size_t ReplicaRows();
    // A name typed into the shared name dialog, or nothing on Cancel.
    std::optional<std::string> AskName(const std::string& current);
    // Runs an operation on the selected node, when the rule (if any) allows
    // it, with the tree view let go of the nodes.
    void RunOnSelected(bool (TreeCommands::*allowed)(),
                       bool (*operation)(TreeDesign&, ObjectNode*));
    TMDIChild& child_;
    EditServices services_;
};

} // namespace qv::gui
