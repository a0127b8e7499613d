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
    int first = count, last = -1;
    for (int i = 1; i < count; ++i) {
        if (selected[size_t(i)] && !selected[size_t(i - 1)]) {
            std::swap(m_Entries[size_t(i)], m_Entries[size_t(i - 1)]);
            std::swap(selected[size_t(i)], selected[size_t(i - 1)]);
            first = std::min(first, i - 1);
            last = i;
        }
    }
    Changed(first, last);
    return last >= 0;
}

bool NoteOrderModel::MoveDown(Flags& selected) {
    const int count = int(m_Entries.size());
    selected.resize(size_t(count), 0);
    int first = count, last = -1;
    for (int i = count - 2; i >= 0; --i) {
        if (selected[size_t(i)] && !selected[size_t(i + 1)]) {
            std::swap(m_Entries[size_t(i)], m_Entries[size_t(i + 1)]);
            std::swap(selected[size_t(i)], selected[size_t(i + 1)]);
            first = i;
            last = std::max(last, i + 1);
        }
    }
    Changed(first, last);
    return last >= 0;
}

void NoteOrderModel::Permute(const std::vector<int>& order, Flags& selected) {
    std::vector<Entry> entries;
    entries.reserve(order.size());
    Flags flags;
    flags.reserve(order.size());
    int first = int(order.size()), last = -1;
    for (size_t j = 0; j < order.size(); ++j) {
        entries.push_back(std::move(m_Entries[size_t(order[j])]));
        flags.push_back(selected[size_t(order[j])]);
        if (order[j] != int(j)) {
            first = std::min(first, int(j));
            last = int(j);
        }
    }
    m_Entries = std::move(entries);
    selected = std::move(flags);
    Changed(first, last);
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
