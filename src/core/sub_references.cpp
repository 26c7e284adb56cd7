// The sub-reference rules: which servers need a SUB/REF replica of which
// partition, kept in both halves of the replica lists.
#include "core/tree_design.h"

#include <algorithm>
#include <unordered_set>

namespace qv {

namespace {

const char* const kCorrupted = "This QVD file is corrupted.";

} // namespace

void TreeDesign::EnsureSubRefsForNode(ObjectNode* selected) {
    UndoHistory::Upkeep upkeep(*this);
    if (!selected)
        return;
    if (selected->IsPartitionRoot()) {
        if (!selected->parent_)
            return; // the root partition has no parent
        ObjectNode* parentPart = ParentPartition(selected);
        std::string childName = FullContext(selected);
        int ci = partitions.FindLast(childName);
        int pi = parentPart ? partitions.FindLast(FullContext(parentPart)) : -1;
        if (ci < 0 || pi < 0) {
            ui_->Message(kCorrupted);
            return;
        }
        workList_.clear();
        const ReplicaList& parentList = partitions.Entries(static_cast<std::size_t>(pi));
        for (const std::string& e : parentList) {
            if (!IsReadable(e))
                continue;
            std::string_view s = EntryName(e);
            if (FindEntryByName(partitions.Entries(static_cast<std::size_t>(ci)), s) < 0)
                workList_.emplace_back(s);
        }
        const std::string childRef = MakeReplicaEntry(childName, kSubRef);
        for (const std::string& s : workList_) {
            partitions.Entries(static_cast<std::size_t>(ci))
                .push_back(MakeReplicaEntry(s, kSubRef));
            if (ReplicaList* sl = servers.EntriesOf(s))
                if (FindEntryExact(*sl, childRef) < 0)
                    sl->push_back(childRef);
        }
        return;
    }
    if (selected->class_ != kClassServer)
        return;
    int si = servers.FindLast(selected->name_);
    if (si < 0) {
        ui_->Message(kCorrupted);
        return;
    }
    std::string server = selected->name_;
    // Copy the readable names first: the list grows while SUB/REFs are added.
    std::vector<std::string> readable;
    for (const std::string& e : servers.Entries(static_cast<std::size_t>(si)))
        if (IsReadable(e))
            readable.emplace_back(EntryName(e));
    for (const std::string& p : readable) {
        ObjectNode* part = FindPartitionOrServerNode(p, true);
        if (!part) {
            ui_->Message(kCorrupted);
            return;
        }
        AddChildPartitionSubRefs(part->FirstChild(), server,
                                 servers.Entries(static_cast<std::size_t>(si)));
    }
}

void TreeDesign::AddChildPartitionSubRefs(ObjectNode* firstChild, const std::string& server,
                                          ReplicaList& list) {
    UndoHistory::Upkeep upkeep(*this);
    workList_.clear();
    if (firstChild) {
        std::unordered_set<std::string_view> held;
        for (const std::string& e : list)
            held.insert(EntryName(e));
        Walk(
            firstChild,
            [&](ObjectNode* n) {
                if (n->IsPartitionRoot()) {
                    std::string ctx = FullContext(n);
                    if (!held.count(ctx))
                        workList_.push_back(std::move(ctx));
                }
                return true;
            },
            true);
    }
    const std::string serverRef = MakeReplicaEntry(server, kSubRef);
    for (const std::string& p : workList_) {
        list.push_back(MakeReplicaEntry(p, kSubRef));
        if (ReplicaList* pl = partitions.EntriesOf(p))
            if (FindEntryExact(*pl, serverRef) < 0)
                pl->push_back(serverRef);
    }
}

void TreeDesign::EnsureAllSubRefs() {
    UndoHistory::Upkeep upkeep(*this);
    if (!flags_.subRefsStale)
        return;
    // Per server, the exact entries already held, built when first needed, so
    // that "unless exactly that entry is there" stays linear.
    std::unordered_map<int, std::unordered_set<std::string>> heldByServer;
    ObjectNode* start = root_->FirstChild();
    if (start) {
        Walk(start, [&](ObjectNode* c) {
            if (!c->IsPartitionRoot())
                return true;
            ObjectNode* p = ParentPartition(c);
            if (!p)
                return true;
            std::string cName = FullContext(c);
            int ci = partitions.FindLast(cName);
            int pi = partitions.FindLast(FullContext(p));
            if (ci < 0 || pi < 0)
                return true;
            workList_.clear();
            {
                const ReplicaList& cl = partitions.Entries(static_cast<std::size_t>(ci));
                std::unordered_set<std::string_view> inChild;
                for (const std::string& e : cl)
                    inChild.insert(EntryName(e));
                for (const std::string& e : partitions.Entries(static_cast<std::size_t>(pi))) {
                    if (!IsReadable(e))
                        continue;
                    std::string_view s = EntryName(e);
                    if (!inChild.count(s))
                        workList_.emplace_back(s);
                }
            }
            const std::string childRef = MakeReplicaEntry(cName, kSubRef);
            for (const std::string& s : workList_) {
                partitions.Entries(static_cast<std::size_t>(ci))
                    .push_back(MakeReplicaEntry(s, kSubRef));
                int si = servers.FindLast(s);
                if (si < 0)
                    continue;
                ReplicaList& sl = servers.Entries(static_cast<std::size_t>(si));
                auto [it, fresh] = heldByServer.try_emplace(si);
                if (fresh)
                    it->second.insert(sl.begin(), sl.end());
                if (it->second.insert(childRef).second)
                    sl.push_back(childRef);
            }
            return true;
        });
    }
    flags_.subRefsStale = false;
}

void TreeDesign::RemoveStaleSubRefs(ObjectNode* selected, std::string_view selectedReplica) {
    UndoHistory::Upkeep upkeep(*this);
    if (!selected)
        return;
    if (selected->class_ == kClassServer && !selected->IsPartitionRoot()) {
        int si = servers.FindLast(selected->name_);
        if (si < 0)
            return;
        const std::string server = selected->name_;
        workList_.clear();
        {
            const ReplicaList& sl = servers.Entries(static_cast<std::size_t>(si));
            for (const std::string& e : sl) {
                if (EntryType(e) != kSubRef)
                    continue;
                ObjectNode* part = FindPartitionOrServerNode(EntryName(e), true);
                if (!part)
                    continue;
                ObjectNode* parent = ParentPartition(part);
                if (!parent)
                    continue;
                std::string parentName = FullContext(parent);
                bool holds = false;
                for (const std::string& x : sl)
                    if (IsReadable(x) && EntryName(x) == parentName) {
                        holds = true;
                        break;
                    }
                if (!holds)
                    workList_.push_back(e);
            }
        }
        for (const std::string& e : workList_) {
            ReplicaList& sl = servers.Entries(static_cast<std::size_t>(si));
            int at = FindEntryExact(sl, e);
            if (at >= 0)
                sl.erase(sl.begin() + at);
            if (ReplicaList* pl = partitions.EntriesOf(EntryName(e))) {
                int k = FindEntryByName(*pl, server);
                if (k >= 0)
                    pl->erase(pl->begin() + k);
            }
        }
        return;
    }
    if (!selected->IsPartitionRoot())
        return;
    const std::string s(EntryName(selectedReplica));
    ObjectNode* first = selected->FirstChild();
    if (!first)
        return;
    Walk(
        first,
        [&](ObjectNode* c) {
            if (!c->IsPartitionRoot())
                return true;
            std::string cName = FullContext(c);
            ReplicaList* cl = partitions.EntriesOf(cName);
            if (!cl)
                return true;
            int k = FindEntryByName(*cl, s);
            if (k < 0 || EntryType((*cl)[static_cast<std::size_t>(k)]) != kSubRef)
                return true;
            cl->erase(cl->begin() + k);
            if (ReplicaList* sl = servers.EntriesOf(s)) {
                int j = FindEntryByName(*sl, cName);
                if (j >= 0)
                    sl->erase(sl->begin() + j);
            }
            return true;
        },
        true);
}

void TreeDesign::RecontextPartitions(ObjectNode* selected, const std::string& destinationContext) {
    if (!selected)
        return;
    WalkSubtree(selected, [&](ObjectNode* r) {
        if (!r->IsPartitionRoot())
            return true;
        const std::string oldName = FullContext(r);
        std::string newName = RelativeContext(r, selected);
        if (destinationContext != kRootName) {
            newName.push_back('.');
            newName += destinationContext;
        }
        int pi = partitions.FindLast(oldName);
        if (pi < 0)
            return true;
        std::vector<std::string> serverNames;
        for (const std::string& e : partitions.Entries(static_cast<std::size_t>(pi)))
            serverNames.emplace_back(EntryName(e));
        for (const std::string& s : serverNames) {
            ReplicaList* sl = servers.EntriesOf(s);
            if (!sl)
                continue;
            for (std::string& e : *sl)
                if (EntryName(e) == oldName)
                    e = MakeReplicaEntry(newName, EntryType(e));
        }
        partitions.Rename(static_cast<std::size_t>(pi), newName);
        return true;
    });
}

} // namespace qv
