// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QUndoStack;

namespace quillary {

// The undo histories of the pictures of many notes, kept while the program runs, one per
// key: the note object's serial number (clsQuillaryItem::Serial), which no other note ever
// shares, so a history can never reach another note's picture. A history is only handed
// back for the picture it was made on: if the picture shown under a key differs from the
// one left there (the note was changed elsewhere), the history starts afresh.
class PictureHistories {
public:
    static constexpr int kStepLimit = 100; // oldest steps are dropped beyond this

    PictureHistories();
    ~PictureHistories();
    PictureHistories(const PictureHistories&) = delete;
    PictureHistories& operator=(const PictureHistories&) = delete;

    // The history for key, whose picture is now 'shown'. Owned here; valid until Clear,
    // Forget(key) or destruction.
    QUndoStack* StackFor(uint64_t key, const QImage& shown);
    // Remembers the picture the history under key was left with.
    void Leave(uint64_t key, const QImage& picture);
    void Forget(uint64_t key);
    // Drops the histories of notes that are gone (live(key) false).
    void Retain(const std::function<bool(uint64_t)>& live);
    void Clear();
    int Count() const { return int(m_Entries.size()); }

private:
    struct Entry {
        std::unique_ptr<QUndoStack> stack;
        std::size_t left = 0; // signature of the picture the history was left with
    };
    std::map<uint64_t, Entry> m_Entries;
};

} // namespace quillary
