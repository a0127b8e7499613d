// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The records of a database: owned items in file order, addressed by 0-based index.
// Items live on the heap so that a pointer to one stays valid while others are inserted
// or removed. Out-of-range indexes are refused (false / nullptr), never undefined.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace quillary {

// Reads "2,0,1" style lists (leading number of each comma-separated part). True, with
// order filled, only when the list names each of 0..count-1 exactly once.
bool ParseSortOrder(const std::string& list, size_t count, std::vector<size_t>& order);

template <class Item>
class RecordList {
public:
    using Ptr = std::unique_ptr<Item>;

    int Count() const { return int(m_items.size()); }
    bool Valid(int i) const { return i >= 0 && i < Count(); }
    Item* Get(int i) { return Valid(i) ? m_items[size_t(i)].get() : nullptr; }
    const Item* Get(int i) const { return Valid(i) ? m_items[size_t(i)].get() : nullptr; }

    bool Insert(int i, Ptr item) {
        if (!item || i < 0 || i > Count())
            return false;
        m_items.insert(m_items.begin() + i, std::move(item));
        return true;
    }
    void PushBack(Ptr item) { m_items.push_back(std::move(item)); }
    bool Erase(int i) {
        if (!Valid(i))
            return false;
        m_items.erase(m_items.begin() + i);
        return true;
    }
    bool Set(int i, Ptr item) {
        if (!item || !Valid(i))
            return false;
        m_items[size_t(i)] = std::move(item);
        return true;
    }
    void Clear() { m_items.clear(); }
    void Reserve(size_t n) { m_items.reserve(n); }
    bool Reorder(const std::string& list) {
        std::vector<size_t> order;
        if (!ParseSortOrder(list, m_items.size(), order))
            return false;
        std::vector<Ptr> items(m_items.size());
        for (size_t j = 0; j < order.size(); ++j)
            items[j] = std::move(m_items[order[j]]);
        m_items = std::move(items);
        return true;
    }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<Ptr> m_items;
};

} // namespace quillary
