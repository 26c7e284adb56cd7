#include "core/tree_design.h"

#include "core/design_change.h"

#include <algorithm>
#include <unordered_set>

namespace qv {

namespace {

const char* const kCorrupted = "This QVD file is corrupted.";

} // namespace

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
    flags.reportStale.fill(true);
    flags.gridStale.fill(true);
    flags.gridUnsorted.fill(true);
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
    root_->leaves.reset();
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
    ObjectNode* raw = node.get();
    raw->parent_ = parent;
    parent->children_.insert(parent->children_.begin() + static_cast<std::ptrdiff_t>(pos),
                             std::move(node));
    RenumberChildren(parent, pos);
    NodeStructureChanged();
    RecordAttached(raw);
    return raw;
}

void TreeDesign::DeleteNode(ObjectNode* node) {
    Dispose(DetachNode(node));
}

void TreeDesign::RenameNode(ObjectNode* node, std::string name) {
    RecordRenamed(node, node->name_);
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
    RecordReclassed(node, node->class_);
    node->class_ = classIndex;
    NodeStructureChanged();
}

void TreeDesign::SetPartitionMark(ObjectNode* node, int mark) {
    RecordRemarked(node, node->mark_);
    node->mark_ = mark;
    NodeStructureChanged();
}

void TreeDesign::SortChildren(
    ObjectNode* parent, const std::function<bool(const ObjectNode&, const ObjectNode&)>& less) {
    RecordOrder(parent);
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
        LeafList& list = EnsureLeafList(node);
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

// ---------------------------------------------------------------- flags

void TreeDesign::MarkReportsStale(bool value) {
    flags.reportStale.fill(value);
    flags.gridUnsorted.fill(value);
}

void TreeDesign::MarkChanged() {
    ApplyChangeFlags(*this, kTouchObjects);
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
    workList_.clear();
}

} // namespace qv
