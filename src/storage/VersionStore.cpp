// SPDX-License-Identifier: GPL-3.0-or-later
#include "VersionStore.h"

#include "FileIO.h"
#include "StreamHash.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#endif
#define QUILLARY_VERSION_POSIX 1
#endif

namespace fs = std::filesystem;

namespace quillary {

namespace {

constexpr const char* kSuffix = ".pdb";

std::string TimeText(std::time_t t) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

bool ParseTimeText(const std::string& text, std::time_t& out) {
    // YYYYMMDD-HHMMSS
    if (text.size() != 15 || text[8] != '-')
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (i != 8 && (text[i] < '0' || text[i] > '9'))
            return false;
    std::tm tm{};
    tm.tm_year = std::stoi(text.substr(0, 4)) - 1900;
    tm.tm_mon = std::stoi(text.substr(4, 2)) - 1;
    tm.tm_mday = std::stoi(text.substr(6, 2));
    tm.tm_hour = std::stoi(text.substr(9, 2));
    tm.tm_min = std::stoi(text.substr(11, 2));
    tm.tm_sec = std::stoi(text.substr(13, 2));
    out = timegm(&tm);
    return out != std::time_t(-1);
}

// Days since 1970-01-01 of the local calendar date at t, so days subtract across months,
// years and changes of daylight saving time.
long LocalDayNumber(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    // The civil-calendar day count (Howard Hinnant's days_from_civil).
    const long m = tm.tm_mon + 1;
    const long y = long(tm.tm_year) + 1900 - (m <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + tm.tm_mday - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string HexHash(uint64_t hash) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(hash));
    return buf;
}

// "<id>~<hash>.pdb" after the "<file name>~" prefix.
bool ParseVersionName(const std::string& rest, VersionInfo& out) {
    if (rest.size() < 4 || rest.compare(rest.size() - 4, 4, kSuffix) != 0)
        return false;
    const std::string body = rest.substr(0, rest.size() - 4);
    const size_t tilde = body.rfind('~');
    if (tilde == std::string::npos || body.size() - tilde - 1 != 16)
        return false;
    const std::string hex = body.substr(tilde + 1);
    if (hex.find_first_not_of("0123456789abcdef") != std::string::npos)
        return false;
    out.hash = std::stoull(hex, nullptr, 16);
    out.id = body.substr(0, tilde);
    std::string timePart = out.id;
    if (out.id.size() > 15) {
        if (out.id[15] != '-' || out.id.size() == 16 ||
            out.id.find_first_not_of("0123456789", 16) != std::string::npos)
            return false;
        timePart = out.id.substr(0, 15);
    }
    return ParseTimeText(timePart, out.kept);
}

// Counter after the time ("-2"), 1 for none, for ordering versions kept in one second.
int Counter(const std::string& id) {
    return id.size() > 16 ? std::atoi(id.c_str() + 16) : 1;
}

int HeaderRecordCount(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[78];
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return -1;
    return (header[76] << 8) | header[77];
}

void SyncFolder(const std::string& dir) {
#ifdef QUILLARY_VERSION_POSIX
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
#else
    (void)dir;
#endif
}

// A copy-on-write clone of source at target, written through a temporary and renamed
// into place like a save. False (nothing left behind) where the file system cannot.
bool CloneFile(const std::string& source, const std::string& target) {
#if defined(QUILLARY_VERSION_POSIX) && defined(FICLONE)
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const std::string temp = target + ".clone.tmp";
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = ::ioctl(out, FICLONE, in) == 0 && ::fsync(out) == 0;
    ok = (::close(out) == 0) && ok;
    ::close(in);
    if (ok)
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
#else
    (void)source;
    (void)target;
    return false;
#endif
}

bool HardLink(const std::string& source, const std::string& target) {
#ifdef QUILLARY_VERSION_POSIX
    return ::link(source.c_str(), target.c_str()) == 0;
#else
    std::error_code ec;
    fs::create_hard_link(source, target, ec);
    return !ec;
#endif
}

// Versions are seldom read again: their pages leave the cache now (they are on the disk
// already), so the next save's new file reuses that memory instead of growing the cache
// by a whole file each time.
void DropFromCache(const std::string& path) {
#if defined(QUILLARY_VERSION_POSIX) && defined(POSIX_FADV_DONTNEED)
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
#else
    (void)path;
#endif
}

} // namespace

namespace {

// Size and hash of a file, read in pieces (no copy of a large file in memory).
bool HashFile(const std::string& path, uint64_t& size, uint64_t& hash, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Fail(error, path + ": cannot be opened for reading.");
    std::vector<char> buffer(size_t(1) << 20); // a multiple of 32
    StreamHash h;
    while (in) {
        in.read(buffer.data(), std::streamsize(buffer.size()));
        const std::streamsize n = in.gcount();
        if (n > 0)
            h.Update(reinterpret_cast<const uint8_t*>(buffer.data()), size_t(n));
    }
    if (in.bad())
        return Fail(error, path + ": reading the file failed.");
    hash = h.Final();
    size = 0;
    std::error_code ec;
    size = fs::file_size(path, ec);
    return !ec || Fail(error, path + ": cannot be read.");
}

} // namespace

uint64_t VersionStore::Hash(const uint8_t* data, size_t size) {
    StreamHash h;
    h.Update(data, size);
    return h.Final();
}

VersionStore::VersionStore(std::string databasePath) : m_databasePath(std::move(databasePath)) {}

std::string VersionStore::Folder() const {
    const fs::path p(m_databasePath);
    return (p.parent_path() / kFolderName).string();
}

bool VersionStore::EnsureFolder(std::string* error) const {
    const std::string folder = Folder();
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return true;
    if (fs::exists(fs::symlink_status(folder, ec)))
        return Fail(error, folder + ": is not a folder; earlier versions cannot be kept there.");
    fs::create_directory(folder, ec);
    if (ec)
        return Fail(error, folder + ": cannot be created (" + ec.message() + ").");
    SyncFolder(fs::path(folder).parent_path().string());
    return true;
}

std::vector<VersionInfo> VersionStore::List() const {
    std::vector<VersionInfo> out;
    const std::string prefix = fs::path(m_databasePath).filename().string() + "~";
    std::error_code ec;
    fs::directory_iterator it(Folder(), ec);
    if (ec)
        return out;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        VersionInfo info;
        if (!ParseVersionName(name.substr(prefix.size()), info))
            continue;
        std::error_code sec;
        if (!entry.is_regular_file(sec))
            continue;
        info.path = entry.path().string();
        info.size = entry.file_size(sec);
        info.records = HeaderRecordCount(info.path);
        out.push_back(std::move(info));
    }
    std::sort(out.begin(), out.end(), [](const VersionInfo& a, const VersionInfo& b) {
        if (a.kept != b.kept)
            return a.kept > b.kept;
        return Counter(a.id) > Counter(b.id);
    });
    return out;
}

bool VersionStore::Find(const std::string& idOrNumber, VersionInfo& out) const {
    const std::vector<VersionInfo> versions = List();
    for (const VersionInfo& v : versions)
        if (v.id == idOrNumber) {
            out = v;
            return true;
        }
    if (!idOrNumber.empty() && idOrNumber.size() < 6 &&
        idOrNumber.find_first_not_of("0123456789") == std::string::npos) {
        const size_t n = size_t(std::stoul(idOrNumber));
        if (n >= 1 && n <= versions.size()) {
            out = versions[n - 1];
            return true;
        }
    }
    return false;
}

bool VersionStore::NewName(std::time_t now, uint64_t hash, VersionInfo& out) const {
    const std::string prefix =
        (fs::path(Folder()) / fs::path(m_databasePath).filename()).string() + "~";
    // Never before the newest, so the newest stays the last kept even if the clock went back.
    const std::vector<VersionInfo> versions = List();
    if (!versions.empty() && versions.front().kept > now)
        now = versions.front().kept;
    const std::string base = TimeText(now);
    for (int n = 1; n < 10000; ++n) {
        const std::string id = n == 1 ? base : base + "-" + std::to_string(n);
        bool taken = false;
        for (const VersionInfo& v : versions)
            taken = taken || v.id == id;
        if (taken)
            continue;
        out = VersionInfo{};
        out.id = id;
        out.path = prefix + id + "~" + HexHash(hash) + kSuffix;
        out.kept = now;
        out.hash = hash;
        std::error_code ec;
        if (!fs::exists(out.path, ec))
            return true;
    }
    return false;
}

bool VersionStore::KeepFile(std::string* error, VersionInfo* kept, VersionMethod* method,
                            bool allowHardLink, std::time_t now, const KnownContent* known) {
    if (method)
        *method = VersionMethod::None;
    if (!FileExists(m_databasePath))
        return true;
    uint64_t size = 0, hash = 0;
    FileStamp stamp;
    if (known && known->known && GetFileStamp(m_databasePath, stamp) && stamp == known->stamp) {
        size = stamp.size;
        hash = known->hash;
    } else if (!HashFile(m_databasePath, size, hash, error)) {
        return false;
    }
    const std::vector<VersionInfo> versions = List();
    if (!versions.empty() && versions.front().size == size && versions.front().hash == hash) {
        if (kept)
            *kept = versions.front();
        return true;
    }
    if (!EnsureFolder(error))
        return false;
    VersionInfo info;
    if (!NewName(now, hash, info))
        return Fail(error, Folder() + ": no free name for another version.");
    // Through a symbolic link, the file it names (a hard link would copy the link itself).
    std::error_code ec;
    std::string source = fs::canonical(m_databasePath, ec).string();
    if (ec)
        source = m_databasePath;
    VersionMethod how = VersionMethod::Copy;
    if (CloneFile(source, info.path)) {
        how = VersionMethod::Clone;
        SyncFolder(Folder());
    } else if (allowHardLink && HardLink(source, info.path)) {
        // No flush of its own: the save that follows flushes its new file before it renames
        // it over the old one, and that flush commits the journal holding this link too.
        how = VersionMethod::HardLink;
    } else {
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(m_databasePath, bytes, error))
            return false;
        if (bytes.size() != size || Hash(bytes.data(), bytes.size()) != hash)
            return Fail(error, m_databasePath + ": the file changed while it was kept; try "
                                                "again.");
        if (!WriteFileReplacing(info.path, bytes, error))
            return false;
    }
    info.size = size;
    info.records = HeaderRecordCount(info.path);
    DropFromCache(info.path);
    if (kept)
        *kept = info;
    if (method)
        *method = how;
    return true;
}

bool VersionStore::KeepBytes(const std::vector<uint8_t>& bytes, std::string* error,
                             VersionInfo* kept, std::time_t now) {
    const uint64_t hash = Hash(bytes.data(), bytes.size());
    const std::vector<VersionInfo> versions = List();
    if (!versions.empty() && versions.front().size == bytes.size() &&
        versions.front().hash == hash) {
        if (kept)
            *kept = versions.front();
        return true;
    }
    if (!EnsureFolder(error))
        return false;
    VersionInfo info;
    if (!NewName(now, hash, info))
        return Fail(error, Folder() + ": no free name for another version.");
    if (!WriteFileReplacing(info.path, bytes, error))
        return false;
    info.size = bytes.size();
    info.records = bytes.size() >= 78 ? (bytes[76] << 8) | bytes[77] : -1;
    if (kept)
        *kept = info;
    return true;
}

bool VersionStore::Read(const VersionInfo& version, std::vector<uint8_t>& out,
                        std::string* error) const {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(version.path, bytes, error))
        return false;
    if (Hash(bytes.data(), bytes.size()) != version.hash)
        return Fail(error, version.path + ": the version was changed after it was kept; it "
                                          "is not the file as it was.");
    out = std::move(bytes);
    return true;
}

bool VersionStore::DropVersion(const VersionInfo& version) {
    std::error_code ec;
    return fs::remove(version.path, ec);
}

int VersionStore::UnshareVersions() {
#ifdef QUILLARY_VERSION_POSIX
    struct stat live {};
    if (::stat(m_databasePath.c_str(), &live) != 0 || !S_ISREG(live.st_mode) || live.st_nlink < 2)
        return 0;
    int copied = 0;
    for (const VersionInfo& v : List()) {
        struct stat st {};
        if (::stat(v.path.c_str(), &st) != 0 || st.st_dev != live.st_dev ||
            st.st_ino != live.st_ino)
            continue;
        // A clone or a copy renamed over the link: the version gets storage of its own.
        bool ok = CloneFile(v.path, v.path);
        if (!ok) {
            std::vector<uint8_t> bytes;
            ok =
                ReadWholeFile(v.path, bytes, nullptr) && WriteFileReplacing(v.path, bytes, nullptr);
        }
        if (ok)
            ++copied;
    }
    if (copied > 0)
        SyncFolder(Folder());
    return copied;
#else
    return 0;
#endif
}

int VersionStore::Prune(const VersionRetention& retention, std::time_t now) {
    const std::vector<VersionInfo> versions = List();
    std::vector<bool> keep(versions.size(), false);
    const int keepLast = std::max(1, retention.keepLast);
    // Days are the user's calendar days: today and the keepDays - 1 before it. (Counting
    // keepDays * 24 hours back instead reached into one more local day at most hours of
    // the day, so "30 days" kept 31.)
    const long today = LocalDayNumber(now);
    std::map<long, bool> daySeen;
    for (size_t i = 0; i < versions.size(); ++i) {
        if (int(i) < keepLast)
            keep[i] = true;
        const long day = LocalDayNumber(versions[i].kept);
        if (retention.keepDays > 0 && today - day < retention.keepDays) {
            if (!daySeen[day]) {
                daySeen[day] = true; // newest first: this is the day's newest
                keep[i] = true;
            }
        }
    }
    int removed = 0;
    for (size_t i = 0; i < versions.size(); ++i) {
        std::error_code ec;
        if (!keep[i] && fs::remove(versions[i].path, ec))
            ++removed;
    }
    // Not flushed: a removal a crash undoes leaves one version more, nothing lost.
    return removed;
}

bool ReplaceKeepingVersion(const std::string& path, const std::vector<ByteSpan>& pieces,
                           const VersionPolicy& policy, std::string* error, std::string* warning,
                           const std::function<void(size_t, size_t)>& progress) {
    if (warning)
        warning->clear();
    if (!policy.keep)
        return WriteFileReplacing(path, pieces, error, progress);
    VersionStore store(path);
    store.UnshareVersions();
    VersionInfo kept;
    bool linked = false;
    // Kept only once the new file is complete: the hard link and the rename then follow
    // each other at once, and a failed write leaves no version behind.
    auto keep = [&](std::string* stepError) {
        std::string why;
        VersionMethod how = VersionMethod::None;
        if (store.KeepFile(&why, &kept, &how, true, std::time(nullptr), &policy.current)) {
            linked = how == VersionMethod::HardLink;
            return true;
        }
        if (policy.replaceWithoutVersion) {
            if (warning)
                *warning = why;
            return true;
        }
        return Fail(stepError, path +
                                   ": the file there now cannot be kept as an earlier "
                                   "version, so it was not replaced (" +
                                   why + ").");
    };
    if (!WriteFileReplacing(path, pieces, error, progress, keep)) {
        // Not replaced: a link would share the file with whatever writes it next.
        if (linked)
            store.DropVersion(kept);
        return false;
    }
    if (linked)
        SyncFolder(store.Folder()); // the link is as durable as the rename
    store.Prune(policy.retention);
    return true;
}

bool ReplaceKeepingVersion(const std::string& path, const std::vector<uint8_t>& bytes,
                           const VersionPolicy& policy, std::string* error, std::string* warning) {
    return ReplaceKeepingVersion(path, std::vector<ByteSpan>{{bytes.data(), bytes.size()}}, policy,
                                 error, warning);
}

VersionRetention ParseVersionRetention(const std::string& keepLast, const std::string& keepDays) {
    VersionRetention r;
    auto parse = [](const std::string& text, int fallback, int low) {
        if (text.empty() || text.size() > 6 ||
            text.find_first_not_of("0123456789") != std::string::npos)
            return fallback;
        const int v = std::stoi(text);
        return v < low ? fallback : v;
    };
    r.keepLast = parse(keepLast, VersionRetention::kDefaultKeepLast, 1);
    r.keepDays = parse(keepDays, VersionRetention::kDefaultKeepDays, 0);
    return r;
}

} // namespace quillary
