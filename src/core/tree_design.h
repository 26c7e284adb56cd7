// The in-memory model of one NDS tree: the object tree with the leaf lists of
// its containers, the partition and server tables with their replica lists,
// and the server attributes (DS version and addresses).
#pragma once

#include "core/class_table.h"
#include "core/entries.h"
#include "core/host.h"
#include "core/operation_log.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv {

inline constexpr int kPartitionRootMark = 4;
inline constexpr int kNoPartitionMark = -1;
inline constexpr const char* kRootName = "[ROOT]";

class TreeDesign;

// One container or server object. Structure (name, class, mark, children) is
// changed only through TreeDesign, which keeps its lookup indexes current; the
// leaf list may be changed directly.
class ObjectNode {
public:
    const std::string& Name() const { return name_; }
    int ClassIndex() const { return class_; }
    int PartitionMark() const { return mark_; }
    bool IsPartitionRoot() const { return mark_ == kPartitionRootMark; }
    ObjectNode* Parent() const { return parent_; }
    std::size_t ChildCount() const { return children_.size(); }
    ObjectNode* Child(std::size_t i) const { return children_[i].get(); }
    ObjectNode* FirstChild() const { return children_.empty() ? nullptr : children_[0].get(); }
    ObjectNode* NextSibling() const;
    std::size_t IndexInParent() const { return indexInParent_; }
    // Depth of the node: the root has Level 0.
    int Level() const;
    // True when this node is the other node or one of its ancestors.
    bool IsSelfOrAncestorOf(const ObjectNode* other) const;

    // The node's subordinate objects, or none.
    std::unique_ptr<LeafList> leaves;
    LeafList& EnsureLeaves() {
        if (!leaves)
            leaves = std::make_unique<LeafList>();
        return *leaves;
    }

private:
    friend class TreeDesign;
    std::string name_;
    int class_ = 0;
    int mark_ = kNoPartitionMark;
    ObjectNode* parent_ = nullptr;
    std::size_t indexInParent_ = 0;
    std::vector<std::unique_ptr<ObjectNode>> children_;
};

struct TableItem {
    std::string name;
    ReplicaList entries;
};

// An ordered list of named items, each owning a list of texts (PartitionTable,
// ServerTable, ServerAttributes). Lookups by name answer as a linear scan
// would, through an index that is rebuilt after the names change.
class ItemTable {
public:
    std::size_t Size() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    const TableItem& operator[](std::size_t i) const { return items_[i]; }
    const std::string& Name(std::size_t i) const { return items_[i].name; }
    ReplicaList& Entries(std::size_t i) { return items_[i].entries; }
    const ReplicaList& Entries(std::size_t i) const { return items_[i].entries; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // Index of the last / first item with that name, or -1.
    int FindLast(std::string_view name) const;
    int FindFirst(std::string_view name) const;
    // The entries of the last item with that name, or nullptr.
    ReplicaList* EntriesOf(std::string_view name);

    std::size_t Append(std::string name, ReplicaList entries = {});
    void Insert(std::size_t pos, std::string name, ReplicaList entries = {});
    void Erase(std::size_t i);
    void Rename(std::size_t i, std::string name);
    void Clear();
    void Reserve(std::size_t n) { items_.reserve(n); }

private:
    void EnsureIndex() const;
    std::vector<TableItem> items_;
    mutable std::unordered_map<std::string, std::pair<int, int>> index_; // name -> first, last
    mutable bool indexValid_ = false;
};

enum ReportIndex : std::size_t {
    kPartitionReport = 0,
    kServerReport,
    kRelationReport,
    kSchemaReport,
    kObjectReport,
    kServerSuggestions,
    kPartitionSuggestions,
    kObjectSuggestions,
    kReportCount
};

enum GridStaleIndex : std::size_t {
    kPartitionGrids = 0,
    kAddressGrid,
    kObjectGrids,
    kGridStaleCount
};

enum GridUnsortedIndex : std::size_t {
    kPartXServGrid = 0,
    kServXPartGrid,
    kServXAddrGrid,
    kPartObjGrid,
    kServObjGrid,
    kContObjGrid,
    kGridUnsortedCount
};

inline constexpr std::size_t kServerDepthTableMin = 5001;

// The per-design flags: what the design window and the builders read to know
// whether the design must be saved and which views must be rebuilt.
struct DesignFlags {
    // Set by New, cleared by the first successful write: Save asks for a path.
    bool neverSaved = false;
    bool modified = false;
    bool subRefsStale = true;
    std::array<bool, kReportCount> reportStale{};
    std::array<bool, kGridStaleCount> gridStale{};
    std::array<bool, kGridUnsortedCount> gridUnsorted{};
    // Set by the Abort and Cancel buttons while a long job pumps the queue.
    bool abortRequested = false;
    bool printCancelRequested = false;
    bool containmentWarningOff = false;
};

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
    DesignFlags flags;
    // One entry per server, at least 5001, each 255 until computed.
    std::vector<std::uint8_t> serverDepthTable;
    ClassSet classPresence;
    std::int32_t distinctClassCount = 1;
    std::vector<ObjectNode*> traversalStack;
    std::vector<std::string> workList;

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
    void DrainTraversalStack() { traversalStack.clear(); }

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
    // Enters a class index met while loading or building the design.
    void NoteClass(long long classIndex);
    // Asks to save a modified design (save is called on Yes), then frees it.
    void FreeAll(const std::function<void()>& save);

private:
    struct FindIndex;
    FindIndex& Index();
    void NodeStructureChanged() { ++treeVersion_; }
    void RenumberChildren(ObjectNode* parent, std::size_t from);

    std::unique_ptr<ObjectNode> root_;
    Progress* progress_;
    Interaction* ui_;
    DesignView* view_;
    std::uint64_t treeVersion_ = 1;
    std::unique_ptr<FindIndex> index_;
    bool walking_ = false;
    bool keepSorted_ = false;
};

} // namespace qv
