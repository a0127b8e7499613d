// SPDX-License-Identifier: GPL-3.0-or-later
#include "clsTextInsertItem.h"

#include "FileIO.h"
#include "clsQuillaryItem.h"

#include <cstring>

using namespace quillary;

bool clsTextInsertItem::ReadInItem(const uint8_t* file, size_t fileSize, size_t recPos,
                                   std::string* error) {
    const std::string where = "the insert starting at offset " + std::to_string(recPos);
    if (recPos > fileSize || fileSize - recPos < 4)
        return Fail(error, where + " is cut short.");
    const char* begin = reinterpret_cast<const char*>(file + recPos + 2);
    const char* end = reinterpret_cast<const char*>(file + fileSize);
    const char* titleEnd = static_cast<const char*>(std::memchr(begin, 0, size_t(end - begin)));
    if (!titleEnd)
        return Fail(error, where + " has a title that runs to the end of the file.");
    const char* text = titleEnd + 1;
    const char* textEnd = static_cast<const char*>(std::memchr(text, 0, size_t(end - text)));
    if (!textEnd)
        return Fail(error, where + " has a text that runs to the end of the file.");
    m_lead[0] = file[recPos];
    m_lead[1] = file[recPos + 1];
    Title.assign(begin, titleEnd);
    m_text.assign(text, textEnd);
    return true;
}

void clsTextInsertItem::WriteOutItem(std::vector<uint8_t>& out) const {
    out.push_back(m_lead[0]);
    out.push_back(m_lead[1]);
    for (char c : Title)
        out.push_back(c == 0 ? uint8_t(' ') : uint8_t(c));
    out.push_back(0);
    for (char c : m_text)
        out.push_back(c == 0 ? uint8_t(' ') : uint8_t(c));
    out.push_back(0);
}

void clsTextInsertItem::FillDefaultItemStruct() {
    Title.clear();
    m_text.clear();
    m_lead[0] = m_lead[1] = 0;
}

std::string clsTextInsertItem::Text() const {
    std::string out;
    clsQuillaryItem::LFtoCRLF(m_text, out);
    return out;
}

void clsTextInsertItem::SetText(std::string_view t) {
    m_text.clear();
    m_text.reserve(t.size());
    for (char c : t)
        if (c != '\r')
            m_text += c;
}

void clsTextInsertItem::SetDirtyFlag(bool dirty) {
    attributes = dirty ? uint8_t(attributes | 0x40) : uint8_t(attributes & ~0x40);
}
