#include "core/item_table.h"

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
    return i < 0 ? nullptr : &items_[static_cast<std::size_t>(i)].entries;
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
    return pos;
}

void ItemTable::Insert(std::size_t pos, std::string name, ReplicaList entries) {
    pos = std::min(pos, items_.size());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(pos),
                  TableItem{std::move(name), std::move(entries)});
    indexValid_ = false;
}

void ItemTable::Erase(std::size_t i) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    indexValid_ = false;
}

void ItemTable::Rename(std::size_t i, std::string name) {
    items_[i].name = std::move(name);
    indexValid_ = false;
}

void ItemTable::Clear() {
    items_.clear();
    index_.clear();
    indexValid_ = false;
}

} // namespace qv
