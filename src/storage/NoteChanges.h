// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What changed between two states of a notes database (before and after a HotSync or an
// outside change): notes added, changed, removed and moved to another place.
//
// Notes are matched by unique ID where both have one; the rest first by equal content,
// then, where a side has no ID to tell (a note made on the PC, ID 0), by order. A note
// counts as changed when its text, picture or category differ; the dirty flag a HotSync
// clears does not count.

#include <string>
#include <vector>

class clsDatabase;

namespace quillary {

struct NoteChange {
    enum class Kind { Added, Changed, Removed, Moved };
    Kind kind = Kind::Changed;
    int oldIndex = -1;     // record index before; -1 for an added note
    int newIndex = -1;     // record index after; -1 for a removed note
    std::string firstLine; // Windows-1252, at most 60 characters
};

struct NoteChangeReport {
    std::vector<NoteChange> changes; // in the order of the new database, removed ones last
    int added = 0;
    int changed = 0;
    int removed = 0;
    int moved = 0;
    bool Empty() const { return changes.empty(); }
};

NoteChangeReport CompareNotes(const clsDatabase& before, const clsDatabase& after);

} // namespace quillary
