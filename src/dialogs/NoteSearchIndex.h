// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

class clsDatabase;

namespace quillary {

// Finds the notes whose text contains a pattern, fast enough to run on every keystroke
// over thousands of notes.
//
// Texts are compared as the Windows-1252 bytes the notes store. For a search that ignores
// case each note's text is kept upper-cased, together with the text it was made from: a
// note whose stored text changed since is folded again, so edits are always searched.
class NoteSearchIndex {
public:
    // Record indexes (0-based, ascending) of the notes whose text contains pattern. An
    // empty pattern matches every note that has text; an empty note never matches.
    std::vector<int> Find(const clsDatabase& database, std::string_view pattern,
                          bool caseSensitive);
    // True when some note's text differs from what the last Find saw, or notes were
    // added or removed since.
    bool Changed(const clsDatabase& database) const;
    // Forgets every prepared text (another database was opened).
    void Invalidate();
    // Brings the prepared texts up to date with the notes (Find does this itself).
    void Prepare(const clsDatabase& database);

    // Windows-1252 upper case: a-z, the accented letters, š œ ž ÿ; ß and µ stay.
    static unsigned char Fold(unsigned char byte);
    static std::string Fold(std::string_view text);

private:
    struct Entry {
        std::string raw;    // the text the folded copy was made from
        std::string folded; // upper case
    };
    std::vector<Entry> m_Entries;
    bool m_Seen = false;
};

} // namespace quillary
