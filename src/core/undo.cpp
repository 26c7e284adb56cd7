#include "core/undo.h"

#include "core/design_change.h"
#include "core/tree_design.h"

#include <algorithm>

namespace qv {

namespace {

const std::string kNothing;

} // namespace

// ---------------------------------------------------------------- recorder

void UndoRecorder::Add(std::unique_ptr<UndoEntry> entry) {
    if (!step_)
        return;
    step_->bytes += entry->Bytes();
    step_->entries.push_back(std::move(entry));
}

void UndoRecorder::Keep(std::unique_ptr<ObjectNode> node) {
    if (node) {
        const ObjectNode* key = node.get();
        kept_[key] = std::move(node);
    }
}

std::unique_ptr<ObjectNode> UndoRecorder::Take(const ObjectNode* node) {
    auto it = kept_.find(node);
    if (it == kept_.end())
        return nullptr;
    std::unique_ptr<ObjectNode> owned = std::move(it->second);
    kept_.erase(it);
    return owned;
}

bool UndoRecorder::ItemSaved(int table, std::size_t index) const {
    return itemsSaved_[table].count(index) != 0;
}

void UndoRecorder::NoteItemSaved(int table, std::size_t index) {
    itemsSaved_[table].insert(index);
}

void UndoRecorder::TableReordered(int table) {
    itemsSaved_[table].clear();
}

// ---------------------------------------------------------------- history

const std::string& UndoHistory::UndoName() const {
    return CanUndo() ? steps_[position_ - 1].name : kNothing;
}

const std::string& UndoHistory::RedoName() const {
    return CanRedo() ? steps_[position_].name : kNothing;
}

std::size_t UndoHistory::Bytes() const {
    std::size_t total = 0;
    for (const UndoStep& s : steps_)
        total += s.bytes;
    return total;
}

void UndoHistory::Begin(TreeDesign& design) {
    if (depth_++ > 0)
        return;
    UndoRecorder& rec = design.Recorder();
    current_ = UndoStep{};
    committed_ = false;
    current_.selection = design.view().SelectedNode();
    rec.step_ = &current_;
    for (auto& s : rec.itemsSaved_)
        s.clear();
    design.RecordClassStats();
}

void UndoHistory::End(TreeDesign& design, bool committed, const std::string& name,
                      unsigned touched) {
    if (depth_ == 0)
        return;
    // Scopes nest: the operation's outermost scope makes the step, named by
    // its own name, else by the first inner scope that has one.
    if (committed) {
        committed_ = true;
        current_.touched |= touched;
    }
    if (!name.empty() && (depth_ == 1 || current_.name.empty()))
        current_.name = name;
    if (--depth_ > 0)
        return;
    UndoRecorder& rec = design.Recorder();
    rec.step_ = nullptr;
    const bool stepCommitted = committed_;
    committed_ = false;
    // Only the class statistics entry: nothing changed.
    const bool changed = current_.entries.size() > 1 || current_.touched != 0;
    if (!stepCommitted || !changed) {
        // A refused operation; what it left (derived upkeep) stays as it is.
        Drop(design, current_);
        current_ = UndoStep{};
        return;
    }
    while (steps_.size() > position_) {
        Drop(design, steps_.back());
        steps_.pop_back();
    }
    if (saved_ > static_cast<std::ptrdiff_t>(position_))
        saved_ = -1;
    steps_.push_back(std::move(current_));
    current_ = UndoStep{};
    ++position_;
    if (steps_.size() > kMaxSteps) {
        Drop(design, steps_.front());
        steps_.erase(steps_.begin());
        --position_;
        saved_ = saved_ > 0 ? saved_ - 1 : -1;
    }
    // Modified follows the history: clear when back at the saved state.
    design.flags_.modified = saved_ != static_cast<std::ptrdiff_t>(position_);
    design.view().HistoryChanged();
}

void UndoHistory::Drop(TreeDesign& design, UndoStep& step) {
    // Nodes only this step could have brought back are freed.
    UndoRecorder& rec = design.Recorder();
    for (const auto& e : step.entries)
        if (const ObjectNode* n = e->Detached())
            if (rec.Holds(n))
                TreeDesign::FreeSubtree(rec.Take(n));
    step.entries.clear();
}

void UndoHistory::Clear(TreeDesign& design) {
    for (UndoStep& s : steps_)
        Drop(design, s);
    steps_.clear();
    lastSelection_ = nullptr;
    position_ = 0;
    saved_ = 0;
}

UndoHistory::Upkeep::Upkeep(TreeDesign& design) : design_(design) {
    UndoHistory& h = design.History();
    UndoRecorder& rec = design.Recorder();
    if (h.depth_ > 0 || h.position_ == 0 || rec.step_)
        return;
    rec.step_ = &h.steps_[h.position_ - 1];
    for (auto& s : rec.itemsSaved_)
        s.clear();
    started_ = true;
}

UndoHistory::Upkeep::~Upkeep() {
    if (started_)
        design_.Recorder().step_ = nullptr;
}

bool UndoHistory::Undo(TreeDesign& design) {
    return Cross(design, true);
}

bool UndoHistory::Redo(TreeDesign& design) {
    return Cross(design, false);
}

bool UndoHistory::Cross(TreeDesign& design, bool undo) {
    if (depth_ > 0 || (undo ? !CanUndo() : !CanRedo()))
        return false;
    UndoStep& slot = steps_[undo ? position_ - 1 : position_];
    UndoRecorder& rec = design.Recorder();
    UndoStep opposite;
    opposite.name = slot.name;
    opposite.touched = slot.touched;
    opposite.selection = slot.selection;
    rec.step_ = &opposite;
    for (auto& s : rec.itemsSaved_)
        s.clear();
    const bool sorted = design.KeepSorted();
    design.SetKeepSorted(false);
    ++depth_;
    for (auto it = slot.entries.rbegin(); it != slot.entries.rend(); ++it)
        (*it)->Revert(design);
    --depth_;
    design.SetKeepSorted(sorted);
    rec.step_ = nullptr;
    slot = std::move(opposite);
    position_ = undo ? position_ - 1 : position_ + 1;

    // Every view the step touched shows the design as it is now.
    ApplyChangeFlags(design, slot.touched | kTouchObjects);
    design.flags_.modified = saved_ != static_cast<std::ptrdiff_t>(position_);
    lastSelection_ = slot.selection && design.Contains(slot.selection) ? slot.selection : nullptr;
    design.view().RefreshTreePage();
    if (lastSelection_)
        design.view().SelectNode(lastSelection_);
    design.view().HistoryChanged();
    return true;
}

} // namespace qv
