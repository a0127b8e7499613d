// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdbFormat.h"

#include "ByteOrder.h"
#include "FileIO.h"
#include "TextUtil.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace quillary {

bool ParsePdbContainer(const uint8_t* data, size_t size, PdbContainer& out, std::string* error) {
    return ParsePdbContainer(data, size, size, out, error);
}

bool ParsePdbContainer(const uint8_t* data, size_t available, uint64_t fileSize, PdbContainer& out,
                       std::string* error) {
    // A file that grew or shrank between reading its size and its start is judged by
    // what was read.
    const uint64_t size = available < kPdbHeaderBytes ? uint64_t(available) : fileSize;
    if (!data || available < kPdbHeaderBytes)
        return Fail(error, "the file is " + std::to_string(available) +
                               " bytes long, too short for the 78-byte database header.");
    PdbContainer c;
    std::memcpy(c.header.data(), data, kPdbHeaderBytes);
    c.name = TrimAtNull(std::string_view(reinterpret_cast<const char*>(data), kPdbNameBytes));
    const size_t n = ReadBE16(data + pdb::kRecordCount);
    if (n > size_t(kPdbMaxRecords))
        return Fail(error, "the header gives a record count of " + std::to_string(n) +
                               " (at most 32767 are possible).");
    const size_t listEnd = kPdbHeaderBytes + kPdbEntryBytes * n;
    if (listEnd > size || listEnd > available)
        return Fail(error, "the header announces " + std::to_string(n) +
                               " records, but the file ends before their record list (" +
                               std::to_string(std::min<uint64_t>(size, available)) + " of " +
                               std::to_string(listEnd) + " bytes).");
    c.entries.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* e = data + kPdbHeaderBytes + kPdbEntryBytes * i;
        PdbRecordEntry& r = c.entries[i];
        r.offset = ReadBE32(e);
        r.attributes = e[4];
        r.uniqueID = (uint32_t(e[5]) << 16) | (uint32_t(e[6]) << 8) | e[7];
        if (r.offset < listEnd || r.offset >= size)
            return Fail(error, "record " + std::to_string(i + 1) + " is said to start at offset " +
                                   std::to_string(r.offset) + ", outside the record area (" +
                                   std::to_string(listEnd) + " to " + std::to_string(size) + ").");
    }
    out = std::move(c);
    return true;
}

std::string PdbFourCC(const PdbHeader& header, size_t offset) {
    return std::string(reinterpret_cast<const char*>(header.data() + offset), 4);
}

void SetPdbFourCC(PdbHeader& header, size_t offset, std::string_view code) {
    for (size_t i = 0; i < 4; ++i)
        header[offset + i] = i < code.size() ? uint8_t(code[i]) : uint8_t(' ');
}

void PutPaddedString(uint8_t* field, std::string_view s, size_t width) {
    if (width == 0)
        return;
    std::string t = TrimSpaces(s);
    if (t.size() > width - 1)
        t = TrimSpaces(std::string_view(t).substr(0, width - 1)); // reads back the same
    std::memcpy(field, t.data(), t.size());
    field[t.size()] = 0;
    std::memset(field + t.size() + 1, ' ', width - t.size() - 1);
}

void PrepareHeaderForSave(PdbHeader& header, std::string_view name, uint16_t count,
                          int64_t appInfoOffset) {
    PutPaddedString(header.data(), name, kPdbNameBytes);
    WriteBE16(header.data() + pdb::kAttributes, 0);
    WriteBE16(header.data() + pdb::kVersion, 1);
    WriteBE32(header.data() + pdb::kCreationDate, 1);
    WriteBE32(header.data() + pdb::kModificationDate, 1);
    if (appInfoOffset >= 0)
        WriteBE32(header.data() + pdb::kAppInfoOffset, uint32_t(appInfoOffset));
    WriteBE16(header.data() + pdb::kRecordCount, count);
}

void WritePdbEntry(uint8_t* dst, const PdbRecordEntry& entry) {
    WriteBE32(dst, entry.offset);
    dst[4] = entry.attributes;
    dst[5] = uint8_t(entry.uniqueID >> 16);
    dst[6] = uint8_t(entry.uniqueID >> 8);
    dst[7] = uint8_t(entry.uniqueID);
}

bool CheckDatabaseFileHead(const std::string& path, std::string* error) {
    if (path.empty())
        return Fail(error, "No database file name is set.");
    if (!FileExists(path))
        return Fail(error, "File : " + path + " not found.");
    std::vector<uint8_t> head;
    uint64_t size = 0;
    if (!ReadFileStart(path, kPdbHeaderBytes, head, size, error))
        return false;
    // The record list only when the count is possible and the file can hold it: the
    // parse below says what is wrong otherwise, from the header alone.
    if (head.size() == kPdbHeaderBytes) {
        const size_t n = ReadBE16(head.data() + pdb::kRecordCount);
        const size_t listEnd = kPdbHeaderBytes + kPdbEntryBytes * n;
        if (n <= size_t(kPdbMaxRecords) && listEnd <= size &&
            !ReadFileStart(path, listEnd, head, size, error))
            return false;
    }
    PdbContainer container;
    std::string why;
    if (!ParsePdbContainer(head.data(), head.size(), size, container, &why))
        return Fail(error, FileError(path, why));
    return true;
}

bool ReadDatabaseFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error) {
    if (!CheckDatabaseFileHead(path, error))
        return false;
    return ReadWholeFile(path, bytes, error);
}

bool ReadDatabaseFile(const std::string& path, std::shared_ptr<const FileBuffer>& bytes,
                      std::string* error) {
    if (!CheckDatabaseFileHead(path, error))
        return false;
    return ReadFileBuffer(path, bytes, error);
}

bool IsPalmDatabaseFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size < kPdbHeaderBytes)
        return false;
    // The record list is all ParsePdbContainer reads; offsets are checked against the size.
    const size_t wanted =
        size_t(std::min<uintmax_t>(size, kPdbHeaderBytes + kPdbEntryBytes * kPdbMaxRecords));
    std::vector<uint8_t> head(wanted);
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(head.data()), std::streamsize(wanted)))
        return false;
    if (std::memcmp(head.data(), "%PDF", 4) == 0)
        return false;
    PdbContainer container;
    return ParsePdbContainer(head.data(), size_t(size), container, nullptr);
}

bool MayWriteDatabaseTo(const std::string& path, std::string* error) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec)))
            return Fail(error, path + ": is a link to nothing; nothing was written.");
        return true;
    }
    if (!std::filesystem::is_regular_file(status))
        return Fail(error, path + ": is not a regular file; nothing was written.");
    if (!IsPalmDatabaseFile(path))
        return Fail(error, path + ": is not a Palm database, so it is not replaced; nothing "
                                  "was written.");
    return true;
}

std::string FileError(const std::string& path, const std::string& reason) {
    return "File : " + path + ": " + reason;
}

} // namespace quillary
