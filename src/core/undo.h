// Undo and redo. While an operation runs (inside its outermost DesignChange)
// the design records every change of its model as the smallest entry that
// takes it back: a node attached or detached, renamed, reclassed, re-marked or
// its children reordered, a splice of a leaf list, a table item before it
// changed, lines appended to the operation log. A committed operation becomes
// one step of the design's history.
//
// Reverting an entry makes the opposite change through the same recording
// mutators, so undoing a step records exactly the step that redoes it: each
// slot of the history holds the entries that cross it in the direction it
// will be crossed next.
#pragma once

#include "core/class_table.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qv {

class TreeDesign;
class ObjectNode;

struct UndoEntry {
    virtual ~UndoEntry() = default;
    // Makes the opposite change, recording it.
    virtual void Revert(TreeDesign& design) = 0;
    // Memory the entry keeps, roughly.
    virtual std::size_t Bytes() const = 0;
    // The node the entry would bring back from the detached nodes, if any.
    virtual const ObjectNode* Detached() const { return nullptr; }
};

struct UndoStep {
    std::string name;
    unsigned touched = 0;
    ObjectNode* selection = nullptr;
    std::vector<std::unique_ptr<UndoEntry>> entries;
    std::size_t bytes = 0;
};

class UndoHistory;

// Receives the changes of the model while a step is recorded.
class UndoRecorder {
public:
    bool Active() const { return step_ != nullptr; }
    void Add(std::unique_ptr<UndoEntry> entry);
    UndoEntry* Last() {
        return step_ && !step_->entries.empty() ? step_->entries.back().get() : nullptr;
    }

    // Keeps a node that the operation took out of the tree (and may bring
    // back) instead of freeing it.
    void Keep(std::unique_ptr<ObjectNode> node);
    std::unique_ptr<ObjectNode> Take(const ObjectNode* node);
    bool Holds(const ObjectNode* node) const { return kept_.count(node) != 0; }

    // A table item is saved once per step (until the table's order changes).
    bool ItemSaved(int table, std::size_t index) const;
    void NoteItemSaved(int table, std::size_t index);
    void TableReordered(int table);

private:
    friend class UndoHistory;
    UndoStep* step_ = nullptr;
    std::unordered_map<const ObjectNode*, std::unique_ptr<ObjectNode>> kept_;
    std::unordered_set<std::size_t> itemsSaved_[3];
};

class UndoHistory {
public:
    static constexpr std::size_t kMaxSteps = 200;

    bool CanUndo() const { return position_ > 0; }
    bool CanRedo() const { return position_ < steps_.size(); }
    const std::string& UndoName() const;
    const std::string& RedoName() const;
    std::size_t UndoCount() const { return position_; }
    std::size_t RedoCount() const { return steps_.size() - position_; }
    // Memory the steps keep, roughly.
    std::size_t Bytes() const;

    // Undoes or redoes one step; false when there is none. The tree page is
    // refreshed and the selection goes back to where the step started.
    bool Undo(TreeDesign& design);
    bool Redo(TreeDesign& design);
    // Where the last undone or redone step started (nullptr when that node
    // is no longer in the tree).
    ObjectNode* LastSelection() const { return lastSelection_; }

    // The design as it is now is the one on disk (after Open, New and Save).
    void MarkSaved() { saved_ = static_cast<std::ptrdiff_t>(position_); }
    void MarkUnsaved() { saved_ = -1; }
    // Forgets every step (the design was replaced).
    void Clear(TreeDesign& design);

    // Used by DesignChange: the outermost scope starts and ends the recording.
    void Begin(TreeDesign& design);
    void End(TreeDesign& design, bool committed, const std::string& name, unsigned touched);
    bool Recording() const { return depth_ > 0; }

    // The sub-reference upkeep that runs between operations (on selection,
    // before a report) belongs to the state the last step made: it is
    // recorded into that step, so that undoing the step takes it back too.
    class Upkeep {
    public:
        explicit Upkeep(TreeDesign& design);
        ~Upkeep();
        Upkeep(const Upkeep&) = delete;
        Upkeep& operator=(const Upkeep&) = delete;

    private:
        TreeDesign& design_;
        bool started_ = false;
    };

private:
    bool Cross(TreeDesign& design, bool undo);
    void Drop(TreeDesign& design, UndoStep& step);

    std::vector<UndoStep> steps_;
    int depth_ = 0;
    std::size_t position_ = 0;
    std::ptrdiff_t saved_ = 0;
    UndoStep current_;
    bool committed_ = false;
    ObjectNode* lastSelection_ = nullptr;
};

} // namespace qv
