// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NoteOrderModel.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace quillary {

NoteOrderModel::NoteOrderModel(QObject* parent) : QAbstractListModel(parent) {}

void NoteOrderModel::SetFirstLines(const QStringList& firstLines) {
    beginResetModel();
    m_Entries.clear();
    m_Entries.reserve(size_t(firstLines.size()));
    for (int i = 0; i < firstLines.size(); ++i)
        m_Entries.push_back({QChar(' ') + firstLines.at(i), i});
    endResetModel();
}

int NoteOrderModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_Entries.size());
}

QVariant NoteOrderModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_Entries.size()))
        return {};
    const Entry& entry = m_Entries[size_t(index.row())];
    if (role == Qt::DisplayRole)
        return entry.text;
    if (role == Qt::UserRole)
        return entry.record;
    return {};
}

void NoteOrderModel::Changed(int first, int last) {
    if (first <= last)
        emit dataChanged(index(first), index(last), {Qt::DisplayRole, Qt::UserRole});
}

bool NoteOrderModel::MoveUp(Flags& selected) {
    const int count = int(m_Entries.size());
    selected.resize(size_t(count), 0);
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    Flags flags = selected;
    bool moved = false;
    for (int i = 1; i < count; ++i) {
        if (flags[size_t(i)] && !flags[size_t(i - 1)]) {
            std::swap(order[size_t(i)], order[size_t(i - 1)]);
            std::swap(flags[size_t(i)], flags[size_t(i - 1)]);
            moved = true;
        }
    }
    if (moved)
        Permute(order, selected);
    return moved;
}

bool NoteOrderModel::MoveDown(Flags& selected) {
    const int count = int(m_Entries.size());
    selected.resize(size_t(count), 0);
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    Flags flags = selected;
    bool moved = false;
    for (int i = count - 2; i >= 0; --i) {
        if (flags[size_t(i)] && !flags[size_t(i + 1)]) {
            std::swap(order[size_t(i)], order[size_t(i + 1)]);
            std::swap(flags[size_t(i)], flags[size_t(i + 1)]);
            moved = true;
        }
    }
    if (moved)
        Permute(order, selected);
    return moved;
}

void NoteOrderModel::Permute(const std::vector<int>& order, Flags& selected) {
    // A layout change, not a data change: the view's persistent indexes (the current entry
    // and the anchor that Shift extends the selection from) travel with their entries.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRow(order.size());
    for (size_t j = 0; j < order.size(); ++j)
        newRow[size_t(order[j])] = int(j);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after << (old.row() < int(newRow.size()) ? index(newRow[size_t(old.row())])
                                                 : QModelIndex());
    std::vector<Entry> entries;
    entries.reserve(order.size());
    Flags flags;
    flags.reserve(order.size());
    for (size_t j = 0; j < order.size(); ++j) {
        entries.push_back(std::move(m_Entries[size_t(order[j])]));
        flags.push_back(selected[size_t(order[j])]);
    }
    m_Entries = std::move(entries);
    selected = std::move(flags);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool NoteOrderModel::MoveSelectedTo(Flags& selected, int before) {
    const int count = int(m_Entries.size());
    selected.resize(size_t(count), 0);
    before = std::clamp(before, 0, count);
    std::vector<int> order;
    order.reserve(size_t(count));
    std::vector<int> moved;
    for (int i = 0; i < count; ++i)
        if (selected[size_t(i)])
            moved.push_back(i);
    for (int i = 0; i <= count; ++i) {
        if (i == before)
            order.insert(order.end(), moved.begin(), moved.end());
        if (i < count && !selected[size_t(i)])
            order.push_back(i);
    }
    bool changes = false;
    for (int j = 0; j < count && !changes; ++j)
        changes = order[size_t(j)] != j;
    if (changes)
        Permute(order, selected);
    return changes;
}

void NoteOrderModel::Sort(bool descending, Flags& selected) {
    const int count = int(m_Entries.size());
    selected.resize(size_t(count), 0);
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    // QString's operator< compares UTF-16 code units: by character code, case counts.
    if (descending)
        std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
            return m_Entries[size_t(b)].text < m_Entries[size_t(a)].text;
        });
    else
        std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
            return m_Entries[size_t(a)].text < m_Entries[size_t(b)].text;
        });
    Permute(order, selected);
}

std::string NoteOrderModel::OrderText() const {
    std::string text;
    text.reserve(m_Entries.size() * 5);
    for (size_t j = 0; j < m_Entries.size(); ++j) {
        if (j > 0)
            text += ',';
        text += std::to_string(m_Entries[j].record);
    }
    return text;
}

bool NoteOrderModel::IsIdentity() const {
    for (size_t j = 0; j < m_Entries.size(); ++j)
        if (m_Entries[j].record != int(j))
            return false;
    return true;
}

void NoteOrderModel::RenumberRecords() {
    for (size_t j = 0; j < m_Entries.size(); ++j)
        m_Entries[j].record = int(j);
    Changed(0, int(m_Entries.size()) - 1);
}

} // namespace quillary
