// The in-memory model of one NDS tree: the object tree with the leaf lists of
// its containers, the partition and server tables with their replica lists,
// and the server attributes (DS version and addresses).
#pragma once

#include "core/class_table.h"
#include "core/design_flags.h"
#include "core/entries.h"
#include "core/host.h"
#include "core/item_table.h"
#include "core/object_node.h"
#include "core/operation_log.h"
#include "core/undo.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

inline constexpr std::size_t kServerDepthTableMin = 5001;

class TreeDesign {
public:
    TreeDesign();
    ~TreeDesign();
    TreeDesign(const TreeDesign&) = delete;
    TreeDesign& operator=(const TreeDesign&) = delete;

    // ---- hosts ----
    void SetHosts(Progress* progress, Interaction* ui, DesignView* view = nullptr);
    Progress& progress() const { return *progress_; }
    Interaction& ui() const { return *ui_; }
    DesignView& view() const { return *view_; }

    // ---- fields ----
    std::string designFileName;
    // Kept by the files layer while the design is open: the advisory lock on
    // its file and the size and time the file had when last read or written.
    std::shared_ptr<void> openedFile;
    // One entry per server, at least 5001, each 255 until computed.
    std::vector<std::uint8_t> serverDepthTable;
    ClassSet classPresence;
    std::int32_t distinctClassCount = 1;

    ItemTable partitions;
    ItemTable servers;
    ItemTable attributes;
    OperationLog log;

    // ---- the object tree ----
    ObjectNode* Root() const { return root_.get(); }
    // Restores the initial tree: "[ROOT]" > "ORGANIZATION" > "SERVER".
    void ResetToInitialTree();
    // Deletes every child of the root and every leaf list (the root keeps its class and mark).
    void ClearTree();
    ObjectNode* AddChild(ObjectNode* parent, std::string name, int classIndex,
                         int mark = kNoPartitionMark);
    ObjectNode* InsertChild(ObjectNode* parent, std::size_t pos, std::string name, int classIndex,
                            int mark = kNoPartitionMark);
    // Takes a node (not the root) out of the tree with its subtree.
    std::unique_ptr<ObjectNode> DetachNode(ObjectNode* node);
    // Puts a detached subtree under parent at pos (at the end when pos is past it).
    ObjectNode* AttachNode(ObjectNode* parent, std::unique_ptr<ObjectNode> node,
                           std::size_t pos = static_cast<std::size_t>(-1));
    void DeleteNode(ObjectNode* node);
    void RenameNode(ObjectNode* node, std::string name);
    void SetClassIndex(ObjectNode* node, int classIndex);
    void SetPartitionMark(ObjectNode* node, int mark);
    // Reorders the children of parent; the comparator sees sibling nodes.
    void SortChildren(ObjectNode* parent,
                      const std::function<bool(const ObjectNode&, const ObjectNode&)>& less);
    std::size_t NodeCount() const;
    // Default sorting: while on, every insertion (AddChild, InsertChild,
    // AttachNode) and every rename places the node among its siblings in Name
    // order, whatever position was asked for. Off at creation.
    void SetKeepSorted(bool on) { keepSorted_ = on; }
    bool KeepSorted() const { return keepSorted_; }
    // Orders the siblings of every node of the tree by Name (stable).
    void SortAllChildren();
    // Changes whenever the structure of the tree changes (nodes added, removed,
    // renamed, reordered, reclassed or re-marked); views compare it to know
    // when to rebuild.
    std::uint64_t TreeVersion() const { return treeVersion_; }

    // ---- walks ----
    // Pre-order walk: visit the node, descend into its first child, then go on
    // with the next sibling; the siblings after start are walked too. With
    // childPartitionsOnly, partition roots are visited but not descended into.
    // The visitor returns false to stop. Returns false when stopped.
    bool Walk(ObjectNode* start, const std::function<bool(ObjectNode*)>& visit,
              bool childPartitionsOnly = false);
    // Visits node and every node below it (not its siblings).
    bool WalkSubtree(ObjectNode* node, const std::function<bool(ObjectNode*)>& visit);
    void DrainTraversalStack() { traversalStack_.clear(); }
    bool TraversalStackEmpty() const { return traversalStack_.empty(); }

    // ---- model operations ----
    std::string FullContext(const ObjectNode* node) const;
    std::string RelativeContext(const ObjectNode* node, const ObjectNode* ancestor) const;
    // Nearest ancestor (not the node itself) that is a partition root, or nullptr.
    ObjectNode* ParentPartition(const ObjectNode* node) const;
    // Index of the first entry with that LeafName, or -1.
    int IndexOfLeaf(const LeafList& list, std::string_view name);
    void AddSubordinateEntries(ObjectNode* start);
    ObjectNode* FindPartitionOrServerNode(std::string_view text, bool partitionMode);
    ObjectNode* FindNodeByContext(std::string_view context);
    ObjectNode* FindNodeByNameOrContext(std::string_view text, bool contextFlag);
    void EnsureSubRefsForNode(ObjectNode* selected);
    void AddChildPartitionSubRefs(ObjectNode* firstChild, const std::string& server,
                                  ReplicaList& list);
    void EnsureAllSubRefs();
    void RemoveStaleSubRefs(ObjectNode* selected, std::string_view selectedReplica);
    void RecontextPartitions(ObjectNode* selected, const std::string& destinationContext);
    int ServerMinDepth(const ReplicaList& list);
    int ServerMinLevel(std::string_view serverName);
    bool ComputeServerDepths();
    // Depth of the server at index i (255 when not computed).
    int ServerDepth(std::size_t i) const;
    void MarkReportsStale(bool value);
    // The change protocol: Modified, SubRefsStale, every GridStale flag and
    // MarkReportsStale(true). The caller then asks the view to refresh.
    void MarkChanged();
    // Sets every GridStale, ReportStale and GridUnsorted flag and SubRefsStale.
    void MarkAllStale();

    // ---- flags ----
    // The design's flags. Modified and the stale flags change through the
    // change path (DesignChange, the mark functions above, undo and redo);
    // the functions below are for what is not a change of the design: the
    // file it matches, the views built again, and the run of a long job.
    const DesignFlags& Flags() const { return flags_; }
    // The design is the one in its file (after a read or a save); a new
    // design that was never saved; a read that had to repair the file (the
    // design differs from it); the user declined the changes.
    void MarkSaved();
    void MarkNew();
    void MarkDiffersFromFile() { flags_.modified = true; }
    void DropChanges() { flags_.modified = false; }
    // An import that failed puts the flags back as they were before it.
    void RestoreViewFlags(const DesignFlags& before);
    // A builder made its report or grid again from the design as it is.
    void MarkReportBuilt(ReportIndex report) { flags_.reportStale[report] = false; }
    void MarkGridBuilt(GridStaleIndex grid) { flags_.gridStale[grid] = false; }
    void MarkGridSorted(GridUnsortedIndex grid) { flags_.gridUnsorted[grid] = false; }
    // A view must be built again although the design did not change (the
    // settings it reads changed).
    void MarkReportStale(ReportIndex report) { flags_.reportStale[report] = true; }
    void MarkGridStale(GridStaleIndex grid) { flags_.gridStale[grid] = true; }
    void MarkSubRefsStale() { flags_.subRefsStale = true; }
    // Every view and the sub-references taken as current (a builder of test
    // or benchmark designs that made them so).
    void MarkAllCurrent();
    void MarkSubRefsCurrent() { flags_.subRefsStale = false; }
    // Abort and Cancel of a long job, and the containment warning's
    // "not again" for this design.
    void SetAbortRequested(bool on) { flags_.abortRequested = on; }
    void SetPrintCancelRequested(bool on) { flags_.printCancelRequested = on; }
    void SetContainmentWarningOff(bool off) { flags_.containmentWarningOff = off; }
    // Enters a class index met while loading or building the design.
    void NoteClass(long long classIndex);
    // Asks to save a modified design (save is called on Yes), then frees it.
    void FreeAll(const std::function<void()>& save);

    // ---- leaf lists ----
    // Every change of a leaf list goes through these, so that it can be undone.
    const LeafList& EnsureLeafList(ObjectNode* node);
    void AppendLeaf(ObjectNode* node, std::string entry);
    void SetLeafAt(ObjectNode* node, std::size_t i, std::string entry);
    void EraseLeafAt(ObjectNode* node, std::size_t i);
    // Takes out the entries at the given positions (ascending, no repeats).
    void RemoveLeavesAt(ObjectNode* node, const std::vector<std::size_t>& indexes);
    // Puts entries in at their positions in the list that results (ascending).
    void InsertLeavesAt(ObjectNode* node, std::vector<std::pair<std::size_t, std::string>> entries);
    // Takes the last count entries out (and the list itself when dropList).
    void DropLastLeaves(ObjectNode* node, std::size_t count, bool dropList);
    // Replaces the whole list (nullptr: the node has none).
    void ReplaceLeaves(ObjectNode* node, std::unique_ptr<LeafList> list);

    // ---- undo ----
    UndoHistory& History() { return history_; }
    const UndoHistory& History() const { return history_; }
    UndoRecorder& Recorder() { return recorder_; }
    // Appends a block to the operation log (when recording is on), for undo too.
    void AppendLogBlock(const std::vector<std::string>& lines);
    // True when the node is in the tree (not taken out by an operation).
    bool Contains(const ObjectNode* node) const;
    void RecordClassStats();
    void RestoreChildOrder(ObjectNode* parent, const std::vector<ObjectNode*>& order);
    static void FreeSubtree(std::unique_ptr<ObjectNode> top);

private:
    struct FindIndex;
    FindIndex& Index();
    // The node's leaf list, made empty when it has none (recorded for undo).
    LeafList& MutableLeafList(ObjectNode* node);
    // The find index when it is current (changes then update it in place).
    FindIndex* LiveIndex();
    void IndexSubtree(FindIndex* ix, ObjectNode* node, bool add);
    void IndexNode(FindIndex* ix, ObjectNode* node, bool add);
    // The node's context with ".[ROOT]" kept ("SALES.ACME.[ROOT]").
    std::string UncutContext(const ObjectNode* node) const;
    void NodeStructureChanged() { ++treeVersion_; }
    // A structural change after which the index (when given) is current.
    void StructureChangedKeeping(FindIndex* ix);
    void RenumberChildren(ObjectNode* parent, std::size_t from);
    // Frees a subtree, or keeps it for undo while an operation is recorded.
    void Dispose(std::unique_ptr<ObjectNode> node);
    void RecordAttached(ObjectNode* node);
    void RecordDetached(ObjectNode* node, ObjectNode* parent, std::size_t pos);
    void RecordRenamed(ObjectNode* node, const std::string& old);
    void RecordReclassed(ObjectNode* node, int old);
    void RecordRemarked(ObjectNode* node, int old);
    void RecordOrder(ObjectNode* parent);

    UndoRecorder recorder_;
    UndoHistory history_;
    DesignFlags flags_;
    friend void ApplyChangeFlags(TreeDesign& design, unsigned touched);
    friend class UndoHistory;
    friend class DesignChange;
    std::unique_ptr<ObjectNode> root_;
    // The walks' stack of pending siblings (a walk inside a walk gets its own).
    std::vector<ObjectNode*> traversalStack_;
    // Names collected by the sub-reference passes before they change the lists.
    std::vector<std::string> workList_;
    Progress* progress_;
    Interaction* ui_;
    DesignView* view_;
    std::uint64_t treeVersion_ = 1;
    std::unique_ptr<FindIndex> index_;
    bool walking_ = false;
    bool keepSorted_ = false;
};

} // namespace qv
