// SPDX-License-Identifier: GPL-3.0-or-later
#include "StagedFolder.h"

#include "FileIO.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#define QUILLARY_STAGED_POSIX 1
#endif

namespace fs = std::filesystem;

namespace quillary {

namespace {

bool IsEmptyFolder(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec) && fs::is_empty(p, ec) && !ec;
}

#ifdef QUILLARY_STAGED_POSIX
// Flushes everything written into dir (its files and names) with one call.
bool SyncEverythingIn(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
#ifdef __linux__
    const bool ok = ::syncfs(fd) == 0;
#else
    ::sync();
    const bool ok = ::fsync(fd) == 0;
#endif
    ::close(fd);
    return ok;
}

void SyncFolder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
#endif

} // namespace

StagedFolder::~StagedFolder() {
    Discard();
}

void StagedFolder::Discard() {
    if (m_committed || m_temp.empty())
        return;
    std::error_code ec;
    fs::remove_all(m_temp, ec);
    m_temp.clear();
}

bool StagedFolder::Begin(const std::string& target, const std::string& forWhat,
                         std::string* error) {
    Discard();
    m_committed = false;
    fs::path p = fs::path(target).lexically_normal();
    if (!p.has_filename() && p.has_parent_path())
        p = p.parent_path(); // "out/" names the folder "out"
    std::error_code ec;
    const fs::file_status status = fs::status(p, ec);
    if (fs::exists(status)) {
        if (!fs::is_directory(status))
            return Fail(error, target + " is a file, not a folder.");
        if (!IsEmptyFolder(p))
            return Fail(error, "The folder " + target +
                                   " is not empty; choose an empty or new "
                                   "folder for the " +
                                   forWhat + ".");
    } else if (fs::exists(fs::symlink_status(p, ec))) {
        return Fail(error, target + " is a link to nothing, not a folder.");
    }
    const fs::path parent = p.has_parent_path() ? p.parent_path() : fs::path(".");
    fs::create_directories(parent, ec);
    if (!fs::is_directory(parent, ec))
        return Fail(error, "The folder " + target + " cannot be created.");
    static std::mt19937_64 rng{std::random_device{}()};
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[48];
#ifdef QUILLARY_STAGED_POSIX
        const long pid = long(::getpid());
#else
        const long pid = 0;
#endif
        std::snprintf(suffix, sizeof suffix, ".%ld.%08llx.tmp", pid,
                      static_cast<unsigned long long>(rng() & 0xFFFFFFFFull));
        const fs::path temp = parent / ("." + p.filename().string() + suffix);
        if (fs::create_directory(temp, ec)) {
            m_target = p.string();
            m_temp = temp.string();
            return true;
        }
        if (ec && ec != std::errc::file_exists)
            break;
    }
    return Fail(error, "The folder " + target + " cannot be created (" +
                           (ec ? ec.message() : std::string("no free temporary name")) + ").");
}

bool StagedFolder::Commit(std::string* error) {
    if (m_temp.empty())
        return Fail(error, "Nothing was written.");
#ifdef QUILLARY_STAGED_POSIX
    if (!SyncEverythingIn(m_temp))
        return Fail(error, m_target + ": flushing the files to disk failed (" +
                               std::strerror(errno) + ").");
#endif
    std::error_code ec;
    // Over an empty folder the rename replaces it; anything put there meanwhile stays.
    fs::rename(m_temp, m_target, ec);
    if (ec)
        return Fail(error, "The folder " + m_target + " cannot be written (" + ec.message() +
                               "); nothing was written there.");
    m_committed = true;
#ifdef QUILLARY_STAGED_POSIX
    const fs::path target(m_target);
    SyncFolder(target.has_parent_path() ? target.parent_path().string() : ".");
#endif
    return true;
}

} // namespace quillary
