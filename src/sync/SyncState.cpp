// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/SyncState.h"

#include "storage/FileIO.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace quillary::sync {

namespace {

constexpr const char* kMagic = "QuillarySyncState 1";
// More than any notes database can hold: a longer list is not ours.
constexpr size_t kMaxIds = 32767;
constexpr size_t kMaxInserts = 4096;

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out.empty() ? "-" : out;
}

bool Unhex(const std::string& hex, std::string& out) {
    out.clear();
    if (hex == "-")
        return true;
    if (hex.size() % 2 != 0 || hex.size() > 512)
        return false;
    auto nibble = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = nibble(hex[i]), lo = nibble(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out += char(hi << 4 | lo);
    }
    return true;
}

} // namespace

bool SyncState::KnowsNote(uint32_t id) const {
    return std::binary_search(noteIds.begin(), noteIds.end(), id);
}

bool SyncState::CategoryLabel(uint8_t id, std::string& label) const {
    for (size_t i = 0; i < 16; ++i)
        if (!categoryLabels[i].empty() && categoryIds[i] == id) {
            label = categoryLabels[i];
            return true;
        }
    return false;
}

std::string SyncState::PathIn(const std::string& userFolder) {
    if (userFolder.empty() || userFolder.back() == '/')
        return userFolder + kFileName;
    return userFolder + "/" + kFileName;
}

bool SyncState::Read(const std::string& path, SyncState& out) {
    std::vector<uint8_t> bytes;
    if (!FileExists(path) || !ReadWholeFile(path, bytes, nullptr))
        return false;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line, word;
    SyncState s;
    if (!std::getline(in, line) || line != kMagic)
        return false;
    auto expect = [&](const char* key) { return bool(in >> word) && word == key; };
    unsigned long long n = 0;
    if (!expect("pc") || !(in >> s.pcId) || !expect("handheld") || !(in >> s.handheldUserId))
        return false;
    if (!expect("notes") || !(in >> n) || n > kMaxIds + 1)
        return false;
    if (n > 0) {
        s.hasNotes = true;
        s.noteIds.resize(size_t(n - 1));
        for (uint32_t& id : s.noteIds)
            if (!(in >> id))
                return false;
        std::sort(s.noteIds.begin(), s.noteIds.end());
        for (size_t i = 0; i < 16; ++i) {
            unsigned id = 0;
            if (!(in >> id >> word) || id > 255 || !Unhex(word, s.categoryLabels[i]))
                return false;
            s.categoryIds[i] = uint8_t(id);
        }
    }
    if (!expect("inserts") || !(in >> n) || n > kMaxInserts)
        return false;
    for (size_t i = 0; i < n; ++i) {
        std::string name;
        Insert ins;
        if (!(in >> word) || !Unhex(word, name) || !(in >> ins.pcHash >> ins.handheldModification))
            return false;
        s.inserts[name] = ins;
    }
    if (!expect("end"))
        return false;
    out = std::move(s);
    return true;
}

bool SyncState::Write(const std::string& path, std::string* error) const {
    std::ostringstream o;
    o << kMagic << "\npc " << pcId << "\nhandheld " << handheldUserId << "\n";
    // The count is one more than the IDs, so 0 says the notes were never synced.
    o << "notes " << (hasNotes ? noteIds.size() + 1 : 0) << "\n";
    if (hasNotes) {
        for (size_t i = 0; i < noteIds.size(); ++i)
            o << noteIds[i] << ((i + 1) % 8 == 0 || i + 1 == noteIds.size() ? "\n" : " ");
        for (size_t i = 0; i < 16; ++i)
            o << unsigned(categoryIds[i]) << " " << Hex(categoryLabels[i]) << "\n";
    }
    o << "inserts " << inserts.size() << "\n";
    for (const auto& [name, ins] : inserts)
        o << Hex(name) << " " << ins.pcHash << " " << ins.handheldModification << "\n";
    o << "end\n";
    const std::string text = o.str();
    return WriteFileReplacing(path, reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                              error);
}

} // namespace quillary::sync
