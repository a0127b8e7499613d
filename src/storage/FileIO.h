// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whole-file reading and crash-safe whole-file writing for the storage classes. Errors
// come back as text naming the file; nothing here throws or prints.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillary {

// True when path names an existing regular file (not a folder).
bool FileExists(const std::string& path);

// Reads the whole file. Refuses folders and files larger than maxBytes.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string* error,
                   uint64_t maxBytes = uint64_t(1) << 31);

// Reads the first n bytes of the file (fewer when it is shorter) into out and its size
// into fileSize; nothing more of it is read. Same refusals and messages as ReadWholeFile,
// apart from the size limit.
bool ReadFileStart(const std::string& path, size_t n, std::vector<uint8_t>& out, uint64_t& fileSize,
                   std::string* error);

// What tells, without reading a file, that it is still the one last read or written:
// size, modification and status-change times (nanoseconds since the epoch), device and
// inode. A rewrite in place changes the times, a replacement the inode.
struct FileStamp {
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file at path (through links); false when there is no such file.
bool GetFileStamp(const std::string& path, FileStamp& out);

// A whole file read into memory once and never changed afterwards; records read from it
// keep it alive and refer to their bytes in it instead of copying them.
struct FileBuffer {
    FileBuffer() = default;
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;
    ~FileBuffer();

    // Room for n bytes, contents undefined. Large buffers are asked for in huge pages:
    // a 40 MB file then costs a few dozen page faults instead of ten thousand.
    bool Allocate(size_t n);
    // The first n bytes of the open file fd, mapped read-only instead of copied.
    bool Map(int fd, size_t n);
    const uint8_t* data() const { return m_bytes; }
    uint8_t* writable() { return m_bytes; }

    size_t size = 0;
    // Set by ReadFileBuffer when it copies the file: the hash of its bytes
    // (VersionStore::Hash), taken as they came in, and the file's modification time as
    // it was read (nanoseconds since the epoch). Whoever watches the file for changes by
    // other programs needs no second read to know what it held.
    bool hashed = false;
    uint64_t hash = 0;
    int64_t modifiedNs = 0;
    FileStamp stamp; // the file's, as it was read

private:
    uint8_t* m_bytes = nullptr;
    size_t m_mapped = 0; // length of the mapping, or 0 for heap memory
};

// Reads the whole file with as few reads as the system allows and no zero-filling first.
// Same refusals and messages as ReadWholeFile.
//
// With SetMappedReading(true) the file is mapped instead: no copy at all, which is what a
// short command-line run wants. A mapping follows the file, so a file cut short by
// another program while mapped raises SIGBUS on the next access; only a process that
// lives for one command and handles that signal should turn this on. The window keeps
// the default, a private copy, since it holds a database for hours.
bool ReadFileBuffer(const std::string& path, std::shared_ptr<const FileBuffer>& out,
                    std::string* error, uint64_t maxBytes = uint64_t(1) << 31);
void SetMappedReading(bool on);

// Size and modification time (nanoseconds since the epoch) of the file at path, as
// FileBuffer keeps them; false when there is no such file.
bool FileSizeAndTime(const std::string& path, uint64_t& size, int64_t& modifiedNs);
// One stretch of bytes of a gathered write.
struct ByteSpan {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Writes data to a new temporary file in the same folder, flushes it to the disk, then
// renames it over path. On any failure the temporary file is removed, an existing file
// at path is left as it was, and *error says why. A read-only file is refused, and so is
// anything but a regular file (a device, a pipe); through a link the linked file is written.
//
// The temporary is ".<file name>.<process ID>.<8 hex digits>.tmp", locked (flock) while
// it is written. Temporaries of the same file left by a writer that was killed (its
// process gone, its lock free) are removed first; so are unlocked ones named without a
// process ID (".<file name>.<8 hex digits>.tmp") once they are an hour old.
bool WriteFileReplacing(const std::string& path, const uint8_t* data, size_t size,
                        std::string* error);
inline bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& data,
                               std::string* error) {
    return WriteFileReplacing(path, data.data(), data.size(), error);
}

// The same for a file image made of pieces written one after the other (gathered writes,
// no joined copy). progress, when set, gets (pieces written, all pieces) as each piece is
// complete: written and, where the system allows, handed to the disk (the flushing then
// overlaps the writing, and the wait for the disk moves the progress too). beforeRename,
// when set, runs once the new file is complete and flushed, right before it is renamed
// over the old one (the old file is still in place): returning false stops the replace
// with its own text in *error, the old file unchanged.
bool WriteFileReplacing(const std::string& path, const std::vector<ByteSpan>& pieces,
                        std::string* error,
                        const std::function<void(size_t, size_t)>& progress = {},
                        const std::function<bool(std::string*)>& beforeRename = {});

// The path with surrounding spaces removed; a bare file name (no folder separator) is
// taken relative to the current folder.
std::string GetLongFileName(const std::string& path);

// Sets *error (when not null) to text; returns false so callers can `return Fail(...)`.
bool Fail(std::string* error, std::string text);

} // namespace quillary
