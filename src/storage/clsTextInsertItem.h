// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One text insert record: 2 bytes (00 00 in new records, kept as read), the title, NUL,
// the text (LF line ends), NUL. Titles and texts are Windows-1252 bytes.
class clsTextInsertItem {
public:
    // A record must fit one handheld memory chunk.
    static constexpr size_t kMaxRecordBytes = 65535;

    std::string Title;
    uint8_t attributes = 0; // 0x40 dirty
    uint32_t UniqueID = 0;

    // Reads the record at byte offset recPos of file[0, fileSize). Fails, changing nothing,
    // when the title or text run past the end of the file without their NUL.
    bool ReadInItem(const uint8_t* file, size_t fileSize, size_t recPos, std::string* error);
    // Appends the record. A NUL inside title or text would end them early on the next
    // read, so it is written as a space.
    void WriteOutItem(std::vector<uint8_t>& out) const;
    // Record length + 8.
    int32_t BytesSize() const { return int32_t(m_text.size() + Title.size() + 12); }
    void FillDefaultItemStruct();

    // Text with CR LF line ends / stored without CRs.
    std::string Text() const;
    void SetText(std::string_view t);
    const std::string& RawText() const { return m_text; }

    bool DirtyFlag() const { return (attributes & 0x40) != 0; }
    void SetDirtyFlag(bool dirty);

private:
    uint8_t m_lead[2] = {0, 0};
    std::string m_text;
};
