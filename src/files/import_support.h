// Pieces shared by the readers that fill a design from a file: the line
// source over a text file, the storable-length check, and ImportChanges, which
// makes the tree edits of an import with constant-time child and leaf lookups
// and can take every change back when an import into an open design fails.
#pragma once

#include "core/tree_design.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qv {

// Splits a text into physical lines. "\r\n", "\n" and a lone "\r" each end a
// line; the terminator is not part of the line.
class LineSource {
public:
    explicit LineSource(std::string_view text);
    // The next line; false when the text is used up.
    bool Next(std::string_view& line);
    // True when nothing but empty lines is left.
    bool OnlyEmptyLinesLeft() const { return pos_ >= contentEnd_; }
    // True when no line is left at all (not even an empty one).
    bool AtEnd() const { return pos_ >= text_.size(); }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t contentEnd_ = 0; // one past the last character that is not a line break
};

// True when the text fits into a design file (255 bytes at most).
inline bool Storable(std::string_view text) {
    return text.size() <= kMaxStoredText;
}
// The failure text for a name or entry that a design file could not hold (a
// name of at most 255 bytes: its leaf entry would be longer).
std::string TooLongMessage(std::string_view text);
// The failure text for a name with a control character (0x00 to 0x1F, 0x7F),
// each shown as \xNN; nothing when there is none.
std::optional<std::string> ControlCharacterMessage(std::string_view text);

// Appends a server to the ServerTable with its ServerAttributes item at the
// same index (the attribute list is padded first when it is short).
std::size_t AppendServer(TreeDesign& design, std::string name, ReplicaList replicas,
                         std::string versionText, ReplicaList addresses);

// The tree edits of one import. With undo on, the tables and flags are copied
// when it is made and every tree change is recorded, so that Rollback() puts
// the design back as it was. Node pointers of the design stay valid through a
// rollback except for the nodes the import created.
class ImportChanges {
public:
    ImportChanges(TreeDesign& design, bool undo);
    ~ImportChanges();
    ImportChanges(const ImportChanges&) = delete;
    ImportChanges& operator=(const ImportChanges&) = delete;

    // The first child of parent with that name, or nullptr.
    ObjectNode* FindChild(ObjectNode* parent, std::string_view name);
    ObjectNode* AddChild(ObjectNode* parent, std::string name, int classIndex,
                         int mark = kNoPartitionMark);
    ObjectNode* InsertFirstChild(ObjectNode* parent, std::string name, int classIndex,
                                 int mark = kNoPartitionMark);
    // Renames a node this import made (its rollback deletes it).
    void RenameNode(ObjectNode* node, std::string name);
    void SetPartitionMark(ObjectNode* node, int mark);

    // Index of the first entry of the node's LeafList with that LeafName, or -1.
    int FindLeaf(ObjectNode* node, std::string_view name);
    // Gives the node a LeafList if it has none.
    const LeafList& EnsureLeaves(ObjectNode* node);
    void AppendLeaf(ObjectNode* node, std::string entry);

    // Puts the design back as it was when this object was made (undo only).
    void Rollback();

private:
    struct LeafIndex;
    struct ChildIndex {
        std::unordered_map<std::string, ObjectNode*> byName; // first child of each name
        std::size_t count = 0;                               // children indexed
    };
    ChildIndex& Children(ObjectNode* parent);
    LeafIndex& Leaves(ObjectNode* node);
    void NoteLeafChange(ObjectNode* node);
    bool Created(ObjectNode* node) const { return created_.count(node) != 0; }

    TreeDesign& design_;
    bool undo_;
    std::unordered_map<ObjectNode*, ChildIndex> children_;
    std::unordered_map<ObjectNode*, std::unique_ptr<LeafIndex>> leaves_;

    // What undo needs.
    struct Saved;
    std::unique_ptr<Saved> saved_;
    std::unordered_set<ObjectNode*> created_;
    std::vector<ObjectNode*> createdOrder_;
    struct LeafState {
        ObjectNode* node;
        bool hadList;
        std::size_t size;
    };
    std::vector<LeafState> leafStates_;
    std::unordered_set<ObjectNode*> leafTouched_;
    std::vector<std::pair<ObjectNode*, int>> marks_;
};

} // namespace qv
