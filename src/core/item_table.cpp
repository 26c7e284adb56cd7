#include "core/item_table.h"

#include "core/tree_design.h"
#include "core/undo.h"

namespace qv {

void ItemTable::EnsureIndex() const {
    if (indexValid_)
        return;
    index_.clear();
    index_.reserve(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        int idx = static_cast<int>(i);
        auto [it, inserted] = index_.try_emplace(items_[i].name, idx, idx);
        if (!inserted)
            it->second.second = idx;
    }
    indexValid_ = true;
}

int ItemTable::FindLast(std::string_view name) const {
    EnsureIndex();
    auto it = index_.find(std::string(name));
    return it == index_.end() ? -1 : it->second.second;
}

int ItemTable::FindFirst(std::string_view name) const {
    EnsureIndex();
    auto it = index_.find(std::string(name));
    return it == index_.end() ? -1 : it->second.first;
}

ReplicaList* ItemTable::EntriesOf(std::string_view name) {
    int i = FindLast(name);
    return i < 0 ? nullptr : &Entries(static_cast<std::size_t>(i));
}

namespace {

std::size_t ItemBytes(const TableItem& item) {
    std::size_t n = sizeof(item) + item.name.capacity();
    for (const std::string& e : item.entries)
        n += sizeof(e) + e.capacity();
    return n;
}

// The item at index as it was before the step changed it.
struct ItemSaved final : UndoEntry {
    ItemTable* table;
    std::size_t index;
    TableItem item;
    ItemSaved(ItemTable* t, std::size_t i, TableItem it)
        : table(t), index(i), item(std::move(it)) {}
    void Revert(TreeDesign&) override { table->RestoreItem(index, std::move(item)); }
    std::size_t Bytes() const override { return sizeof(*this) + ItemBytes(item); }
};

struct ItemInserted final : UndoEntry {
    ItemTable* table;
    std::size_t index;
    ItemInserted(ItemTable* t, std::size_t i) : table(t), index(i) {}
    void Revert(TreeDesign&) override { table->Erase(index); }
    std::size_t Bytes() const override { return sizeof(*this); }
};

struct ItemErased final : UndoEntry {
    ItemTable* table;
    std::size_t index;
    TableItem item;
    ItemErased(ItemTable* t, std::size_t i, TableItem it)
        : table(t), index(i), item(std::move(it)) {}
    void Revert(TreeDesign&) override {
        table->Insert(index, std::move(item.name), std::move(item.entries));
    }
    std::size_t Bytes() const override { return sizeof(*this) + ItemBytes(item); }
};

struct TableReplaced final : UndoEntry {
    ItemTable* table;
    std::vector<TableItem> items;
    TableReplaced(ItemTable* t, std::vector<TableItem> i) : table(t), items(std::move(i)) {}
    void Revert(TreeDesign&) override { table->RestoreAll(std::move(items)); }
    std::size_t Bytes() const override {
        std::size_t n = sizeof(*this);
        for (const TableItem& it : items)
            n += ItemBytes(it);
        return n;
    }
};

} // namespace

ItemTable& ItemTable::operator=(const ItemTable& other) {
    if (this != &other)
        RestoreAll(other.items_);
    return *this;
}

ItemTable& ItemTable::operator=(ItemTable&& other) noexcept {
    if (this != &other)
        RestoreAll(std::move(other.items_));
    return *this;
}

void ItemTable::Save(std::size_t i) {
    if (!rec_ || !rec_->Active() || rec_->ItemSaved(id_, i) || i >= items_.size())
        return;
    rec_->NoteItemSaved(id_, i);
    rec_->Add(std::make_unique<ItemSaved>(this, i, items_[i]));
}

void ItemTable::RestoreItem(std::size_t i, TableItem item) {
    if (i >= items_.size())
        return;
    if (rec_ && rec_->Active()) {
        rec_->NoteItemSaved(id_, i);
        rec_->Add(std::make_unique<ItemSaved>(this, i, std::move(items_[i])));
    }
    items_[i] = std::move(item);
    indexValid_ = false;
}

void ItemTable::RestoreAll(std::vector<TableItem> items) {
    if (rec_ && rec_->Active()) {
        rec_->TableReordered(id_);
        rec_->Add(std::make_unique<TableReplaced>(this, std::move(items_)));
    }
    items_ = std::move(items);
    index_.clear();
    indexValid_ = false;
}

std::size_t ItemTable::Append(std::string name, ReplicaList entries) {
    std::size_t pos = items_.size();
    if (indexValid_) {
        int idx = static_cast<int>(pos);
        auto [it, inserted] = index_.try_emplace(name, idx, idx);
        if (!inserted)
            it->second.second = idx;
    }
    items_.push_back(TableItem{std::move(name), std::move(entries)});
    if (rec_ && rec_->Active())
        rec_->Add(std::make_unique<ItemInserted>(this, pos));
    return pos;
}

void ItemTable::Insert(std::size_t pos, std::string name, ReplicaList entries) {
    pos = std::min(pos, items_.size());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(pos),
                  TableItem{std::move(name), std::move(entries)});
    indexValid_ = false;
    if (rec_ && rec_->Active()) {
        rec_->TableReordered(id_);
        rec_->Add(std::make_unique<ItemInserted>(this, pos));
    }
}

void ItemTable::Erase(std::size_t i) {
    if (i >= items_.size())
        return;
    if (rec_ && rec_->Active()) {
        rec_->TableReordered(id_);
        rec_->Add(std::make_unique<ItemErased>(this, i, std::move(items_[i])));
    }
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    indexValid_ = false;
}

void ItemTable::Rename(std::size_t i, std::string name) {
    Save(i);
    items_[i].name = std::move(name);
    indexValid_ = false;
}

void ItemTable::Clear() {
    if (rec_ && rec_->Active() && !items_.empty()) {
        RestoreAll({});
        return;
    }
    items_.clear();
    index_.clear();
    indexValid_ = false;
}

} // namespace qv
