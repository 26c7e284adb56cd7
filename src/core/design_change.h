// The one path by which an operation changes a design. An operation opens a
// DesignChange, says what it touched and which "Action:" block describes it,
// and commits; the commit applies the completion rules (Modified, the stale
// and unsorted flags of the views the change affects, the operation log
// block, the refresh of the tree page). A change that is never committed
// (a refusal) sets nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

class TreeDesign;

// What a change touched; each part decides which views become stale.
enum ChangeTouch : unsigned {
    // The object tree's structure: sub-references, every grid, report,
    // suggestion and sort order.
    kTouchObjects = 1u << 0,
    // Partitions and replicas: sub-references, the partition and object grids,
    // every report, suggestion and sort order.
    kTouchReplicas = 1u << 1,
    // Leaf objects only: the object grids, the object report and suggestions
    // and the object grids' sort order.
    kTouchLeaves = 1u << 2,
    // Server addresses and DS versions: the address grid and every report.
    kTouchAttributes = 1u << 3,
    // Only the order of siblings: the design must be saved, no view changes.
    kTouchOrder = 1u << 4,
    // Everything a loaded or merged tree touches (as kTouchObjects).
    kTouchAll = kTouchObjects | kTouchReplicas | kTouchLeaves | kTouchAttributes,
};

// Builds one "Action:" block of the operation log: the action line, the
// detail lines as given, and the closing empty line.
class LogBlock {
public:
    LogBlock() = default;
    explicit LogBlock(std::string_view action) {
        lines_.push_back("Action: " + std::string(action));
    }
    LogBlock& Line(std::string text) {
        lines_.push_back(std::move(text));
        return *this;
    }
    // The block ends without the closing empty line.
    LogBlock& Unclosed() {
        closed_ = false;
        return *this;
    }
    bool Empty() const { return lines_.empty(); }
    // The action's name ("Create Partition").
    std::string Action() const {
        return lines_.empty() || lines_[0].size() < 8 ? std::string() : lines_[0].substr(8);
    }
    // The block's lines, with the closing empty line unless Unclosed.
    std::vector<std::string> Lines() const;

private:
    std::vector<std::string> lines_;
    bool closed_ = true;
};

class DesignChange {
public:
    explicit DesignChange(TreeDesign& design, unsigned touched = 0);
    // name: what Undo and Redo call the operation (by default the action of
    // its first log block).
    DesignChange(TreeDesign& design, std::string name, unsigned touched = 0);
    ~DesignChange();
    DesignChange(const DesignChange&) = delete;
    DesignChange& operator=(const DesignChange&) = delete;

    DesignChange& Touch(unsigned touched) {
        touched_ |= touched;
        return *this;
    }
    // The tree page is redrawn when the change is committed.
    DesignChange& Refresh() {
        refresh_ = true;
        return *this;
    }
    // The change builds a design just loaded into a new window: it leaves
    // Modified as it is.
    DesignChange& Loading() {
        loading_ = true;
        return *this;
    }
    // The block written to the operation log on commit (several may be given).
    DesignChange& Log(LogBlock block) {
        blocks_.push_back(std::move(block));
        return *this;
    }
    unsigned Touched() const { return touched_; }
    DesignChange& Name(std::string name) {
        name_ = std::move(name);
        return *this;
    }

    // Applies the completion rules. A second commit does nothing.
    void Commit();

private:
    TreeDesign& design_;
    unsigned touched_;
    bool refresh_ = false;
    bool loading_ = false;
    bool committed_ = false;
    std::vector<LogBlock> blocks_;
    std::string name_;
};

// The flags a change of the given parts sets (without the log and refresh).
void ApplyChangeFlags(TreeDesign& design, unsigned touched);

} // namespace qv
