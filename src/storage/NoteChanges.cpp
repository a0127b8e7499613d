// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoteChanges.h"

#include "clsDatabase.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>

namespace quillary {

namespace {

std::string FirstLine(const clsQuillaryItem& item) {
    const std::string& text = item.RawText();
    std::string line = text.substr(0, text.find_first_of("\r\n"));
    if (line.size() > 60)
        line.resize(60);
    return line;
}

// A record's bytes where they are: asking for RecordBytes() would give every note a copy
// of its own and double what a reread holds.
std::string_view Bytes(const clsQuillaryItem& item) {
    return {reinterpret_cast<const char*>(item.RecordData()), item.RecordSize()};
}

bool SameContent(const clsQuillaryItem& a, const clsQuillaryItem& b) {
    return a.CategoryIndex() == b.CategoryIndex() && Bytes(a) == Bytes(b);
}

// Unique IDs that occur once; a repeated ID identifies nothing.
std::unordered_map<uint32_t, int> SingleIds(const clsDatabase& db) {
    std::unordered_map<uint32_t, int> seen;
    std::unordered_map<uint32_t, int> count;
    for (int i = 0; i < db.GetNumRecords(); ++i) {
        const uint32_t id = db.GetRecordObject(i)->UniqueID;
        if (id != 0) {
            seen[id] = i;
            ++count[id];
        }
    }
    for (const auto& [id, n] : count)
        if (n > 1)
            seen.erase(id);
    return seen;
}

} // namespace

NoteChangeReport CompareNotes(const clsDatabase& before, const clsDatabase& after) {
    const int oldCount = before.GetNumRecords();
    const int newCount = after.GetNumRecords();
    std::vector<int> newOf(size_t(oldCount), -1); // old index -> matched new index
    std::vector<int> oldOf(size_t(newCount), -1);

    // 1. By unique ID.
    const auto oldIds = SingleIds(before);
    const auto newIds = SingleIds(after);
    for (const auto& [id, o] : oldIds) {
        const auto found = newIds.find(id);
        if (found != newIds.end()) {
            newOf[size_t(o)] = found->second;
            oldOf[size_t(found->second)] = o;
        }
    }
    // 2. Equal content among the rest, in order, where a side has no ID.
    std::map<std::string_view, std::vector<int>> freeOld;
    for (int o = 0; o < oldCount; ++o)
        if (newOf[size_t(o)] < 0)
            freeOld[Bytes(*before.GetRecordObject(o))].push_back(o);
    for (int n = 0; n < newCount; ++n) {
        if (oldOf[size_t(n)] >= 0)
            continue;
        const clsQuillaryItem& item = *after.GetRecordObject(n);
        auto found = freeOld.find(Bytes(item));
        if (found == freeOld.end())
            continue;
        auto& list = found->second;
        const bool newHasId = newIds.count(item.UniqueID) > 0;
        const auto pick = std::find_if(list.begin(), list.end(), [&](int o) {
            const clsQuillaryItem& old = *before.GetRecordObject(o);
            // Two IDs tell two notes apart, however alike they read.
            return !(newHasId && oldIds.count(old.UniqueID) > 0) && SameContent(old, item);
        });
        if (pick == list.end())
            continue;
        newOf[size_t(*pick)] = n;
        oldOf[size_t(n)] = *pick;
        list.erase(pick);
    }
    // 3. In order, where one side has no ID to tell whether it is the same note.
    {
        std::vector<int> restOld, restNew;
        for (int o = 0; o < oldCount; ++o)
            if (newOf[size_t(o)] < 0)
                restOld.push_back(o);
        for (int n = 0; n < newCount; ++n)
            if (oldOf[size_t(n)] < 0)
                restNew.push_back(n);
        size_t j = 0;
        for (int o : restOld) {
            const bool oldHasId = oldIds.count(before.GetRecordObject(o)->UniqueID) > 0;
            while (j < restNew.size()) {
                const int n = restNew[j];
                const bool newHasId = newIds.count(after.GetRecordObject(n)->UniqueID) > 0;
                if (oldHasId && newHasId)
                    break; // two different notes: one removed, one added
                newOf[size_t(o)] = n;
                oldOf[size_t(n)] = o;
                ++j;
                break;
            }
        }
    }

    // Matched notes that are not in the longest run keeping their old order have moved.
    std::vector<int> order; // new indexes of matched notes, in new order
    for (int n = 0; n < newCount; ++n)
        if (oldOf[size_t(n)] >= 0)
            order.push_back(n);
    std::vector<bool> stayed(size_t(newCount), false);
    {
        // Longest increasing subsequence of old indexes (patience sorting with links).
        std::vector<int> tails, tailAt, prev(order.size(), -1);
        for (size_t k = 0; k < order.size(); ++k) {
            const int value = oldOf[size_t(order[k])];
            const auto pos = std::lower_bound(tails.begin(), tails.end(), value) - tails.begin();
            if (size_t(pos) == tails.size()) {
                tails.push_back(value);
                tailAt.push_back(int(k));
            } else {
                tails[size_t(pos)] = value;
                tailAt[size_t(pos)] = int(k);
            }
            prev[k] = pos > 0 ? tailAt[size_t(pos - 1)] : -1;
        }
        for (int k = tailAt.empty() ? -1 : tailAt.back(); k >= 0; k = prev[size_t(k)])
            stayed[size_t(order[size_t(k)])] = true;
    }

    NoteChangeReport report;
    for (int n = 0; n < newCount; ++n) {
        const clsQuillaryItem& item = *after.GetRecordObject(n);
        const int o = oldOf[size_t(n)];
        NoteChange change;
        change.newIndex = n;
        change.oldIndex = o;
        change.firstLine = FirstLine(item);
        if (o < 0) {
            change.kind = NoteChange::Kind::Added;
            ++report.added;
        } else if (!SameContent(*before.GetRecordObject(o), item)) {
            change.kind = NoteChange::Kind::Changed;
            ++report.changed;
        } else if (!stayed[size_t(n)]) {
            change.kind = NoteChange::Kind::Moved;
            ++report.moved;
        } else {
            continue;
        }
        report.changes.push_back(std::move(change));
    }
    for (int o = 0; o < oldCount; ++o) {
        if (newOf[size_t(o)] >= 0)
            continue;
        NoteChange change;
        change.kind = NoteChange::Kind::Removed;
        change.oldIndex = o;
        change.firstLine = FirstLine(*before.GetRecordObject(o));
        report.changes.push_back(std::move(change));
        ++report.removed;
    }
    return report;
}

} // namespace quillary
