// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

#include <cstddef>
#include <map>
#include <memory>

class QUndoStack;

namespace quillary {

// The undo histories of the pictures of many notes, kept while the program runs, one per
// key (the note's record). A history is only handed back for the picture it was made on: if
// the picture shown under a key differs from the one left there (the note was changed
// elsewhere, or the key now names another note), the history starts afresh.
class PictureHistories {
public:
    static constexpr int kStepLimit = 100; // oldest steps are dropped beyond this

    PictureHistories();
    ~PictureHistories();
    PictureHistories(const PictureHistories&) = delete;
    PictureHistories& operator=(const PictureHistories&) = delete;

    // The history for key, whose picture is now 'shown'. Owned here; valid until Clear,
    // Forget(key) or destruction.
    QUndoStack* StackFor(const void* key, const QImage& shown);
    // Remembers the picture the history under key was left with.
    void Leave(const void* key, const QImage& picture);
    void Forget(const void* key);
    void Clear();
    int Count() const { return int(m_Entries.size()); }

private:
    struct Entry {
        std::unique_ptr<QUndoStack> stack;
        std::size_t left = 0; // signature of the picture the history was left with
    };
    std::map<const void*, Entry> m_Entries;
};

} // namespace quillary
