// The recording mutators of the design and the undo entries they record.
#include "core/tree_design.h"
#include "core/undo.h"

#include <algorithm>

namespace qv {

namespace {

std::size_t TextBytes(const std::vector<std::string>& lines) {
    std::size_t n = sizeof(lines);
    for (const std::string& s : lines)
        n += sizeof(std::string) + s.capacity();
    return n;
}

// ---- the tree's structure

struct Attached final : UndoEntry {
    ObjectNode* node;
    explicit Attached(ObjectNode* n) : node(n) {}
    void Revert(TreeDesign& d) override { d.Recorder().Keep(d.DetachNode(node)); }
    std::size_t Bytes() const override { return sizeof(*this); }
};

struct DetachedEntry final : UndoEntry {
    ObjectNode* node;
    ObjectNode* parent;
    std::size_t pos;
    DetachedEntry(ObjectNode* n, ObjectNode* p, std::size_t i) : node(n), parent(p), pos(i) {}
    void Revert(TreeDesign& d) override {
        if (std::unique_ptr<ObjectNode> owned = d.Recorder().Take(node))
            d.AttachNode(parent, std::move(owned), pos);
    }
    std::size_t Bytes() const override { return sizeof(*this); }
    const ObjectNode* Detached() const override { return node; }
};

struct Renamed final : UndoEntry {
    ObjectNode* node;
    std::string name;
    Renamed(ObjectNode* n, std::string old) : node(n), name(std::move(old)) {}
    void Revert(TreeDesign& d) override { d.RenameNode(node, std::move(name)); }
    std::size_t Bytes() const override { return sizeof(*this) + name.capacity(); }
};

struct Reclassed final : UndoEntry {
    ObjectNode* node;
    int value;
    Reclassed(ObjectNode* n, int v) : node(n), value(v) {}
    void Revert(TreeDesign& d) override { d.SetClassIndex(node, value); }
    std::size_t Bytes() const override { return sizeof(*this); }
};

struct Remarked final : UndoEntry {
    ObjectNode* node;
    int value;
    Remarked(ObjectNode* n, int v) : node(n), value(v) {}
    void Revert(TreeDesign& d) override { d.SetPartitionMark(node, value); }
    std::size_t Bytes() const override { return sizeof(*this); }
};

struct Reordered final : UndoEntry {
    ObjectNode* parent;
    std::vector<ObjectNode*> order;
    Reordered(ObjectNode* p, std::vector<ObjectNode*> o) : parent(p), order(std::move(o)) {}
    void Revert(TreeDesign& d) override { d.RestoreChildOrder(parent, order); }
    std::size_t Bytes() const override {
        return sizeof(*this) + order.capacity() * sizeof(ObjectNode*);
    }
};

// ---- leaf lists

// count entries appended at the end (the list made first when created).
struct LeavesAppended final : UndoEntry {
    ObjectNode* node;
    std::size_t count;
    bool created;
    LeavesAppended(ObjectNode* n, std::size_t c, bool made) : node(n), count(c), created(made) {}
    void Revert(TreeDesign& d) override { d.DropLastLeaves(node, count, created); }
    std::size_t Bytes() const override { return sizeof(*this); }
};

struct LeavesDropped final : UndoEntry {
    ObjectNode* node;
    std::vector<std::string> entries;
    bool listDropped;
    LeavesDropped(ObjectNode* n, std::vector<std::string> e, bool dropped)
        : node(n), entries(std::move(e)), listDropped(dropped) {}
    void Revert(TreeDesign& d) override {
        if (listDropped)
            d.EnsureLeafList(node);
        for (std::string& e : entries)
            d.AppendLeaf(node, std::move(e));
    }
    std::size_t Bytes() const override { return sizeof(*this) + TextBytes(entries); }
};

struct LeafSet final : UndoEntry {
    ObjectNode* node;
    std::size_t index;
    std::string entry;
    LeafSet(ObjectNode* n, std::size_t i, std::string e) : node(n), index(i), entry(std::move(e)) {}
    void Revert(TreeDesign& d) override { d.SetLeafAt(node, index, std::move(entry)); }
    std::size_t Bytes() const override { return sizeof(*this) + entry.capacity(); }
};

// Entries taken out at their (ascending) positions in the list as it was.
struct LeavesRemoved final : UndoEntry {
    ObjectNode* node;
    std::vector<std::pair<std::size_t, std::string>> removed;
    LeavesRemoved(ObjectNode* n, std::vector<std::pair<std::size_t, std::string>> r)
        : node(n), removed(std::move(r)) {}
    void Revert(TreeDesign& d) override { d.InsertLeavesAt(node, std::move(removed)); }
    std::size_t Bytes() const override {
        std::size_t n = sizeof(*this);
        for (const auto& [i, s] : removed)
            n += sizeof(i) + sizeof(s) + s.capacity();
        return n;
    }
};

struct LeavesInserted final : UndoEntry {
    ObjectNode* node;
    std::vector<std::size_t> indexes;
    LeavesInserted(ObjectNode* n, std::vector<std::size_t> i) : node(n), indexes(std::move(i)) {}
    void Revert(TreeDesign& d) override { d.RemoveLeavesAt(node, indexes); }
    std::size_t Bytes() const override {
        return sizeof(*this) + indexes.capacity() * sizeof(std::size_t);
    }
};

struct LeavesReplaced final : UndoEntry {
    ObjectNode* node;
    std::unique_ptr<LeafList> list;
    LeavesReplaced(ObjectNode* n, std::unique_ptr<LeafList> l) : node(n), list(std::move(l)) {}
    void Revert(TreeDesign& d) override { d.ReplaceLeaves(node, std::move(list)); }
    std::size_t Bytes() const override { return sizeof(*this) + (list ? TextBytes(*list) : 0); }
};

// ---- the operation log and the class statistics

struct LogAppended final : UndoEntry {
    std::size_t count;
    explicit LogAppended(std::size_t c) : count(c) {}
    void Revert(TreeDesign& d) override;
    std::size_t Bytes() const override { return sizeof(*this); }
};

struct LogRemoved final : UndoEntry {
    std::vector<std::string> lines;
    explicit LogRemoved(std::vector<std::string> l) : lines(std::move(l)) {}
    void Revert(TreeDesign& d) override {
        d.log.AppendLines(lines);
        d.Recorder().Add(std::make_unique<LogAppended>(lines.size()));
    }
    std::size_t Bytes() const override { return sizeof(*this) + TextBytes(lines); }
};

void LogAppended::Revert(TreeDesign& d) {
    d.Recorder().Add(std::make_unique<LogRemoved>(d.log.RemoveLast(count)));
}

struct ClassStats final : UndoEntry {
    ClassSet presence;
    std::int32_t distinct;
    ClassStats(ClassSet p, std::int32_t n) : presence(p), distinct(n) {}
    void Revert(TreeDesign& d) override {
        d.Recorder().Add(std::make_unique<ClassStats>(d.classPresence, d.distinctClassCount));
        d.classPresence = presence;
        d.distinctClassCount = distinct;
    }
    std::size_t Bytes() const override { return sizeof(*this); }
};

} // namespace

// ---------------------------------------------------------------- recording hooks

void TreeDesign::RecordAttached(ObjectNode* node) {
    if (recorder_.Active())
        recorder_.Add(std::make_unique<Attached>(node));
}

void TreeDesign::RecordDetached(ObjectNode* node, ObjectNode* parent, std::size_t pos) {
    if (recorder_.Active())
        recorder_.Add(std::make_unique<DetachedEntry>(node, parent, pos));
}

void TreeDesign::RecordRenamed(ObjectNode* node, const std::string& old) {
    if (recorder_.Active())
        recorder_.Add(std::make_unique<Renamed>(node, old));
}

void TreeDesign::RecordReclassed(ObjectNode* node, int old) {
    if (recorder_.Active())
        recorder_.Add(std::make_unique<Reclassed>(node, old));
}

void TreeDesign::RecordRemarked(ObjectNode* node, int old) {
    if (recorder_.Active())
        recorder_.Add(std::make_unique<Remarked>(node, old));
}

void TreeDesign::RecordOrder(ObjectNode* parent) {
    if (!recorder_.Active())
        return;
    std::vector<ObjectNode*> order;
    order.reserve(parent->children_.size());
    for (const auto& c : parent->children_)
        order.push_back(c.get());
    recorder_.Add(std::make_unique<Reordered>(parent, std::move(order)));
}

void TreeDesign::RecordClassStats() {
    if (recorder_.Active())
        recorder_.Add(std::make_unique<ClassStats>(classPresence, distinctClassCount));
}

void TreeDesign::Dispose(std::unique_ptr<ObjectNode> node) {
    if (recorder_.Active())
        recorder_.Keep(std::move(node));
    else
        FreeSubtree(std::move(node));
}

bool TreeDesign::Contains(const ObjectNode* node) const {
    const ObjectNode* n = node;
    while (n && n->parent_)
        n = n->parent_;
    return n && n == root_.get();
}

void TreeDesign::RestoreChildOrder(ObjectNode* parent, const std::vector<ObjectNode*>& order) {
    if (order.size() != parent->children_.size())
        return;
    RecordOrder(parent);
    FindIndex* ix = LiveIndex();
    std::vector<std::unique_ptr<ObjectNode>> now = std::move(parent->children_);
    parent->children_.clear();
    for (ObjectNode* want : order)
        for (auto& c : now)
            if (c.get() == want) {
                parent->children_.push_back(std::move(c));
                break;
            }
    RenumberChildren(parent, 0);
    StructureChangedKeeping(ix);
}

// ---------------------------------------------------------------- leaf lists

LeafList& TreeDesign::MutableLeafList(ObjectNode* node) {
    if (!node->leaves_) {
        node->leaves_ = std::make_unique<LeafList>();
        if (recorder_.Active())
            recorder_.Add(std::make_unique<LeavesAppended>(node, 0, true));
    }
    return *node->leaves_;
}

const LeafList& TreeDesign::EnsureLeafList(ObjectNode* node) {
    return MutableLeafList(node);
}

void TreeDesign::AppendLeaf(ObjectNode* node, std::string entry) {
    LeafList& list = MutableLeafList(node);
    list.push_back(std::move(entry));
    if (!recorder_.Active())
        return;
    // Runs of appends to one list are one entry.
    if (auto* last = dynamic_cast<LeavesAppended*>(recorder_.Last()); last && last->node == node)
        ++last->count;
    else
        recorder_.Add(std::make_unique<LeavesAppended>(node, 1, false));
}

void TreeDesign::DropLastLeaves(ObjectNode* node, std::size_t count, bool dropList) {
    std::vector<std::string> tail;
    if (node->leaves_) {
        LeafList& list = *node->leaves_;
        count = std::min(count, list.size());
        tail.assign(std::make_move_iterator(list.end() - static_cast<std::ptrdiff_t>(count)),
                    std::make_move_iterator(list.end()));
        list.resize(list.size() - count);
        if (dropList)
            node->leaves_.reset();
    }
    if (recorder_.Active())
        recorder_.Add(std::make_unique<LeavesDropped>(node, std::move(tail), dropList));
}

void TreeDesign::SetLeafAt(ObjectNode* node, std::size_t i, std::string entry) {
    if (!node->leaves_ || i >= node->leaves_->size())
        return;
    std::string old = std::move((*node->leaves_)[i]);
    (*node->leaves_)[i] = std::move(entry);
    if (recorder_.Active())
        recorder_.Add(std::make_unique<LeafSet>(node, i, std::move(old)));
}

void TreeDesign::EraseLeafAt(ObjectNode* node, std::size_t i) {
    RemoveLeavesAt(node, {i});
}

void TreeDesign::RemoveLeavesAt(ObjectNode* node, const std::vector<std::size_t>& indexes) {
    if (!node->leaves_ || indexes.empty())
        return;
    LeafList& list = *node->leaves_;
    std::vector<std::pair<std::size_t, std::string>> removed;
    removed.reserve(indexes.size());
    LeafList kept;
    kept.reserve(list.size() - std::min(list.size(), indexes.size()));
    std::size_t k = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (k < indexes.size() && indexes[k] == i) {
            removed.emplace_back(i, std::move(list[i]));
            ++k;
        } else {
            kept.push_back(std::move(list[i]));
        }
    }
    list = std::move(kept);
    if (recorder_.Active())
        recorder_.Add(std::make_unique<LeavesRemoved>(node, std::move(removed)));
}

void TreeDesign::InsertLeavesAt(ObjectNode* node,
                                std::vector<std::pair<std::size_t, std::string>> entries) {
    LeafList& list = MutableLeafList(node);
    LeafList merged;
    merged.reserve(list.size() + entries.size());
    std::vector<std::size_t> indexes;
    indexes.reserve(entries.size());
    std::size_t from = 0;
    for (auto& [at, text] : entries) {
        while (merged.size() < at && from < list.size())
            merged.push_back(std::move(list[from++]));
        indexes.push_back(merged.size());
        merged.push_back(std::move(text));
    }
    while (from < list.size())
        merged.push_back(std::move(list[from++]));
    list = std::move(merged);
    if (recorder_.Active())
        recorder_.Add(std::make_unique<LeavesInserted>(node, std::move(indexes)));
}

void TreeDesign::ReplaceLeaves(ObjectNode* node, std::unique_ptr<LeafList> list) {
    std::unique_ptr<LeafList> old = std::move(node->leaves_);
    node->leaves_ = std::move(list);
    if (recorder_.Active())
        recorder_.Add(std::make_unique<LeavesReplaced>(node, std::move(old)));
}

void TreeDesign::AppendLogBlock(const std::vector<std::string>& lines) {
    const std::size_t before = log.Lines().size();
    log.AppendBlock(lines);
    const std::size_t added = log.Lines().size() - before;
    if (added > 0 && recorder_.Active())
        recorder_.Add(std::make_unique<LogAppended>(added));
}

} // namespace qv
