// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Earlier versions of a notes file, kept in the hidden folder ".quillary-versions" next to
// it, so a note is never lost to a save or a HotSync.
//
// A version is a whole file image named "<file name>~<YYYYMMDD-HHMMSS>[-N]~<hash>.pdb"
// (UTC time it was kept, a counter for several in one second, 16 hex digits of a 64-bit
// hash of the content). The newest version is never kept twice: content equal to
// it in size and hash is not stored again. Nothing here throws or prints.

#include "FileIO.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace quillary {

struct VersionInfo {
    std::string id;     // "20261210-142817" or "20261210-142817-2"
    std::string path;   // the version's file
    std::time_t kept{}; // when it was kept (UTC seconds)
    uint64_t size = 0;
    uint64_t hash = 0;
    int records = -1; // record count from the file header; -1 when unreadable
};

// How many versions pruning keeps: the newest keepLast, plus the newest of each day of
// the last keepDays days (local calendar days: today and the keepDays - 1 before it). The
// newest version is always kept.
struct VersionRetention {
    static constexpr int kDefaultKeepLast = 20;
    static constexpr int kDefaultKeepDays = 30;
    int keepLast = kDefaultKeepLast;
    int keepDays = kDefaultKeepDays;
};

// The content of a file as its writer last read or wrote it, so that keeping it as a
// version needs no reading of it: trusted only while the file's stamp is still this one.
struct KnownContent {
    bool known = false;
    FileStamp stamp;
    uint64_t hash = 0; // VersionStore::Hash of the content
};

// What a replace does with the file it replaces (see ReplaceKeepingVersion).
struct VersionPolicy {
    bool keep = true; // keep the file there now as an earlier version first
    // When that version cannot be kept: false refuses the replace and leaves the file as it
    // is (what a command does); true replaces it all the same and says why in the warning
    // (the window, which tells the person and must not lose the notes it shows).
    bool replaceWithoutVersion = false;
    VersionRetention retention;
    KnownContent current; // the file there now, when its writer knows it
};

// How a version was stored (for tests and benchmarks).
enum class VersionMethod { None, Clone, HardLink, Copy };

class VersionStore {
public:
    static constexpr const char* kFolderName = ".quillary-versions";

    // databasePath: the notes file whose versions are kept.
    explicit VersionStore(std::string databasePath);

    const std::string& DatabasePath() const { return m_databasePath; }
    std::string Folder() const;

    // Keeps the file as it is on disk now, before something replaces it. A missing file
    // keeps nothing and succeeds. *method says how it was stored (None when unchanged).
    // allowHardLink: the caller is about to replace the file by renaming a new one over it,
    // so sharing the old file's data with the version is safe once that is done; call
    // DropVersion with the result if the replacement then fails.
    // known: the file's content as the caller last read or wrote it; while the file's stamp
    // matches, its hash is taken from there instead of reading the file.
    bool KeepFile(std::string* error, VersionInfo* kept = nullptr, VersionMethod* method = nullptr,
                  bool allowHardLink = false, std::time_t now = std::time(nullptr),
                  const KnownContent* known = nullptr);
    // Keeps a file image given in memory (what a window showed).
    bool KeepBytes(const std::vector<uint8_t>& bytes, std::string* error,
                   VersionInfo* kept = nullptr, std::time_t now = std::time(nullptr));

    // The versions of this file, newest first.
    std::vector<VersionInfo> List() const;
    // Finds a version by its id, or by its 1-based number in List() ("1" is the newest).
    bool Find(const std::string& idOrNumber, VersionInfo& out) const;
    // Reads a version; refuses one whose content no longer matches its hash.
    bool Read(const VersionInfo& version, std::vector<uint8_t>& out, std::string* error) const;
    // Removes one version (a hard-linked one whose replacement failed).
    bool DropVersion(const VersionInfo& version);
    // Gives every version that shares its storage with the file (a hard link left by a
    // writer that died between keeping it and renaming the new file over the old one) a
    // copy of its own, so a program that writes the file in place cannot change it.
    // Returns how many were copied. Cheap when there is nothing to do (one stat).
    int UnshareVersions();
    // Removes what the retention does not keep; returns how many were removed.
    int Prune(const VersionRetention& retention, std::time_t now = std::time(nullptr));

    // The hash versions are compared by.
    static uint64_t Hash(const uint8_t* data, size_t size);

private:
    bool NewName(std::time_t now, uint64_t hash, VersionInfo& out) const;
    bool EnsureFolder(std::string* error) const;

    std::string m_databasePath;
};

// The one way a notes or insert database file is replaced: like WriteFileReplacing, and the
// file there now is kept as an earlier version (VersionStore of path) right before the new
// one is renamed over it, so the version costs a hard link and shares nothing once the
// rename is done. A missing file keeps nothing. Versions left sharing the file by a writer
// that was killed are made independent first; the retention prunes afterwards.
// *warning (cleared first) says why no version was kept when the policy replaced anyway.
bool ReplaceKeepingVersion(const std::string& path, const std::vector<ByteSpan>& pieces,
                           const VersionPolicy& policy, std::string* error,
                           std::string* warning = nullptr,
                           const std::function<void(size_t, size_t)>& progress = {});
bool ReplaceKeepingVersion(const std::string& path, const std::vector<uint8_t>& bytes,
                           const VersionPolicy& policy, std::string* error,
                           std::string* warning = nullptr);

// Reads the retention from two setting texts; empty or invalid texts give the defaults.
VersionRetention ParseVersionRetention(const std::string& keepLast, const std::string& keepDays);

} // namespace quillary
