#include "files/import_support.h"

#include <algorithm>
#include <functional>

namespace qv {

// ---------------------------------------------------------------- LineSource

LineSource::LineSource(std::string_view text) : text_(text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r'))
        --end;
    contentEnd_ = end;
}

bool LineSource::Next(std::string_view& line) {
    if (pos_ >= text_.size())
        return false;
    std::size_t start = pos_;
    std::size_t end = start;
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r')
        ++end;
    line = text_.substr(start, end - start);
    pos_ = end;
    if (pos_ < text_.size()) {
        if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n')
            pos_ += 2;
        else
            pos_ += 1;
    }
    return true;
}

// ---------------------------------------------------------------- helpers

std::string TooLongMessage(std::string_view text) {
    if (text.size() <= kMaxStoredText)
        return "The name \"" + std::string(text) +
               "\" cannot be stored: its leaf entry (the name, two marks and the class number) "
               "would be longer than 255 characters.";
    return "The name \"" + std::string(text) + "\" is longer than 255 characters.";
}

std::optional<std::string> ControlCharacterMessage(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            std::string shown;
            for (char d : text) {
                auto u = static_cast<unsigned char>(d);
                if (u < 0x20 || u == 0x7F) {
                    shown += "\\x";
                    shown.push_back(kHex[u >> 4]);
                    shown.push_back(kHex[u & 0xF]);
                } else {
                    shown.push_back(d);
                }
            }
            return "The name \"" + shown + "\" contains a control character.";
        }
    }
    return std::nullopt;
}

std::size_t AppendServer(TreeDesign& design, std::string name, ReplicaList replicas,
                         std::string versionText, ReplicaList addresses) {
    while (design.attributes.Size() < design.servers.Size())
        design.attributes.Append("DS VERSION:0", {"IPX:00000000"});
    std::size_t at = design.servers.Append(std::move(name), std::move(replicas));
    design.attributes.Insert(at, std::move(versionText), std::move(addresses));
    return at;
}

// ---------------------------------------------------------------- ImportChanges

// The names of one LeafList by hash, kept in step with appends to the list.
struct ImportChanges::LeafIndex {
    std::unordered_multimap<std::size_t, std::uint32_t> byHash;
    std::size_t indexed = 0;
};

struct ImportChanges::Saved {
    ItemTable partitions;
    ItemTable servers;
    ItemTable attributes;
    DesignFlags flags;
    ClassSet classPresence;
    std::int32_t distinctClassCount;
};

ImportChanges::ImportChanges(TreeDesign& design, bool undo) : design_(design), undo_(undo) {
    if (!undo_)
        return;
    saved_ = std::make_unique<Saved>(Saved{design.partitions, design.servers, design.attributes,
                                           design.Flags(), design.classPresence,
                                           design.distinctClassCount});
}

ImportChanges::~ImportChanges() = default;

ImportChanges::ChildIndex& ImportChanges::Children(ObjectNode* parent) {
    ChildIndex& ix = children_[parent];
    if (ix.count != parent->ChildCount()) {
        ix.byName.clear();
        ix.byName.reserve(parent->ChildCount());
        for (std::size_t i = 0; i < parent->ChildCount(); ++i)
            ix.byName.try_emplace(parent->Child(i)->Name(), parent->Child(i));
        ix.count = parent->ChildCount();
    }
    return ix;
}

ObjectNode* ImportChanges::FindChild(ObjectNode* parent, std::string_view name) {
    ChildIndex& ix = Children(parent);
    auto it = ix.byName.find(std::string(name));
    return it == ix.byName.end() ? nullptr : it->second;
}

ObjectNode* ImportChanges::AddChild(ObjectNode* parent, std::string name, int classIndex,
                                    int mark) {
    ChildIndex& ix = Children(parent);
    ObjectNode* node = design_.AddChild(parent, name, classIndex, mark);
    ix.byName.try_emplace(std::move(name), node);
    ix.count = parent->ChildCount();
    if (undo_) {
        created_.insert(node);
        createdOrder_.push_back(node);
    }
    return node;
}

ObjectNode* ImportChanges::InsertFirstChild(ObjectNode* parent, std::string name, int classIndex,
                                            int mark) {
    ChildIndex& ix = Children(parent);
    ObjectNode* node = design_.InsertChild(parent, 0, name, classIndex, mark);
    // The new node comes first: it is now the first child of its name.
    ix.byName[std::move(name)] = node;
    ix.count = parent->ChildCount();
    if (undo_) {
        created_.insert(node);
        createdOrder_.push_back(node);
    }
    return node;
}

void ImportChanges::RenameNode(ObjectNode* node, std::string name) {
    // Only nodes this import made are renamed (a server the report names
    // twice); the rollback deletes them, so no old name is kept.
    design_.RenameNode(node, std::move(name));
    if (ObjectNode* parent = node->Parent())
        children_.erase(parent); // rebuilt when next needed
}

void ImportChanges::SetPartitionMark(ObjectNode* node, int mark) {
    if (node->PartitionMark() == mark)
        return;
    if (undo_ && !Created(node))
        marks_.emplace_back(node, node->PartitionMark());
    design_.SetPartitionMark(node, mark);
}

void ImportChanges::NoteLeafChange(ObjectNode* node) {
    if (!undo_ || Created(node) || !leafTouched_.insert(node).second)
        return;
    leafStates_.push_back(
        {node, node->Leaves() != nullptr, node->Leaves() ? node->Leaves()->size() : 0});
}

ImportChanges::LeafIndex& ImportChanges::Leaves(ObjectNode* node) {
    std::unique_ptr<LeafIndex>& slot = leaves_[node];
    if (!slot)
        slot = std::make_unique<LeafIndex>();
    LeafIndex& ix = *slot;
    const LeafList* list = node->Leaves();
    std::size_t size = list ? list->size() : 0;
    if (ix.indexed > size) { // the list was replaced or cut: index it again
        ix.byHash.clear();
        ix.indexed = 0;
    }
    std::hash<std::string_view> hash;
    for (; ix.indexed < size; ++ix.indexed)
        ix.byHash.emplace(hash(LeafName((*list)[ix.indexed])),
                          static_cast<std::uint32_t>(ix.indexed));
    return ix;
}

int ImportChanges::FindLeaf(ObjectNode* node, std::string_view name) {
    if (!node->Leaves())
        return -1;
    LeafIndex& ix = Leaves(node);
    auto [b, e] = ix.byHash.equal_range(std::hash<std::string_view>()(name));
    long long best = -1;
    for (auto it = b; it != e; ++it) {
        std::uint32_t i = it->second;
        if ((best < 0 || i < best) && LeafName((*node->Leaves())[i]) == name)
            best = i;
    }
    return static_cast<int>(best);
}

const LeafList& ImportChanges::EnsureLeaves(ObjectNode* node) {
    if (!node->Leaves())
        NoteLeafChange(node);
    return design_.EnsureLeafList(node);
}

void ImportChanges::AppendLeaf(ObjectNode* node, std::string entry) {
    NoteLeafChange(node);
    design_.AppendLeaf(node, std::move(entry));
}

void ImportChanges::Rollback() {
    if (!undo_)
        return;
    children_.clear();
    leaves_.clear();
    for (auto it = leafStates_.rbegin(); it != leafStates_.rend(); ++it) {
        const LeafList* list = it->node->Leaves();
        if (!list)
            continue;
        design_.DropLastLeaves(it->node, list->size() - std::min(list->size(), it->size),
                               !it->hadList);
    }
    for (auto it = marks_.rbegin(); it != marks_.rend(); ++it)
        design_.SetPartitionMark(it->first, it->second);
    // Later nodes first: a node made under another new node goes before it.
    for (auto it = createdOrder_.rbegin(); it != createdOrder_.rend(); ++it)
        design_.DeleteNode(*it);
    design_.partitions = std::move(saved_->partitions);
    design_.servers = std::move(saved_->servers);
    design_.attributes = std::move(saved_->attributes);
    design_.RestoreViewFlags(saved_->flags);
    design_.classPresence = saved_->classPresence;
    design_.distinctClassCount = saved_->distinctClassCount;
    leafStates_.clear();
    leafTouched_.clear();
    marks_.clear();
    created_.clear();
    createdOrder_.clear();
    undo_ = false;
}

} // namespace qv
