#include "core/tree_design.h"

#include "core/design_change.h"

#include <algorithm>
#include <unordered_set>

namespace qv {

// ---------------------------------------------------------------- find index

// Answers the whole-tree finds as the first match in walk order would. Each
// key holds every node it names; the first in walk order is chosen when a
// find asks, so reordering children never touches the index and structural
// changes update only the keys of the nodes they change.
struct TreeDesign::FindIndex {
    std::uint64_t version = 0;
    struct Hits {
        ObjectNode* one = nullptr;
        std::vector<ObjectNode*> more; // only for a key that names several nodes
    };
    using Map = std::unordered_map<std::string, Hits>;
    Map byContext;
    Map byName;
    Map serverByName;        // any node of class 3
    Map partitionByContext;  // partition roots
    Map nonRootServerByName; // class 3, not a partition root
    std::size_t nodeCount = 0;

    static void Add(Map& map, const std::string& key, ObjectNode* node) {
        Hits& h = map[key];
        if (!h.one)
            h.one = node;
        else
            h.more.push_back(node);
    }
    static void Remove(Map& map, const std::string& key, ObjectNode* node) {
        auto it = map.find(key);
        if (it == map.end())
            return;
        Hits& h = it->second;
        if (h.one == node) {
            if (h.more.empty()) {
                map.erase(it);
                return;
            }
            h.one = h.more.back();
            h.more.pop_back();
        } else {
            h.more.erase(std::remove(h.more.begin(), h.more.end(), node), h.more.end());
        }
    }
    // The node of the key that comes first in walk order, or nullptr.
    static ObjectNode* First(const Map& map, const std::string& key) {
        auto it = map.find(key);
        if (it == map.end())
            return nullptr;
        ObjectNode* best = it->second.one;
        for (ObjectNode* n : it->second.more)
            if (WalkBefore(n, best))
                best = n;
        return best;
    }
    // The keys of one node ("uncut" is its context with ".[ROOT]" kept) go in
    // or out of every map.
    void Note(ObjectNode* node, const std::string& uncut, bool add) {
        std::string ctx = uncut;
        if (node->parent_) {
            std::size_t cut = ctx.find(".[ROOT]");
            if (cut != std::string::npos)
                ctx.resize(cut);
        }
        auto apply = [&](Map& map, const std::string& key) {
            add ? Add(map, key, node) : Remove(map, key, node);
        };
        apply(byContext, ctx);
        apply(byName, node->name_);
        if (node->class_ == kClassServer) {
            apply(serverByName, node->name_);
            if (!node->IsPartitionRoot())
                apply(nonRootServerByName, node->name_);
        }
        if (node->IsPartitionRoot())
            apply(partitionByContext, ctx);
        if (add)
            ++nodeCount;
        else
            --nodeCount;
    }
    // Notes the node and everything below it; parentUncut is the parent's
    // uncut context (empty for the root).
    void NoteSubtree(ObjectNode* top, const std::string& parentUncut, bool add) {
        std::vector<std::pair<ObjectNode*, std::string>> stack;
        stack.emplace_back(top, parentUncut);
        while (!stack.empty()) {
            auto [node, up] = std::move(stack.back());
            stack.pop_back();
            std::string uncut = node->name_;
            if (node->parent_ || !up.empty()) {
                uncut.push_back('.');
                uncut += up;
            }
            Note(node, uncut, add);
            for (std::size_t i = node->children_.size(); i-- > 0;)
                stack.emplace_back(node->children_[i].get(), uncut);
        }
    }
    // True when a comes before b in the walk (pre-order, children in order).
    static bool WalkBefore(const ObjectNode* a, const ObjectNode* b) {
        if (a == b)
            return false;
        std::vector<const ObjectNode*> pa, pb;
        for (const ObjectNode* n = a; n; n = n->parent_)
            pa.push_back(n);
        for (const ObjectNode* n = b; n; n = n->parent_)
            pb.push_back(n);
        // From the root down to where the paths part.
        std::size_t i = pa.size(), j = pb.size();
        while (i > 0 && j > 0 && pa[i - 1] == pb[j - 1]) {
            --i;
            --j;
        }
        if (i == 0)
            return true; // a is an ancestor of b
        if (j == 0)
            return false;
        return pa[i - 1]->indexInParent_ < pb[j - 1]->indexInParent_;
    }
};

std::string TreeDesign::UncutContext(const ObjectNode* node) const {
    std::string uncut;
    for (const ObjectNode* n = node; n; n = n->parent_) {
        if (!uncut.empty() || n != node)
            uncut.push_back('.');
        uncut += n->name_;
    }
    return uncut;
}

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
    ix.nodeCount = 0;
    ix.NoteSubtree(root_.get(), std::string(), true);
    ix.version = treeVersion_;
    return ix;
}

TreeDesign::FindIndex* TreeDesign::LiveIndex() {
    return index_ && index_->version == treeVersion_ ? index_.get() : nullptr;
}

void TreeDesign::IndexSubtree(FindIndex* ix, ObjectNode* node, bool add) {
    if (ix)
        ix->NoteSubtree(node, node->parent_ ? UncutContext(node->parent_) : std::string(), add);
}

void TreeDesign::IndexNode(FindIndex* ix, ObjectNode* node, bool add) {
    if (ix)
        ix->Note(node, UncutContext(node), add);
}

void TreeDesign::StructureChangedKeeping(FindIndex* ix) {
    NodeStructureChanged();
    if (ix)
        ix->version = treeVersion_;
}

// ---------------------------------------------------------------- TreeDesign

// Frees a subtree without recursion, so that deep trees cannot exhaust the stack.
void TreeDesign::FreeSubtree(std::unique_ptr<ObjectNode> top) {
    std::vector<std::unique_ptr<ObjectNode>> pending;
    if (top)
        pending.push_back(std::move(top));
    while (!pending.empty()) {
        std::unique_ptr<ObjectNode> n = std::move(pending.back());
        pending.pop_back();
        for (auto& c : n->children_)
            pending.push_back(std::move(c));
    }
}

TreeDesign::TreeDesign()
    : progress_(&TheNullProgress()), ui_(&TheNullInteraction()), view_(&TheNullView()) {
    flags_.reportStale.fill(true);
    flags_.gridStale.fill(true);
    flags_.gridUnsorted.fill(true);
    serverDepthTable.assign(kServerDepthTableMin, 255);
    classPresence.Add(0);
    partitions.AttachRecorder(&recorder_, 0);
    servers.AttachRecorder(&recorder_, 1);
    attributes.AttachRecorder(&recorder_, 2);
    ResetToInitialTree();
}

TreeDesign::~TreeDesign() {
    history_.Clear(*this);
    FreeSubtree(std::move(root_));
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
    root_->leaves_.reset();
    ObjectNode* org = AddChild(root_.get(), "ORGANIZATION", kClassOrganization);
    AddChild(org, "SERVER", kClassServer);
    NodeStructureChanged();
}

void TreeDesign::ClearTree() {
    // The design is replaced: its history goes with it.
    if (!history_.Recording())
        history_.Clear(*this);
    // Detach children iteratively so that a very deep tree frees without recursion.
    std::vector<std::unique_ptr<ObjectNode>> pending;
    for (auto& c : root_->children_)
        pending.push_back(std::move(c));
    root_->children_.clear();
    root_->leaves_.reset();
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
    FindIndex* ix = LiveIndex();
    IndexSubtree(ix, node, false);
    std::size_t i = node->indexInParent_;
    std::unique_ptr<ObjectNode> owned = std::move(parent->children_[i]);
    parent->children_.erase(parent->children_.begin() + static_cast<std::ptrdiff_t>(i));
    RenumberChildren(parent, i);
    owned->parent_ = nullptr;
    owned->indexInParent_ = 0;
    StructureChangedKeeping(ix);
    RecordDetached(owned.get(), parent, i);
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
    FindIndex* ix = LiveIndex();
    ObjectNode* raw = node.get();
    raw->parent_ = parent;
    parent->children_.insert(parent->children_.begin() + static_cast<std::ptrdiff_t>(pos),
                             std::move(node));
    RenumberChildren(parent, pos);
    IndexSubtree(ix, raw, true);
    StructureChangedKeeping(ix);
    RecordAttached(raw);
    return raw;
}

void TreeDesign::DeleteNode(ObjectNode* node) {
    Dispose(DetachNode(node));
}

void TreeDesign::RenameNode(ObjectNode* node, std::string name) {
    RecordRenamed(node, node->name_);
    FindIndex* ix = LiveIndex();
    IndexSubtree(ix, node, false);
    node->name_ = std::move(name);
    IndexSubtree(ix, node, true);
    StructureChangedKeeping(ix);
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
    RecordReclassed(node, node->class_);
    FindIndex* ix = LiveIndex();
    IndexNode(ix, node, false);
    node->class_ = classIndex;
    IndexNode(ix, node, true);
    StructureChangedKeeping(ix);
}

void TreeDesign::SetPartitionMark(ObjectNode* node, int mark) {
    RecordRemarked(node, node->mark_);
    FindIndex* ix = LiveIndex();
    IndexNode(ix, node, false);
    node->mark_ = mark;
    IndexNode(ix, node, true);
    StructureChangedKeeping(ix);
}

void TreeDesign::SortChildren(
    ObjectNode* parent, const std::function<bool(const ObjectNode&, const ObjectNode&)>& less) {
    RecordOrder(parent);
    // The order of children changes no key of the find index.
    FindIndex* ix = LiveIndex();
    std::stable_sort(parent->children_.begin(), parent->children_.end(),
                     [&](const std::unique_ptr<ObjectNode>& a,
                         const std::unique_ptr<ObjectNode>& b) { return less(*a, *b); });
    RenumberChildren(parent, 0);
    StructureChangedKeeping(ix);
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
    std::vector<ObjectNode*>& stack = nested ? local : traversalStack_;
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
        LeafList& list = MutableLeafList(node);
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
            AppendLeaf(node, std::move(e));
        return true;
    });
}

// ---------------------------------------------------------------- finds

ObjectNode* TreeDesign::FindPartitionOrServerNode(std::string_view text, bool partitionMode) {
    FindIndex& ix = Index();
    std::string key(text);
    if (!partitionMode)
        return FindIndex::First(ix.serverByName, key);
    ObjectNode* a = FindIndex::First(ix.partitionByContext, key);
    ObjectNode* b = FindIndex::First(ix.nonRootServerByName, key);
    return b && (!a || FindIndex::WalkBefore(b, a)) ? b : a;
}

ObjectNode* TreeDesign::FindNodeByContext(std::string_view context) {
    return FindIndex::First(Index().byContext, std::string(context));
}

ObjectNode* TreeDesign::FindNodeByNameOrContext(std::string_view text, bool contextFlag) {
    FindIndex& ix = Index();
    std::string key(text);
    ObjectNode* a = FindIndex::First(ix.byName, key);
    if (!contextFlag)
        return a;
    ObjectNode* b = FindIndex::First(ix.byContext, key);
    return b && (!a || FindIndex::WalkBefore(b, a)) ? b : a;
}

// ---------------------------------------------------------------- flags

void TreeDesign::MarkReportsStale(bool value) {
    flags_.reportStale.fill(value);
    flags_.gridUnsorted.fill(value);
}

void TreeDesign::MarkChanged() {
    ApplyChangeFlags(*this, kTouchObjects);
}

void TreeDesign::MarkSaved() {
    flags_.modified = false;
    flags_.neverSaved = false;
}

void TreeDesign::MarkNew() {
    flags_.modified = false;
    flags_.neverSaved = true;
}

void TreeDesign::RestoreViewFlags(const DesignFlags& before) {
    flags_.modified = before.modified;
    flags_.subRefsStale = before.subRefsStale;
    flags_.reportStale = before.reportStale;
    flags_.gridStale = before.gridStale;
    flags_.gridUnsorted = before.gridUnsorted;
}

void TreeDesign::MarkAllCurrent() {
    flags_.gridStale.fill(false);
    flags_.reportStale.fill(false);
    flags_.gridUnsorted.fill(false);
    flags_.subRefsStale = false;
}

void TreeDesign::MarkAllStale() {
    flags_.gridStale.fill(true);
    flags_.reportStale.fill(true);
    flags_.gridUnsorted.fill(true);
    flags_.subRefsStale = true;
}

// ---------------------------------------------------------------- FreeAll

void TreeDesign::FreeAll(const std::function<void()>& save) {
    if (flags_.modified && ui_->AskYesNo(designFileName + " has changed.. Save?") && save)
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
        n->leaves_.reset();
        return true;
    });
    ClearTree();
    view_->SetWindowsEnabled(true);
    workList_.clear();
}

} // namespace qv
