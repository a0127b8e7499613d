// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NoteSearchIndex.h"

#include "storage/Cp1252.h"
#include "storage/clsDatabase.h"

#include <QChar>

#include <array>
#include <cstring>

namespace quillary {

namespace {

// Built once from the Unicode case tables: a byte whose upper case exists in the code page
// maps to it, every other byte to itself.
const std::array<unsigned char, 256>& FoldTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            t[size_t(b)] = static_cast<unsigned char>(b);
            const char32_t cp = Cp1252ToUnicode(static_cast<unsigned char>(b));
            const char32_t upper = QChar::toUpper(cp);
            if (upper == cp)
                continue;
            const int mapped = UnicodeToCp1252(upper);
            if (mapped >= 0)
                t[size_t(b)] = static_cast<unsigned char>(mapped);
        }
        return t;
    }();
    return table;
}

bool Contains(std::string_view text, std::string_view pattern) {
    if (text.empty())
        return false;
    if (pattern.empty())
        return true;
    // glibc's memmem is vectorised; far quicker here than a generic substring search.
    return memmem(text.data(), text.size(), pattern.data(), pattern.size()) != nullptr;
}

} // namespace

unsigned char NoteSearchIndex::Fold(unsigned char byte) {
    return FoldTable()[byte];
}

std::string NoteSearchIndex::Fold(std::string_view text) {
    const auto& table = FoldTable();
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = char(table[static_cast<unsigned char>(text[i])]);
    return out;
}

void NoteSearchIndex::Invalidate() {
    m_Entries.clear();
    m_Seen = false;
}

bool NoteSearchIndex::Changed(const clsDatabase& database) const {
    if (!m_Seen)
        return true;
    const int count = database.GetNumRecords();
    if (size_t(count) != m_Entries.size())
        return true;
    for (int i = 0; i < count; ++i)
        if (database.GetRecordObject(i)->RawText() != m_Entries[size_t(i)].raw)
            return true;
    return false;
}

void NoteSearchIndex::Prepare(const clsDatabase& database) {
    const size_t count = size_t(database.GetNumRecords());
    m_Entries.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const std::string& raw = database.GetRecordObject(int(i))->RawText();
        Entry& entry = m_Entries[i];
        if (entry.raw == raw && entry.folded.size() == raw.size())
            continue;
        entry.raw = raw;
        entry.folded = Fold(raw);
    }
    m_Seen = true;
}

std::vector<int> NoteSearchIndex::Find(const clsDatabase& database, std::string_view pattern,
                                       bool caseSensitive) {
    std::vector<int> found;
    const int count = database.GetNumRecords();
    Prepare(database); // also when the case counts: Changed() compares against it
    if (caseSensitive) {
        for (int i = 0; i < count; ++i)
            if (Contains(database.GetRecordObject(i)->RawText(), pattern))
                found.push_back(i);
        return found;
    }
    const std::string folded = Fold(pattern);
    for (int i = 0; i < count; ++i)
        if (Contains(m_Entries[size_t(i)].folded, folded))
            found.push_back(i);
    return found;
}

} // namespace quillary
