#include "core/design_change.h"

#include "core/tree_design.h"

namespace qv {

std::vector<std::string> LogBlock::Lines() const {
    std::vector<std::string> out = lines_;
    if (closed_)
        out.emplace_back();
    return out;
}

DesignChange::DesignChange(TreeDesign& design, unsigned touched)
    : design_(design), touched_(touched) {
    design_.History().Begin(design_);
}

DesignChange::DesignChange(TreeDesign& design, std::string name, unsigned touched)
    : DesignChange(design, touched) {
    name_ = std::move(name);
}

DesignChange::~DesignChange() {
    // A design just loaded has no step to undo.
    const bool step = committed_ && !loading_;
    design_.History().End(design_, step, name_, step ? touched_ : 0);
}

void ApplyChangeFlags(TreeDesign& design, unsigned touched) {
    if (touched == 0)
        return;
    DesignFlags& f = design.flags_;
    f.modified = true;
    if (touched & (kTouchObjects | kTouchReplicas))
        f.subRefsStale = true;
    if (touched & kTouchObjects)
        f.gridStale.fill(true);
    if (touched & kTouchReplicas) {
        f.gridStale[kPartitionGrids] = true;
        f.gridStale[kObjectGrids] = true;
    }
    if (touched & kTouchAttributes)
        f.gridStale[kAddressGrid] = true;
    if (touched & (kTouchObjects | kTouchReplicas | kTouchAttributes))
        design.MarkReportsStale(true);
    if (touched & kTouchLeaves) {
        f.gridStale[kObjectGrids] = true;
        f.reportStale[kObjectReport] = true;
        f.reportStale[kObjectSuggestions] = true;
        f.gridUnsorted[kPartObjGrid] = true;
        f.gridUnsorted[kServObjGrid] = true;
        f.gridUnsorted[kContObjGrid] = true;
    }
}

void DesignChange::Commit() {
    if (committed_)
        return;
    committed_ = true;
    const bool wasModified = design_.flags_.modified;
    ApplyChangeFlags(design_, touched_);
    if (loading_)
        design_.flags_.modified = wasModified;
    for (const LogBlock& b : blocks_)
        if (!b.Empty()) {
            if (name_.empty())
                name_ = b.Action();
            design_.AppendLogBlock(b.Lines());
        }
    if (refresh_)
        design_.view().RefreshTreePage();
}

} // namespace qv
