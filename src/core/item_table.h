// The ordered named tables of a design (partitions, servers, attributes).
#pragma once

#include "core/entries.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qv {

struct TableItem {
    std::string name;
    ReplicaList entries;
};

// An ordered list of named items, each owning a list of texts (PartitionTable,
// ServerTable, ServerAttributes). Lookups by name answer as a linear scan
// would, through an index that is rebuilt after the names change.
class UndoRecorder;

class ItemTable {
public:
    ItemTable() = default;
    // Copies and moves carry the items, never the owner's undo recording.
    ItemTable(const ItemTable& other) : items_(other.items_) {}
    ItemTable(ItemTable&& other) noexcept : items_(std::move(other.items_)) {}
    ItemTable& operator=(const ItemTable& other);
    ItemTable& operator=(ItemTable&& other) noexcept;

    // The design's tables record their changes for undo (id 0 to 2).
    void AttachRecorder(UndoRecorder* recorder, int id) {
        rec_ = recorder;
        id_ = id;
    }

    std::size_t Size() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    const TableItem& operator[](std::size_t i) const { return items_[i]; }
    const std::string& Name(std::size_t i) const { return items_[i].name; }
    ReplicaList& Entries(std::size_t i) {
        Save(i);
        return items_[i].entries;
    }
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

    // Undo: puts back an item, takes one out, swaps the whole table.
    void RestoreItem(std::size_t i, TableItem item);
    void RestoreAll(std::vector<TableItem> items);

private:
    // Keeps a copy of the item for undo before it changes.
    void Save(std::size_t i);
    void EnsureIndex() const;
    UndoRecorder* rec_ = nullptr;
    int id_ = 0;
    std::vector<TableItem> items_;
    mutable std::unordered_map<std::string, std::pair<int, int>> index_; // name -> first, last
    mutable bool indexValid_ = false;
};

} // namespace qv
