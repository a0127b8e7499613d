// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Palm database container shared by notes and insert databases: the 78-byte header
// and the record list of 8-byte entries (all big-endian). What follows the record list
// (application-info block, records) belongs to the database classes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillary {

struct FileBuffer;

constexpr size_t kPdbHeaderBytes = 78;
constexpr size_t kPdbEntryBytes = 8;
constexpr size_t kPdbNameBytes = 32;
// The handheld counts records in a signed 16-bit field.
constexpr int kPdbMaxRecords = 32767;

// Header field offsets.
namespace pdb {
constexpr size_t kAttributes = 32, kVersion = 34, kCreationDate = 36, kModificationDate = 40,
                 kBackupDate = 44, kModificationNumber = 48, kAppInfoOffset = 52,
                 kSortInfoOffset = 56, kType = 60, kCreator = 64, kUniqueIdSeed = 68,
                 kNextRecordList = 72, kRecordCount = 76;
}

using PdbHeader = std::array<uint8_t, kPdbHeaderBytes>;

struct PdbRecordEntry {
    uint32_t offset = 0;    // absolute file offset of the record's first byte
    uint8_t attributes = 0; // 0x40 dirty, low four bits the category
    uint32_t uniqueID = 0;  // 24 bits
};

struct PdbContainer {
    PdbHeader header{};
    std::string name; // TrimAtNull of the name field
    std::vector<PdbRecordEntry> entries;
};

// Reads header and record list. Checks that the header is complete, the record count is
// 0..32767, the record list fits the file and every record starts after the record list
// and inside the file. Errors say what is wrong, without the file name.
bool ParsePdbContainer(const uint8_t* data, size_t size, PdbContainer& out, std::string* error);
// The same from the start of a file of fileSize bytes of which data holds the first
// available: enough for the header and record list, which is all that is read.
bool ParsePdbContainer(const uint8_t* data, size_t available, uint64_t fileSize, PdbContainer& out,
                       std::string* error);

// 4-character type or creator field as text.
std::string PdbFourCC(const PdbHeader& header, size_t offset);
void SetPdbFourCC(PdbHeader& header, size_t offset, std::string_view code);

// Writes s (spaces trimmed) into a fixed field of `width` bytes: the characters, one NUL,
// then spaces. A text that would leave no room for the NUL is cut to width - 1.
void PutPaddedString(uint8_t* field, std::string_view s, size_t width);

// The header as a save writes it: name, attributes 0, version 1, creation and
// modification dates 1, record count n; the application-info offset only when
// appInfoOffset >= 0. Everything else stays as held.
void PrepareHeaderForSave(PdbHeader& header, std::string_view name, uint16_t count,
                          int64_t appInfoOffset);

void WritePdbEntry(uint8_t* dst, const PdbRecordEntry& entry);

// Reads a database file whole: "No database file name is set." for "", "File : <path>
// not found." for a missing file, or the reason it cannot be read. The header and record
// list are read and checked first (as ParsePdbContainer does, "File : <path>: <reason>"),
// so a file that claims more notes than it holds is refused before the rest is read or
// mapped: a refusal costs a few hundred KiB whatever the file's size.
bool ReadDatabaseFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error);
// The same into one shared, unchanging buffer that records can refer to.
bool ReadDatabaseFile(const std::string& path, std::shared_ptr<const FileBuffer>& bytes,
                      std::string* error);
// Just the header and record list check of ReadDatabaseFile.
bool CheckDatabaseFileHead(const std::string& path, std::string* error);

// Whether the file at path (through links) reads as a Palm database: a complete header and
// record list whose records start inside the file. Writers of other kinds of file (a
// PDF) refuse to replace one. Reads only the header and the record list.
bool IsPalmDatabaseFile(const std::string& path);

// Whether a database may be written to path: nothing is there, or a Palm database is
// (which a replace keeps as a version). Anything else (a document, a folder, a device)
// is refused with a reason naming path.
bool MayWriteDatabaseTo(const std::string& path, std::string* error);

// "File : <path>: <reason>" style prefix for container errors.
std::string FileError(const std::string& path, const std::string& reason);

} // namespace quillary
