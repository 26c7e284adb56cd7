// Partition and replica operations: create a partition at a container, merge
// a partition into its parent partition, add a replica to a server, delete a
// replica and change its type. Both sides of every replica (the partition's
// list and the server's list) are kept paired.
//
// Each returns true when it changed the design; refusals and questions go
// through design.ui(); a change ends with Modified, the refresh of the tree
// page, the staleness flags and the operation's log block.
#pragma once

#include "core/replica_vocabulary.h"
#include "core/tree_design.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The radio buttons of TSvrDlg, in the dialog's order.
enum class ReplicaRadio { Master, ReadWrite, ReadOnly, SparseWrite, SparseRead };
inline constexpr std::size_t kReplicaRadioCount = 5;

// The replica type a radio button stands for, and its marker ("*MASTER*", ...).
ReplicaType RadioType(ReplicaRadio radio);
std::string_view RadioMarker(ReplicaRadio radio);
// The radio button of a type marker; nothing for "*SUB/REF*" or any other text.
std::optional<ReplicaRadio> MarkerRadio(std::string_view marker);

// How TSvrDlg is prepared for one use.
struct ReplicaDialogSetup {
    std::vector<std::string> servers; // CB_SERVERS, sorted; empty for Change Type
    bool serversEnabled = true;
    std::array<bool, kReplicaRadioCount> enabled{};
    std::optional<ReplicaRadio> selected; // nothing: no radio selected
    bool Enabled(ReplicaRadio r) const { return enabled[static_cast<std::size_t>(r)]; }
};

// ---- enabling rules ----

// "Create Partition": a container class that is not a partition root.
bool CanCreatePartition(const ObjectNode* node);
// "Merge Partition": a container class, a partition root, not the tree root.
bool CanMergePartition(const ObjectNode* node);
// "Add Replica": a partition root (the tree root included).
bool CanAddReplica(const ObjectNode* node);
// "Delete Replica" and "Change Type": the replica list has rows, one is
// selected (an empty item is none) and its type is neither "*SUB/REF*" nor
// "*MASTER*".
bool CanDeleteReplica(std::size_t rowCount, std::string_view selectedItem);
bool CanChangeReplicaType(std::size_t rowCount, std::string_view selectedItem);

// The list ListBox1 shows for the node: a server's replicas for a server node,
// otherwise the replicas of the partition named FullContext(node); nullptr
// when there is none (a container that is not a partition root).
ReplicaList* ShownReplicaList(TreeDesign& design, const ObjectNode* node);

// ---- operations ----

bool CreatePartition(TreeDesign& design, ObjectNode* container);
bool MergePartition(TreeDesign& design, ObjectNode* partitionRoot);

// TSvrDlg for Add Replica: every server, Read Write selected, Master disabled.
ReplicaDialogSetup AddReplicaSetup(const TreeDesign& design);
// What TSvrDlg hands back on OK for Add Replica.
struct AddReplicaInput {
    std::string server; // the text of CB_SERVERS
    ReplicaRadio type = ReplicaRadio::ReadWrite;
};
bool AddReplica(TreeDesign& design, ObjectNode* partitionRoot,
                const std::optional<AddReplicaInput>& input);

// selected: the tree's selected node (a partition root or a server);
// item: the selected row of the replica list.
bool DeleteReplica(TreeDesign& design, ObjectNode* selected, const std::string& item);
// The Delete key in the replica list; nothing without a selected row.
bool DeleteReplicaKey(TreeDesign& design, ObjectNode* selected, std::size_t rowCount,
                      const std::string& item);

// TSvrDlg for Change Type by the current type; nothing for a type that cannot
// be changed ("*MASTER*", "*SUB/REF*" or an unknown text).
std::optional<ReplicaDialogSetup> ChangeTypeSetup(std::string_view currentType);
// Shows TSvrDlg prepared by the setup; the chosen radio on OK, nothing for Cancel.
using ReplicaTypeDialog = std::function<std::optional<ReplicaRadio>(const ReplicaDialogSetup&)>;
bool ChangeReplicaType(TreeDesign& design, ObjectNode* selected, const std::string& item,
                       const ReplicaTypeDialog& dialog);

} // namespace qv
