#include "core/tree_design.h"

#include <algorithm>
#include <unordered_set>

namespace qv {

namespace {

const char* const kCorrupted = "This QVD file is corrupted.";

} // namespace

// ---------------------------------------------------------------- ObjectNode

ObjectNode* ObjectNode::NextSibling() const {
    if (!parent_)
        return nullptr;
    std::size_t next = indexInParent_ + 1;
    return next < parent_->children_.size() ? parent_->children_[next].get() : nullptr;
}

int ObjectNode::Level() const {
    int level = 0;
    for (const ObjectNode* n = parent_; n; n = n->parent_)
        ++level;
    return level;
}

bool ObjectNode::IsSelfOrAncestorOf(const ObjectNode* other) const {
    for (const ObjectNode* n = other; n; n = n->parent_)
        if (n == this)
            return true;
    return false;
}

// ---------------------------------------------------------------- ItemTable

void ItemTable::EnsureIndex() const {
    if (indexValid_)
        return;
    index_.clear();
    index_.reserve(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        int idx = static_cast<int>(i);
        auto [it, inserted] = index_.try_emplace(items_[i].name, idx, idx);
        if (!inserted)
            it->second.second = idx;
    }
    indexValid_ = true;
}

int ItemTable::FindLast(std::string_view name) const {
    EnsureIndex();
    auto it = index_.find(std::string(name));
    return it == index_.end() ? -1 : it->second.second;
}

int ItemTable::FindFirst(std::string_view name) const {
    EnsureIndex();
    auto it = index_.find(std::string(name));
    return it == index_.end() ? -1 : it->second.first;
}

ReplicaList* ItemTable::EntriesOf(std::string_view name) {
    int i = FindLast(name);
    return i < 0 ? nullptr : &items_[static_cast<std::size_t>(i)].entries;
}

std::size_t ItemTable::Append(std::string name, ReplicaList entries) {
    std::size_t pos = items_.size();
    if (indexValid_) {
        int idx = static_cast<int>(pos);
        auto [it, inserted] = index_.try_emplace(name, idx, idx);
        if (!inserted)
            it->second.second = idx;
    }
    items_.push_back(TableItem{std::move(name), std::move(entries)});
    return pos;
}

void ItemTable::Insert(std::size_t pos, std::string name, ReplicaList entries) {
    pos = std::min(pos, items_.size());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(pos),
                  TableItem{std::move(name), std::move(entries)});
    indexValid_ = false;
}

void ItemTable::Erase(std::size_t i) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    indexValid_ = false;
}

void ItemTable::Rename(std::size_t i, std::string name) {
    items_[i].name = std::move(name);
    indexValid_ = false;
}

void ItemTable::Clear() {
    items_.clear();
    index_.clear();
    indexValid_ = false;
}

// ---------------------------------------------------------------- find index

// Answers the whole-tree finds as the first match in walk order would.
struct TreeDesign::FindIndex {
    std::uint64_t version = 0;
    struct Hit {
        std::size_t pos;
        ObjectNode* node;
    };
    std::unordered_map<std::string, Hit> byContext;
    std::unordered_map<std::string, Hit> byName;
    std::unordered_map<std::string, Hit> serverByName;        // any node of class 3
    std::unordered_map<std::string, Hit> partitionByContext;  // partition roots
    std::unordered_map<std::string, Hit> nonRootServerByName; // class 3, not a partition root
    std::size_t nodeCount = 0;
};

TreeDesign::FindIndex& TreeDesign::Index() {
    if (!index_)
        index_ = std::make_unique<FindIndex>();
    FindIndex& ix = *index_;
    if (ix.version == treeVersion_)
        return ix;
    ix.byContext.clear();
    ix.byName.clear();
    ix.serverByName.clear();
    ix.partitionByContext.clear();
    ix.nonRootServerByName.clear();
    // Own stack, so that a find inside a walk never disturbs the walk. Each
    // entry carries the parent's uncut context ("SALES.ACME.[ROOT]").
    std::vector<std::pair<ObjectNode*, std::string>> stack;
    stack.emplace_back(root_.get(), std::string());
    std::size_t pos = 0;
    while (!stack.empty()) {
        auto [node, parentUncut] = std::move(stack.back());
        stack.pop_back();
        std::string uncut = node->name_;
        std::string ctx;
        if (node->parent_) {
            uncut.push_back('.');
            uncut += parentUncut;
            ctx = uncut;
            std::size_t cut = ctx.find(".[ROOT]");
            if (cut != std::string::npos)
                ctx.resize(cut);
        } else {
            ctx = uncut;
        }
        FindIndex::Hit hit{pos++, node};
        ix.byContext.try_emplace(ctx, hit);
        ix.byName.try_emplace(node->name_, hit);
        if (node->class_ == kClassServer) {
            ix.serverByName.try_emplace(node->name_, hit);
            if (!node->IsPartitionRoot())
                ix.nonRootServerByName.try_emplace(node->name_, hit);
        }
        if (node->IsPartitionRoot())
            ix.partitionByContext.try_emplace(ctx, hit);
        for (std::size_t i = node->children_.size(); i-- > 0;)
            stack.emplace_back(node->children_[i].get(), uncut);
    }
    ix.nodeCount = pos;
    ix.version = treeVersion_;
    return ix;
}

// ---------------------------------------------------------------- TreeDesign

TreeDesign::TreeDesign()
    : progress_(&TheNullProgress()), ui_(&TheNullInteraction()), view_(&TheNullView()) {
    flags.reportStale.fill(true);
    flags.gridStale.fill(true);
    flags.gridUnsorted.fill(true);
    serverDepthTable.assign(kServerDepthTableMin, 255);
    classPresence.Add(0);
    ResetToInitialTree();
}

TreeDesign::~TreeDesign() {
    // Free deep trees without recursion.
    if (!root_)
        return;
    std::vector<std::unique_ptr<ObjectNode>> pending;
    pending.push_back(std::move(root_));
    while (!pending.empty()) {
        std::unique_ptr<ObjectNode> n = std::move(pending.back());
        pending.pop_back();
        for (auto& c : n->children_)
            pending.push_back(std::move(c));
    }
}

void TreeDesign::SetHosts(Progress* progress, Interaction* ui, DesignView* view) {
    progress_ = progress ? progress : &TheNullProgress();
    ui_ = ui ? ui : &TheNullInteraction();
    view_ = view ? view : &TheNullView();
}

void TreeDesign::ResetToInitialTree() {
    if (root_) {
        ClearTree();
    } else {
        root_ = std::make_unique<ObjectNode>();
    }
    root_->name_ = kRootName;
    root_->class_ = kClassTop;
    root_->mark_ = kPartitionRootMark;
    root_->leaves.reset();
    ObjectNode* org = AddChild(root_.get(), "ORGANIZATION", kClassOrganization);
    AddChild(org, "SERVER", kClassServer);
    NodeStructureChanged();
}

void TreeDesign::ClearTree() {
    // Detach children iteratively so that a very deep tree frees without recursion.
    std::vector<std::unique_ptr<ObjectNode>> pending;
    for (auto& c : root_->children_)
        pending.push_back(std::move(c));
    root_->children_.clear();
    root_->leaves.reset();
    while (!pending.empty()) {
        std::unique_ptr<ObjectNode> n = std::move(pending.back());
        pending.pop_back();
        for (auto& c : n->children_)
            pending.push_back(std::move(c));
    }
    NodeStructureChanged();
}

ObjectNode* TreeDesign::AddChild(ObjectNode* parent, std::string name, int classIndex, int mark) {
    return InsertChild(parent, parent->children_.size(), std::move(name), classIndex, mark);
}

ObjectNode* TreeDesign::InsertChild(ObjectNode* parent, std::size_t pos, std::string name,
                                    int classIndex, int mark) {
    auto node = std::make_unique<ObjectNode>();
    node->name_ = std::move(name);
    node->class_ = classIndex;
    node->mark_ = mark;
    return AttachNode(parent, std::move(node), pos);
}

std::unique_ptr<ObjectNode> TreeDesign::DetachNode(ObjectNode* node) {
    ObjectNode* parent = node->parent_;
    if (!parent)
        return nullptr;
    std::size_t i = node->indexInParent_;
    std::unique_ptr<ObjectNode> owned = std::move(parent->children_[i]);
    parent->children_.erase(parent->children_.begin() + static_cast<std::ptrdiff_t>(i));
    RenumberChildren(parent, i);
    owned->parent_ = nullptr;
    owned->indexInParent_ = 0;
    NodeStructureChanged();
    return owned;
}

ObjectNode* TreeDesign::AttachNode(ObjectNode* parent, std::unique_ptr<ObjectNode> node,
                                   std::size_t pos) {
    pos = std::min(pos, parent->children_.size());
    if (keepSorted_) {
        // After the last sibling whose Name is not greater, so equal names keep
        // their order of insertion.
        auto at =
            std::upper_bound(parent->children_.begin(), parent->children_.end(), node->name_,
                             [](const std::string& name, const std::unique_ptr<ObjectNode>& c) {
                                 return name < c->name_;
                             });
        pos = static_cast<std::size_t>(at - parent->children_.begin());
    }
    ObjectNode* raw = node.get();
    raw->parent_ = parent;
    parent->children_.insert(parent->children_.begin() + static_cast<std::ptrdiff_t>(pos),
                             std::move(node));
    RenumberChildren(parent, pos);
    NodeStructureChanged();
    return raw;
}

void TreeDesign::DeleteNode(ObjectNode* node) {
    std::unique_ptr<ObjectNode> owned = DetachNode(node);
    std::vector<std::unique_ptr<ObjectNode>> pending;
    if (owned)
        pending.push_back(std::move(owned));
    while (!pending.empty()) {
        std::unique_ptr<ObjectNode> n = std::move(pending.back());
        pending.pop_back();
        for (auto& c : n->children_)
            pending.push_back(std::move(c));
    }
}

void TreeDesign::RenameNode(ObjectNode* node, std::string name) {
    node->name_ = std::move(name);
    NodeStructureChanged();
    if (keepSorted_ && node->parent_) {
        ObjectNode* parent = node->parent_;
        AttachNode(parent, DetachNode(node));
    }
}

void TreeDesign::SortAllChildren() {
    auto byName = [](const ObjectNode& a, const ObjectNode& b) { return a.name_ < b.name_; };
    WalkSubtree(root_.get(), [&](ObjectNode* n) {
        if (n->children_.size() > 1)
            SortChildren(n, byName);
        return true;
    });
}

void TreeDesign::SetClassIndex(ObjectNode* node, int classIndex) {
    node->class_ = classIndex;
    NodeStructureChanged();
}

void TreeDesign::SetPartitionMark(ObjectNode* node, int mark) {
    node->mark_ = mark;
    NodeStructureChanged();
}

void TreeDesign::SortChildren(
    ObjectNode* parent, const std::function<bool(const ObjectNode&, const ObjectNode&)>& less) {
    std::stable_sort(parent->children_.begin(), parent->children_.end(),
                     [&](const std::unique_ptr<ObjectNode>& a,
                         const std::unique_ptr<ObjectNode>& b) { return less(*a, *b); });
    RenumberChildren(parent, 0);
    NodeStructureChanged();
}

void TreeDesign::RenumberChildren(ObjectNode* parent, std::size_t from) {
    for (std::size_t i = from; i < parent->children_.size(); ++i)
        parent->children_[i]->indexInParent_ = i;
}

std::size_t TreeDesign::NodeCount() const {
    return const_cast<TreeDesign*>(this)->Index().nodeCount;
}

// ---------------------------------------------------------------- walks

bool TreeDesign::Walk(ObjectNode* start, const std::function<bool(ObjectNode*)>& visit,
                      bool childPartitionsOnly) {
    // Walks never nest; a walk started from inside another one gets a stack of
    // its own instead of disturbing the shared one.
    std::vector<ObjectNode*> local;
    bool nested = walking_;
    std::vector<ObjectNode*>& stack = nested ? local : traversalStack;
    stack.clear();
    walking_ = true;
    bool finished = true;
    ObjectNode* cur = start;
    for (;;) {
        if (cur) {
            if (!visit(cur)) {
                finished = false;
                break;
            }
            if (childPartitionsOnly && cur->IsPartitionRoot()) {
                cur = cur->NextSibling();
                continue;
            }
            stack.push_back(cur);
            cur = cur->FirstChild();
        } else {
            if (stack.empty())
                break;
            cur = stack.back()->NextSibling();
            stack.pop_back();
        }
    }
    stack.clear();
    walking_ = nested;
    return finished;
}

bool TreeDesign::WalkSubtree(ObjectNode* node, const std::function<bool(ObjectNode*)>& visit) {
    std::vector<ObjectNode*> stack{node};
    while (!stack.empty()) {
        ObjectNode* n = stack.back();
        stack.pop_back();
        if (!visit(n))
            return false;
        for (std::size_t i = n->children_.size(); i-- > 0;)
            stack.push_back(n->children_[i].get());
    }
    return true;
}

// ---------------------------------------------------------------- contexts

std::string TreeDesign::FullContext(const ObjectNode* node) const {
    std::string ctx;
    for (const ObjectNode* n = node; n; n = n->parent_) {
        ctx += n->name_;
        if (n->parent_)
            ctx.push_back('.');
    }
    if (node->parent_) {
        std::size_t cut = ctx.find(".[ROOT]");
        if (cut != std::string::npos)
            ctx.resize(cut);
    }
    return ctx;
}

std::string TreeDesign::RelativeContext(const ObjectNode* node, const ObjectNode* ancestor) const {
    std::string ctx;
    const ObjectNode* n = node;
    for (; n && n != ancestor; n = n->parent_) {
        ctx += n->name_;
        ctx.push_back('.');
    }
    if (ancestor)
        ctx += ancestor->name_;
    return ctx;
}

ObjectNode* TreeDesign::ParentPartition(const ObjectNode* node) const {
    for (ObjectNode* n = node->parent_; n; n = n->parent_)
        if (n->IsPartitionRoot())
            return n;
    return nullptr;
}

// ---------------------------------------------------------------- leaves

int TreeDesign::IndexOfLeaf(const LeafList& list, std::string_view name) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i > 0 && i % 2000 == 0)
            progress_->Pump();
        if (LeafName(list[i]) == name)
            return static_cast<int>(i);
    }
    return -1;
}

void TreeDesign::NoteClass(long long classIndex) {
    if (classPresence.Contains(static_cast<int>(classIndex)) && classIndex >= 0 &&
        classIndex < kClassSetSize)
        return;
    ++distinctClassCount;
    if (classIndex >= 0 && classIndex < kClassSetSize)
        classPresence.Add(static_cast<int>(classIndex));
}

void TreeDesign::AddSubordinateEntries(ObjectNode* start) {
    WalkSubtree(start, [&](ObjectNode* node) {
        progress_->Pump();
        if (node->children_.empty())
            return true;
        LeafList& list = node->EnsureLeaves();
        // Names already listed; a set keeps containers with many leaves linear.
        std::unordered_set<std::string_view> present;
        present.reserve(list.size() + node->children_.size());
        for (const std::string& e : list)
            present.insert(LeafName(e));
        std::vector<std::string> added;
        for (const auto& child : node->children_) {
            if (present.count(child->name_))
                continue;
            added.push_back(MakeLeafEntry(child->name_, child->class_));
            NoteClass(child->class_);
            present.insert(child->name_);
        }
        for (auto& e : added)
            list.push_back(std::move(e));
        return true;
    });
}

// ---------------------------------------------------------------- finds

ObjectNode* TreeDesign::FindPartitionOrServerNode(std::string_view text, bool partitionMode) {
    FindIndex& ix = Index();
    std::string key(text);
    if (!partitionMode) {
        auto it = ix.serverByName.find(key);
        return it == ix.serverByName.end() ? nullptr : it->second.node;
    }
    const FindIndex::Hit* best = nullptr;
    auto a = ix.partitionByContext.find(key);
    if (a != ix.partitionByContext.end())
        best = &a->second;
    auto b = ix.nonRootServerByName.find(key);
    if (b != ix.nonRootServerByName.end() && (!best || b->second.pos < best->pos))
        best = &b->second;
    return best ? best->node : nullptr;
}

ObjectNode* TreeDesign::FindNodeByContext(std::string_view context) {
    FindIndex& ix = Index();
    auto it = ix.byContext.find(std::string(context));
    return it == ix.byContext.end() ? nullptr : it->second.node;
}

ObjectNode* TreeDesign::FindNodeByNameOrContext(std::string_view text, bool contextFlag) {
    FindIndex& ix = Index();
    std::string key(text);
    const FindIndex::Hit* best = nullptr;
    auto a = ix.byName.find(key);
    if (a != ix.byName.end())
        best = &a->second;
    if (contextFlag) {
        auto b = ix.byContext.find(key);
        if (b != ix.byContext.end() && (!best || b->second.pos < best->pos))
            best = &b->second;
    }
    return best ? best->node : nullptr;
}

// ---------------------------------------------------------------- sub-references

void TreeDesign::EnsureSubRefsForNode(ObjectNode* selected) {
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
        workList.clear();
        const ReplicaList& parentList = partitions.Entries(static_cast<std::size_t>(pi));
        for (const std::string& e : parentList) {
            if (!IsReadable(e))
                continue;
            std::string_view s = EntryName(e);
            if (FindEntryByName(partitions.Entries(static_cast<std::size_t>(ci)), s) < 0)
                workList.emplace_back(s);
        }
        const std::string childRef = MakeReplicaEntry(childName, kSubRef);
        for (const std::string& s : workList) {
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
    workList.clear();
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
                        workList.push_back(std::move(ctx));
                }
                return true;
            },
            true);
    }
    const std::string serverRef = MakeReplicaEntry(server, kSubRef);
    for (const std::string& p : workList) {
        list.push_back(MakeReplicaEntry(p, kSubRef));
        if (ReplicaList* pl = partitions.EntriesOf(p))
            if (FindEntryExact(*pl, serverRef) < 0)
                pl->push_back(serverRef);
    }
}

void TreeDesign::EnsureAllSubRefs() {
    if (!flags.subRefsStale)
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
            workList.clear();
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
                        workList.emplace_back(s);
                }
            }
            const std::string childRef = MakeReplicaEntry(cName, kSubRef);
            for (const std::string& s : workList) {
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
    flags.subRefsStale = false;
}

void TreeDesign::RemoveStaleSubRefs(ObjectNode* selected, std::string_view selectedReplica) {
    if (!selected)
        return;
    if (selected->class_ == kClassServer && !selected->IsPartitionRoot()) {
        int si = servers.FindLast(selected->name_);
        if (si < 0)
            return;
        const std::string server = selected->name_;
        workList.clear();
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
                    workList.push_back(e);
            }
        }
        for (const std::string& e : workList) {
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

// ---------------------------------------------------------------- depths

int TreeDesign::ServerMinDepth(const ReplicaList& list) {
    int depth = 255;
    for (const std::string& e : list) {
        if (IsReadable(e)) {
            if (ObjectNode* n = FindNodeByNameOrContext(EntryName(e), true))
                depth = std::min(depth, n->Level());
            if (depth == 0)
                break;
        }
        progress_->Pump();
        if (flags.abortRequested)
            break;
    }
    return depth;
}

int TreeDesign::ServerMinLevel(std::string_view serverName) {
    const ReplicaList* list = servers.EntriesOf(serverName);
    if (!list || list->empty())
        return -1;
    int best = -1;
    for (const std::string& e : *list) {
        ObjectNode* n = FindNodeByNameOrContext(EntryName(e), true);
        if (n && (best < 0 || n->Level() < best))
            best = n->Level();
    }
    return best;
}

bool TreeDesign::ComputeServerDepths() {
    const std::size_t count = servers.Size();
    progress_->Show(ProgressChannel::Label1, "  Total Servers: " + std::to_string(count));
    if (count == 1)
        return true;
    if (serverDepthTable.size() < std::max(count, kServerDepthTableMin))
        serverDepthTable.resize(std::max(count, kServerDepthTableMin), 255);
    for (std::size_t i = 0; i < count; ++i) {
        progress_->Pump();
        if (flags.abortRequested)
            return false;
        progress_->Show(ProgressChannel::Label2, "  Current Server: " + servers.Name(i));
        serverDepthTable[i] = static_cast<std::uint8_t>(ServerMinDepth(servers.Entries(i)));
        progress_->Show(ProgressChannel::Label3,
                        "  Remaining Servers: " + std::to_string(count - 1 - i));
    }
    return true;
}

int TreeDesign::ServerDepth(std::size_t i) const {
    return i < serverDepthTable.size() ? serverDepthTable[i] : 255;
}

// ---------------------------------------------------------------- flags

void TreeDesign::MarkReportsStale(bool value) {
    flags.reportStale.fill(value);
    flags.gridUnsorted.fill(value);
}

void TreeDesign::MarkChanged() {
    flags.modified = true;
    flags.subRefsStale = true;
    flags.gridStale.fill(true);
    MarkReportsStale(true);
}

void TreeDesign::MarkAllStale() {
    flags.gridStale.fill(true);
    flags.reportStale.fill(true);
    flags.gridUnsorted.fill(true);
    flags.subRefsStale = true;
}

// ---------------------------------------------------------------- FreeAll

void TreeDesign::FreeAll(const std::function<void()>& save) {
    if (flags.modified && ui_->AskYesNo(designFileName + " has changed.. Save?") && save)
        save();
    view_->SetWindowsEnabled(false);
    for (std::size_t i = 0; i < partitions.Size(); ++i) {
        progress_->Pump();
        progress_->Show(ProgressChannel::AllPanels, "Processing Partition: " + partitions.Name(i));
        partitions.Entries(i).clear();
    }
    partitions.Clear();
    for (std::size_t i = 0; i < servers.Size(); ++i) {
        progress_->Show(ProgressChannel::AllPanels, "Processing server: " + servers.Name(i));
        servers.Entries(i).clear();
        if (i < attributes.Size())
            attributes.Entries(i).clear();
    }
    servers.Clear();
    attributes.Clear();
    DrainTraversalStack();
    WalkSubtree(root_.get(), [&](ObjectNode* n) {
        progress_->Show(ProgressChannel::AllPanels, "Processing: " + n->name_);
        n->leaves.reset();
        return true;
    });
    ClearTree();
    view_->SetWindowsEnabled(true);
    workList.clear();
}

} // namespace qv
