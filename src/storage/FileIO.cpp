// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileIO.h"

#include "StreamHash.h"
#include "TextUtil.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <string_view>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#define QUILLARY_POSIX_IO 1
#endif

namespace fs = std::filesystem;

namespace quillary {

bool Fail(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return false;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(fs::path(path), ec);
}

namespace {

// Opens path for reading at its start and tells its size; the refusals name the file.
bool OpenSized(const std::string& path, std::ifstream& in, std::streamoff& size,
               std::string* error) {
    std::error_code ec;
    const fs::path p(path);
    if (!fs::exists(p, ec))
        return Fail(error, "File : " + path + " not found.");
    if (fs::is_directory(p, ec))
        return Fail(error, path + ": is a folder, not a file.");
    in.open(p, std::ios::binary);
    if (!in)
        return Fail(error, path + ": cannot be opened for reading (" + std::strerror(errno) + ").");
    in.seekg(0, std::ios::end);
    size = in.tellg();
    if (size < 0)
        return Fail(error, path + ": cannot be read.");
    in.seekg(0, std::ios::beg);
    return true;
}

} // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string* error,
                   uint64_t maxBytes) {
    std::ifstream in;
    std::streamoff size = 0;
    if (!OpenSized(path, in, size, error))
        return false;
    if (uint64_t(size) > maxBytes)
        return Fail(error, path + ": the file is too large (" + std::to_string(size) + " bytes).");
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        return Fail(error, path + ": reading the file failed.");
    out.swap(bytes);
    return true;
}

bool ReadFileStart(const std::string& path, size_t n, std::vector<uint8_t>& out, uint64_t& fileSize,
                   std::string* error) {
    std::ifstream in;
    std::streamoff size = 0;
    if (!OpenSized(path, in, size, error))
        return false;
    std::vector<uint8_t> bytes(size_t(std::min<uint64_t>(uint64_t(size), n)));
    if (!bytes.empty() &&
        !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()))) {
        // Cut short by another program meanwhile: what was there is the start.
        bytes.resize(size_t(std::max<std::streamsize>(in.gcount(), 0)));
    }
    out.swap(bytes);
    fileSize = uint64_t(size);
    return true;
}

FileBuffer::~FileBuffer() {
#ifdef QUILLARY_POSIX_IO
    if (m_mapped) {
        ::munmap(m_bytes, m_mapped);
        return;
    }
#endif
    delete[] m_bytes;
}

bool FileBuffer::Allocate(size_t n) {
    size = n;
#if defined(QUILLARY_POSIX_IO) && defined(MADV_HUGEPAGE)
    constexpr size_t kHuge = size_t(2) << 20;
    if (n >= 2 * kHuge) {
        // Over-allocate to place the buffer on a huge-page boundary; the ends are returned.
        const size_t want = (n + kHuge - 1) / kHuge * kHuge;
        void* p = ::mmap(nullptr, want + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                         -1, 0);
        if (p != MAP_FAILED) {
            auto* base = static_cast<uint8_t*>(p);
            const uintptr_t addr = reinterpret_cast<uintptr_t>(base);
            uint8_t* aligned = base + ((kHuge - addr % kHuge) % kHuge);
            if (aligned > base)
                ::munmap(base, size_t(aligned - base));
            const size_t tail = size_t(base + want + kHuge - (aligned + want));
            if (tail > 0)
                ::munmap(aligned + want, tail);
            ::madvise(aligned, want, MADV_HUGEPAGE);
            m_bytes = aligned;
            m_mapped = want;
            return true;
        }
    }
#endif
    m_bytes = new (std::nothrow) uint8_t[n ? n : 1];
    return m_bytes != nullptr;
}

bool FileBuffer::Map(int fd, size_t n) {
#ifdef QUILLARY_POSIX_IO
    size = n;
    if (n == 0)
        return Allocate(0);
    int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
    // The whole file is read anyway: set up every page in one go, not one fault at a time.
    flags |= MAP_POPULATE;
#endif
    void* p = ::mmap(nullptr, n, PROT_READ, flags, fd, 0);
    if (p == MAP_FAILED)
        return false;
    m_bytes = static_cast<uint8_t*>(p);
    m_mapped = n;
    return true;
#else
    (void)fd;
    (void)n;
    return false;
#endif
}

namespace {
std::atomic<bool> g_mappedReading{false};
}

void SetMappedReading(bool on) {
    g_mappedReading = on;
}

#ifdef QUILLARY_POSIX_IO
namespace {
FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.size = uint64_t(st.st_size);
    stamp.modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + int64_t(st.st_mtim.tv_nsec);
    stamp.changedNs = int64_t(st.st_ctim.tv_sec) * 1000000000 + int64_t(st.st_ctim.tv_nsec);
    stamp.device = uint64_t(st.st_dev);
    stamp.inode = uint64_t(st.st_ino);
    return stamp;
}
} // namespace
#endif

bool GetFileStamp(const std::string& path, FileStamp& out) {
#ifdef QUILLARY_POSIX_IO
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    out = StampOf(st);
    return true;
#else
    (void)path, (void)out;
    return false;
#endif
}

bool ReadFileBuffer(const std::string& path, std::shared_ptr<const FileBuffer>& out,
                    std::string* error, uint64_t maxBytes) {
#ifdef QUILLARY_POSIX_IO
    std::error_code ec;
    const fs::path p(path);
    if (!fs::exists(p, ec))
        return Fail(error, "File : " + path + " not found.");
    if (fs::is_directory(p, ec))
        return Fail(error, path + ": is a folder, not a file.");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Fail(error, path + ": cannot be opened for reading (" + std::strerror(errno) + ").");
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < 0) {
        ::close(fd);
        return Fail(error, path + ": cannot be read.");
    }
    if (uint64_t(st.st_size) > maxBytes) {
        ::close(fd);
        return Fail(error,
                    path + ": the file is too large (" + std::to_string(st.st_size) + " bytes).");
    }
    auto buffer = std::make_shared<FileBuffer>();
    if (g_mappedReading && S_ISREG(st.st_mode) && buffer->Map(fd, size_t(st.st_size))) {
        ::close(fd);
        out = std::move(buffer);
        return true;
    }
    if (!buffer->Allocate(size_t(st.st_size))) {
        ::close(fd);
        return Fail(error, path + ": there is not enough memory to read the file (" +
                               std::to_string(st.st_size) + " bytes).");
    }
    // Hashed a few MiB at a time as they come in, while they are still in the cache.
    constexpr size_t kChunk = size_t(4) << 20;
    StreamHash hash;
    size_t done = 0;
    while (done < buffer->size) {
        const size_t want = std::min(kChunk, buffer->size - done);
        const ssize_t n = ::read(fd, buffer->writable() + done, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            return Fail(error, path + ": reading the file failed.");
        }
        hash.Update(buffer->data() + done, size_t(n));
        done += size_t(n);
    }
    ::close(fd);
    buffer->hashed = true;
    buffer->hash = hash.Final();
    buffer->modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + int64_t(st.st_mtim.tv_nsec);
    buffer->stamp = StampOf(st);
    out = std::move(buffer);
    return true;
#else
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, error, maxBytes))
        return false;
    auto buffer = std::make_shared<FileBuffer>();
    if (!buffer->Allocate(bytes.size()))
        return Fail(error, path + ": there is not enough memory to read the file.");
    std::memcpy(buffer->writable(), bytes.data(), bytes.size());
    out = std::move(buffer);
    return true;
#endif
}

bool FileSizeAndTime(const std::string& path, uint64_t& size, int64_t& modifiedNs) {
#ifdef QUILLARY_POSIX_IO
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    size = uint64_t(st.st_size);
    modifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + int64_t(st.st_mtim.tv_nsec);
    return true;
#else
    (void)path, (void)size, (void)modifiedNs;
    return false;
#endif
}

namespace {

long CurrentProcessId() {
#ifdef QUILLARY_POSIX_IO
    return long(::getpid());
#else
    return 0;
#endif
}

std::string TempNameFor(const fs::path& target) {
    static std::mt19937_64 rng{std::random_device{}()};
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld.%08llx.tmp", CurrentProcessId(),
                  static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
    std::string name(1, '.');
    name += target.filename().string();
    name += suffix;
    return (target.parent_path() / name).string();
}

bool AllOf(std::string_view s, bool (*pred)(char)) {
    if (s.empty())
        return false;
    for (char c : s)
        if (!pred(c))
            return false;
    return true;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f');
}

// Whether name is one of our temporaries for the file called targetName; *pid gets the
// writer's process ID, or -1 for the older names that carry none.
bool IsTempNameOf(const std::string& name, const std::string& targetName, long* pid) {
    const std::string prefix = "." + targetName + ".";
    const std::string ending = ".tmp";
    if (name.size() <= prefix.size() + ending.size() ||
        name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - ending.size(), ending.size(), ending) != 0)
        return false;
    const std::string_view middle =
        std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - ending.size());
    const size_t dot = middle.find('.');
    const std::string_view random = dot == std::string_view::npos ? middle : middle.substr(dot + 1);
    if (random.size() != 8 || !AllOf(random, IsHexDigit))
        return false;
    if (dot == std::string_view::npos) {
        *pid = -1;
        return true;
    }
    const std::string_view digits = middle.substr(0, dot);
    if (digits.size() > 9 || !AllOf(digits, IsDigit))
        return false;
    *pid = std::stol(std::string(digits));
    return true;
}

#ifdef QUILLARY_POSIX_IO
// Removes what earlier saves of target left behind when they were killed. A temporary
// is ours when its name is the target's own temporary name; it is left alone while its
// writer may still be at work: the writer holds a lock on it for the whole write, its
// process must be gone, and a temporary from before names carried the process ID must
// be an hour old.
void RemoveAbandonedTemporaries(const fs::path& target) {
    std::error_code ec;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string targetName = target.filename().string();
    fs::directory_iterator it(folder, ec);
    if (ec)
        return;
    for (const fs::directory_entry& entry : it) {
        long pid = 0;
        const std::string name = entry.path().filename().string();
        if (!IsTempNameOf(name, targetName, &pid) || !entry.is_regular_file(ec))
            continue;
        if (pid >= 0) {
            if (pid == CurrentProcessId() || pid <= 0)
                continue;
            if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
                continue; // the writer still runs (or may: we cannot tell)
        } else {
            const auto age = fs::file_time_type::clock::now() - entry.last_write_time(ec);
            if (ec || age < std::chrono::hours(1))
                continue;
        }
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(entry.path().c_str());
        ::close(fd);
    }
}
#endif

#ifdef QUILLARY_POSIX_IO
std::string Reason() {
    return std::strerror(errno);
}

// Hands what was written to the disk while the rest is still being written, so that the
// flush before the rename finds little left to do, and counts a piece as complete once it
// is on its way to the disk: a large save's progress then covers the wait for the disk,
// which otherwise came all at once after the bar was full. Where the system cannot do
// this, a piece is complete once written.
class Flusher {
public:
    Flusher(int fd, const std::vector<ByteSpan>& pieces,
            const std::function<void(size_t, size_t)>& progress)
        : m_fd(fd), m_pieces(pieces), m_progress(progress) {}

    // Pieces [0, written) are written, up to byte offset `end` of the file.
    void Written(size_t written, uint64_t end) {
        if (m_reported == m_pieces.size())
            return;
#ifdef SYNC_FILE_RANGE_WRITE
        // The stretch written since the last call starts on its way to the disk; the one
        // before it, started a call earlier, is waited for (it had the time this stretch
        // took to write). Stretches of at least a few MiB keep the disk busy in between.
        if (end - m_started < kStretch && written < m_pieces.size())
            return;
        ::sync_file_range(m_fd, off64_t(m_started), off64_t(end - m_started),
                          SYNC_FILE_RANGE_WRITE);
        if (m_started > m_waited)
            ::sync_file_range(m_fd, off64_t(m_waited), off64_t(m_started - m_waited),
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
        m_waited = m_started;
        Report(m_startedPieces);
        m_started = end;
        m_startedPieces = written;
        if (written == m_pieces.size()) {
            ::sync_file_range(m_fd, off64_t(m_waited), off64_t(end - m_waited),
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
            Report(written);
        }
#else
        (void)end;
        Report(written);
#endif
    }

private:
    static constexpr uint64_t kStretch = uint64_t(4) << 20;

    void Report(size_t complete) {
        for (; m_reported < complete; ++m_reported)
            if (m_progress)
                m_progress(m_reported + 1, m_pieces.size());
    }

    int m_fd;
    const std::vector<ByteSpan>& m_pieces;
    const std::function<void(size_t, size_t)>& m_progress;
    size_t m_reported = 0;
    uint64_t m_started = 0, m_waited = 0; // byte offsets: started to the disk, waited for
    size_t m_startedPieces = 0;
};

// Writes the pieces in order, as many per system call as it takes, resuming after short
// writes; progress gets (pieces written, all pieces) as each piece is complete (Flusher).
bool WriteAll(int fd, const std::vector<ByteSpan>& pieces,
              const std::function<void(size_t, size_t)>& progress) {
    constexpr size_t kBatch = IOV_MAX < 1024 ? IOV_MAX : 1024;
    std::vector<iovec> iov;
    iov.reserve(std::min(pieces.size(), kBatch));
    Flusher flusher(fd, pieces, progress);
    uint64_t offset = 0;
    size_t next = 0, skip = 0; // skip: bytes of pieces[next] already written
    while (next < pieces.size()) {
        iov.clear();
        for (size_t i = next; i < pieces.size() && iov.size() < kBatch; ++i) {
            const size_t off = i == next ? skip : 0;
            if (pieces[i].size > off)
                iov.push_back({const_cast<uint8_t*>(pieces[i].data) + off, pieces[i].size - off});
        }
        if (iov.empty())
            break;
        const ssize_t n = ::writev(fd, iov.data(), int(iov.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        offset += uint64_t(n);
        size_t left = size_t(n);
        while (next < pieces.size() && left >= pieces[next].size - skip) {
            left -= pieces[next].size - skip;
            skip = 0;
            ++next;
        }
        skip += left;
        flusher.Written(next, offset);
    }
    flusher.Written(pieces.size(), offset); // empty pieces at the end need no write
    return true;
}
#endif

} // namespace

bool WriteFileReplacing(const std::string& path, const uint8_t* data, size_t size,
                        std::string* error) {
    return WriteFileReplacing(path, std::vector<ByteSpan>{{data, size}}, error);
}

bool WriteFileReplacing(const std::string& path, const std::vector<ByteSpan>& pieces,
                        std::string* error, const std::function<void(size_t, size_t)>& progress,
                        const std::function<bool(std::string*)>& beforeRename) {
    fs::path target(path);
    std::error_code ec;
    if (fs::is_directory(target, ec))
        return Fail(error, path + ": is a folder, not a file.");
    // Through a link, write the file it points to: renaming over the link itself would
    // leave that file unchanged and turn the link into a separate copy.
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::canonical(target, ec);
        if (!ec)
            target = std::move(resolved);
    }
    // A write-protected file is not replaced behind the person's back.
    const fs::file_status status = fs::status(target, ec);
    // Nor a device or a pipe: the rename would put a file in place of the node itself.
    if (fs::exists(status) && !fs::is_regular_file(status))
        return Fail(error, path + ": is not a regular file; it is not replaced.");
    constexpr fs::perms kWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    bool readOnly =
        fs::is_regular_file(status) && (status.permissions() & kWrite) == fs::perms::none;
#ifdef QUILLARY_POSIX_IO
    if (fs::is_regular_file(status) && ::access(target.c_str(), W_OK) != 0)
        readOnly = true;
#endif
    if (readOnly)
        return Fail(error, path + ": the file is read-only; the previous file is unchanged.");
#ifdef QUILLARY_POSIX_IO
    RemoveAbandonedTemporaries(target);
#endif
    const std::string temp = TempNameFor(target);
#ifdef QUILLARY_POSIX_IO
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        return Fail(error, path + ": cannot write in its folder (" + Reason() + ").");
    // Held until the file is closed: a later save never takes this one for abandoned.
    ::flock(fd, LOCK_EX | LOCK_NB);
    std::string why;
    if (!WriteAll(fd, pieces, progress))
        why = "writing failed (" + Reason() + ")";
    else if (::fsync(fd) != 0)
        why = "flushing to disk failed (" + Reason() + ")";
    if (::close(fd) != 0 && why.empty())
        why = "closing failed (" + Reason() + ")";
    if (why.empty() && beforeRename) {
        std::string stepError;
        if (!beforeRename(&stepError)) {
            ::unlink(temp.c_str());
            return Fail(error, stepError);
        }
    }
    if (why.empty() && ::rename(temp.c_str(), target.c_str()) != 0)
        why = "replacing the file failed (" + Reason() + ")";
    if (!why.empty()) {
        ::unlink(temp.c_str());
        return Fail(error, path + ": " + why + "; the previous file is unchanged.");
    }
    // Make the rename itself durable.
    const std::string dir = target.has_parent_path() ? target.parent_path().string() : ".";
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
#else
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return Fail(error, path + ": cannot write in its folder.");
        for (const ByteSpan& p : pieces)
            out.write(reinterpret_cast<const char*>(p.data), std::streamsize(p.size));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return Fail(error, path + ": writing failed; the previous file is unchanged.");
        }
    }
    if (beforeRename) {
        std::string stepError;
        if (!beforeRename(&stepError)) {
            fs::remove(temp, ec);
            return Fail(error, stepError);
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return Fail(error, path + ": replacing the file failed; the previous file is unchanged.");
    }
    return true;
#endif
}

std::string GetLongFileName(const std::string& path) {
    std::string p = TrimSpaces(path);
    if (p.empty())
        return p;
    const bool hasSeparator = p.find('/') != std::string::npos
#if defined(_WIN32)
                              || p.find('\\') != std::string::npos
#endif
        ;
    if (!hasSeparator) {
        std::error_code ec;
        const fs::path cwd = fs::current_path(ec);
        if (!ec)
            p = (cwd / p).string();
    }
    return p;
}

} // namespace quillary
