#include "edit/partition_operations.h"

#include "core/class_table.h"
#include "core/design_change.h"
#include "edit/edit_common.h"

#include <algorithm>

namespace qv {

namespace {

// Every partition and replica operation ends the same way.
void CommitPartitionChange(TreeDesign& design, LogBlock block) {
    DesignChange(design, kTouchReplicas).Refresh().Log(std::move(block)).Commit();
}

// The server and the partition a replica row stands for: a server's list
// names partitions, a partition's list names servers.
struct ReplicaRow {
    std::string server;
    std::string partition;
};

ReplicaRow RowOf(TreeDesign& design, const ObjectNode* selected, std::string_view item) {
    if (selected->ClassIndex() == kClassServer)
        return {selected->Name(), std::string(EntryName(item))};
    return {std::string(EntryName(item)), design.FullContext(selected)};
}

// A merged replica: masters and sparse writes become read/write, sparse reads
// read-only.
std::string_view MergedType(std::string_view type) {
    if (type == kMaster || type == kSparseWrite)
        return kReadWrite;
    if (type == kSparseRead)
        return kReadOnly;
    return type;
}

void RetypeNamed(ReplicaList& list, std::string_view name, std::string_view type) {
    for (std::string& e : list)
        if (EntryName(e) == name)
            e = MakeReplicaEntry(name, type);
}

} // namespace

ReplicaType RadioType(ReplicaRadio radio) {
    switch (radio) {
    case ReplicaRadio::Master:
        return ReplicaType::Master;
    case ReplicaRadio::ReadWrite:
        return ReplicaType::ReadWrite;
    case ReplicaRadio::ReadOnly:
        return ReplicaType::ReadOnly;
    case ReplicaRadio::SparseWrite:
        return ReplicaType::SparseWrite;
    case ReplicaRadio::SparseRead:
        return ReplicaType::SparseRead;
    }
    return ReplicaType::ReadWrite;
}

std::string_view RadioMarker(ReplicaRadio radio) {
    return NamesOf(RadioType(radio)).marker;
}

std::optional<ReplicaRadio> MarkerRadio(std::string_view marker) {
    for (std::size_t i = 0; i < kReplicaRadioCount; ++i) {
        const auto radio = static_cast<ReplicaRadio>(i);
        if (RadioMarker(radio) == marker)
            return radio;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------- rules

bool CanCreatePartition(const ObjectNode* node) {
    return node && IsContainerClass(node->ClassIndex()) && !node->IsPartitionRoot();
}

bool CanMergePartition(const ObjectNode* node) {
    return node && IsContainerClass(node->ClassIndex()) && node->IsPartitionRoot() &&
           node->Parent();
}

bool CanAddReplica(const ObjectNode* node) {
    return node && node->IsPartitionRoot();
}

bool CanDeleteReplica(std::size_t rowCount, std::string_view selectedItem) {
    // An empty item is no selected row: there is nothing to delete or retype.
    std::string_view type = EntryType(selectedItem);
    return rowCount > 0 && !selectedItem.empty() && type != kSubRef && type != kMaster;
}

bool CanChangeReplicaType(std::size_t rowCount, std::string_view selectedItem) {
    return CanDeleteReplica(rowCount, selectedItem);
}

ReplicaList* ShownReplicaList(TreeDesign& design, const ObjectNode* node) {
    if (!node)
        return nullptr;
    if (node->ClassIndex() == kClassServer)
        return design.servers.EntriesOf(node->Name());
    return design.partitions.EntriesOf(design.FullContext(node));
}

// ---------------------------------------------------------------- create, merge

bool CreatePartition(TreeDesign& design, ObjectNode* s) {
    DesignChange operation(design, "Create Partition");
    if (!CanCreatePartition(s))
        return false;
    const std::string name = design.FullContext(s);
    const std::size_t created = design.partitions.Append(name);
    design.SetPartitionMark(s, kPartitionRootMark);
    if (ObjectNode* parent = design.ParentPartition(s)) {
        int pi = design.partitions.FindLast(design.FullContext(parent));
        if (pi >= 0) {
            // Copied, since the new partition's list may be the parent's own
            // item when names repeat.
            const ReplicaList ring = design.partitions.Entries(static_cast<std::size_t>(pi));
            for (const std::string& item : ring) {
                std::string_view type = EntryType(item);
                if (type == kSubRef)
                    continue;
                std::string_view server = EntryName(item);
                int si = design.servers.FindLast(server);
                if (si < 0)
                    continue;
                // Sparse replicas become read-only on both sides.
                std::string_view m = type == kMaster      ? kMaster
                                     : type == kReadWrite ? kReadWrite
                                                          : kReadOnly;
                design.servers.Entries(static_cast<std::size_t>(si))
                    .push_back(MakeReplicaEntry(name, m));
                design.partitions.Entries(created).push_back(MakeReplicaEntry(server, m));
            }
        }
    }
    CommitPartitionChange(design, LogBlock("Create Partition").Line("  New Partition: " + name));
    return true;
}

bool MergePartition(TreeDesign& design, ObjectNode* s) {
    DesignChange operation(design, "Merge Partition");
    if (!CanMergePartition(s))
        return false;
    ObjectNode* parent = design.ParentPartition(s);
    if (!parent)
        return false;
    const std::string k = design.FullContext(s);
    const std::string p = design.FullContext(parent);
    const int ki = design.partitions.FindLast(k);
    const int pi = design.partitions.FindLast(p);
    if (ki < 0 || pi < 0 || ki == pi) {
        design.ui().Message(edit::kCorrupted);
        return false;
    }
    const ReplicaList ring = design.partitions.Entries(static_cast<std::size_t>(ki));
    ReplicaList& parentRing = design.partitions.Entries(static_cast<std::size_t>(pi));
    for (const std::string& item : ring) {
        const std::string server(EntryName(item));
        int si = design.servers.FindLast(server);
        if (si < 0)
            continue;
        ReplicaList& l = design.servers.Entries(static_cast<std::size_t>(si));
        int lk = FindEntryByName(l, k);
        // The server's own item decides; a server missing its half of the
        // replica takes the partition's.
        const std::string t(
            MergedType(lk >= 0 ? EntryType(l[static_cast<std::size_t>(lk)]) : EntryType(item)));
        int lp = FindEntryByName(l, p);
        if (lp < 0) {
            if (lk >= 0)
                l[static_cast<std::size_t>(lk)] = MakeReplicaEntry(p, t);
            else
                l.push_back(MakeReplicaEntry(p, t));
            parentRing.push_back(MakeReplicaEntry(server, t));
        } else if (EntryType(l[static_cast<std::size_t>(lp)]) == kSubRef) {
            l[static_cast<std::size_t>(lp)] = MakeReplicaEntry(p, t);
            if (lk >= 0)
                l.erase(l.begin() + lk);
            int pp = FindEntryByName(parentRing, server);
            if (pp >= 0)
                parentRing[static_cast<std::size_t>(pp)] = MakeReplicaEntry(server, t);
            else
                parentRing.push_back(MakeReplicaEntry(server, t));
        } else {
            if (lk >= 0)
                l.erase(l.begin() + lk);
            int pp = FindEntryByName(parentRing, server);
            if (pp >= 0) {
                std::string_view held = EntryType(parentRing[static_cast<std::size_t>(pp)]);
                std::string_view now = held == kSparseRead    ? kReadOnly
                                       : held == kSparseWrite ? kReadWrite
                                                              : std::string_view{};
                if (!now.empty()) {
                    const std::string was = MakeReplicaEntry(p, held);
                    parentRing[static_cast<std::size_t>(pp)] = MakeReplicaEntry(server, now);
                    for (std::string& e : l)
                        if (e == was)
                            e = MakeReplicaEntry(p, now);
                }
            }
        }
    }
    design.partitions.Erase(static_cast<std::size_t>(ki));
    design.SetPartitionMark(s, kNoPartitionMark);
    CommitPartitionChange(design, LogBlock("Merge Partition")
                                      .Line("  Child Partition : " + k)
                                      .Line("  Parent Partition: " + p));
    return true;
}

// ---------------------------------------------------------------- add

ReplicaDialogSetup AddReplicaSetup(const TreeDesign& design) {
    ReplicaDialogSetup setup;
    for (const TableItem& item : design.servers)
        setup.servers.push_back(item.name);
    std::sort(setup.servers.begin(), setup.servers.end());
    setup.enabled = {false, true, true, true, true};
    setup.selected = ReplicaRadio::ReadWrite;
    return setup;
}

bool AddReplica(TreeDesign& design, ObjectNode* node, const std::optional<AddReplicaInput>& input) {
    DesignChange operation(design, "Add Replica");
    if (!CanAddReplica(node) || !input || !AddReplicaSetup(design).Enabled(input->type))
        return false;
    Interaction& ui = design.ui();
    const std::string s = input->server;
    const int si = design.servers.FindLast(s);
    if (si < 0) {
        ui.Information("Server: " + s + " does not exist.");
        return false;
    }
    const std::string p = design.FullContext(node);
    ReplicaList* pl = design.partitions.EntriesOf(p);
    if (!pl) {
        ui.Message(edit::kCorrupted);
        return false;
    }
    int subRef = -1;
    for (std::size_t i = 0; i < pl->size(); ++i) {
        if (EntryName((*pl)[i]) != s)
            continue;
        if (EntryType((*pl)[i]) != kSubRef) {
            ui.Information("This server already has a replica of this partition.");
            return false;
        }
        if (subRef < 0)
            subRef = static_cast<int>(i);
    }
    const std::string_view t = RadioMarker(input->type);
    ReplicaList& sl = design.servers.Entries(static_cast<std::size_t>(si));
    if (subRef >= 0) {
        // The subordinate reference is upgraded in place. A server list that
        // lacks its half of the reference gets the item, so both sides pair.
        bool found = false;
        for (std::string& e : sl)
            if (EntryName(e) == p) {
                e = MakeReplicaEntry(p, t);
                found = true;
            }
        if (!found)
            sl.push_back(MakeReplicaEntry(p, t));
        (*pl)[static_cast<std::size_t>(subRef)] = MakeReplicaEntry(s, t);
    } else {
        pl->push_back(MakeReplicaEntry(s, t));
        sl.push_back(MakeReplicaEntry(p, t));
    }
    CommitPartitionChange(design, LogBlock("Add Replica")
                                      .Line("  Partition: " + p)
                                      .Line("  Server   : " + s)
                                      .Line("  Type     : " + std::string(t)));
    return true;
}

// ---------------------------------------------------------------- delete

bool DeleteReplica(TreeDesign& design, ObjectNode* selected, const std::string& selectedItem) {
    DesignChange operation(design, "Delete Replica");
    if (!selected)
        return false;
    const std::string item = selectedItem; // the row itself is erased below
    Interaction& ui = design.ui();
    if (!ui.AskYesNo("Are you sure you want to delete this replica?"))
        return false;
    if (EntryType(item) == kMaster) {
        ui.Information("Designate another server as the master first, then delete the replica.");
        return false;
    }
    const ReplicaRow row = RowOf(design, selected, item);
    if (ReplicaList* pl = design.partitions.EntriesOf(row.partition)) {
        int k = FindEntryByName(*pl, row.server);
        if (k >= 0)
            pl->erase(pl->begin() + k);
    }
    if (ReplicaList* sl = design.servers.EntriesOf(row.server)) {
        int k = FindEntryByName(*sl, row.partition);
        if (k >= 0)
            sl->erase(sl->begin() + k);
    }
    design.RemoveStaleSubRefs(selected, item);
    CommitPartitionChange(design, LogBlock("Remove Replica")
                                      .Line("  Partition: " + row.partition)
                                      .Line("  Server   : " + row.server));
    return true;
}

bool DeleteReplicaKey(TreeDesign& design, ObjectNode* selected, std::size_t rowCount,
                      const std::string& item) {
    if (rowCount == 0 || item.empty())
        return false;
    if (!CanDeleteReplica(rowCount, item)) {
        design.ui().Information(
            "Master replicas and Subordinate Reference replicas cannot be deleted.");
        return false;
    }
    return DeleteReplica(design, selected, item);
}

// ---------------------------------------------------------------- change type

std::optional<ReplicaDialogSetup> ChangeTypeSetup(std::string_view o) {
    ReplicaDialogSetup setup;
    setup.serversEnabled = false;
    if (o == kReadWrite) {
        setup.enabled = {true, false, true, true, true};
        setup.selected = ReplicaRadio::Master;
    } else if (o == kReadOnly) {
        setup.enabled = {true, true, false, true, true};
        setup.selected = ReplicaRadio::Master;
    } else if (o == kSparseWrite) {
        setup.enabled = {false, true, true, false, true};
        setup.selected = ReplicaRadio::ReadWrite;
    } else if (o == kSparseRead) {
        setup.enabled = {false, true, true, true, false};
        setup.selected = ReplicaRadio::ReadWrite;
    } else {
        return std::nullopt;
    }
    return setup;
}

bool ChangeReplicaType(TreeDesign& design, ObjectNode* selected, const std::string& selectedItem,
                       const ReplicaTypeDialog& dialog) {
    DesignChange operation(design, "Change Replica Type");
    if (!selected)
        return false;
    const std::string item = selectedItem;
    const std::string o(EntryType(item));
    if (o == kMaster) {
        design.ui().Information(
            "Master replicas cannot be changed, select a Read Only or Read Write.");
        return false;
    }
    std::optional<ReplicaDialogSetup> setup = ChangeTypeSetup(o);
    if (!setup || !dialog)
        return false;
    std::optional<ReplicaRadio> choice = dialog(*setup);
    if (!choice || !setup->Enabled(*choice))
        return false;
    const std::string_view n = RadioMarker(*choice);
    const ReplicaRow row = RowOf(design, selected, item);
    ReplicaList* pl = design.partitions.EntriesOf(row.partition);
    if (!pl) {
        design.ui().Message(edit::kCorrupted);
        return false;
    }
    std::vector<std::string> formerMasters;
    if (n == kMaster)
        for (std::string& e : *pl)
            if (EntryType(e) == kMaster) {
                formerMasters.emplace_back(EntryName(e));
                e = MakeReplicaEntry(formerMasters.back(), kReadWrite);
            }
    int k = FindEntryByName(*pl, row.server);
    if (k >= 0)
        (*pl)[static_cast<std::size_t>(k)] = MakeReplicaEntry(row.server, n);
    for (const std::string& master : formerMasters)
        if (ReplicaList* ml = design.servers.EntriesOf(master))
            RetypeNamed(*ml, row.partition, kReadWrite);
    if (ReplicaList* sl = design.servers.EntriesOf(row.server))
        RetypeNamed(*sl, row.partition, n);
    // This block has no closing empty line.
    CommitPartitionChange(design, LogBlock("Change Replica Type")
                                      .Line("  Server    :" + row.server)
                                      .Line("  Partition :" + row.partition)
                                      .Line("  Changed To:" + std::string(n))
                                      .Unclosed());
    return true;
}

} // namespace qv
