// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the last successful sync of one user left behind, in the user's folder
// (QLSync.state): which PC and which handheld it was made with, the unique IDs of the notes
// both sides held afterwards (so a note missing on the PC now was deleted there), the
// category table as it stood (so a rename is known by the side that changed it) and, per
// insert database, the hash of the PC file and the handheld's modification number.
//
// A text file of lines; it is written last, after every PC file, so a sync that stopped
// before leaves the earlier state and the next one compares against what really was synced.
// A file that is missing, cut short or of another version reads as no state at all.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillary::sync {

struct SyncState {
    static constexpr const char* kFileName = "QLSync.state";

    uint32_t pcId = 0;
    uint32_t handheldUserId = 0;
    bool hasNotes = false;         // the notes database was synced
    std::vector<uint32_t> noteIds; // sorted
    // The category table after the sync: label bytes (Windows-1252) and ID per index.
    std::array<std::string, 16> categoryLabels;
    std::array<uint8_t, 16> categoryIds{};
    struct Insert {
        uint64_t pcHash = 0;
        uint32_t handheldModification = 0;
    };
    std::map<std::string, Insert> inserts; // by database name

    bool KnowsNote(uint32_t id) const;
    // The label the category with this ID had, or false when it had none.
    bool CategoryLabel(uint8_t id, std::string& label) const;

    static std::string PathIn(const std::string& userFolder);
    // False when there is no usable state (missing, unreadable, cut short, other version).
    static bool Read(const std::string& path, SyncState& out);
    // Crash-safe: the old state stays until the new one is complete.
    bool Write(const std::string& path, std::string* error) const;
};

} // namespace quillary::sync
