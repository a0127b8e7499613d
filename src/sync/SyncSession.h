// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One whole HotSync of one handheld, from the user's identity to EndOfSync: the notes
// conduit, the insert conduit and what the log says. Everything the desktop decides (which
// PC user, whether a new handheld may be added, whether the window lets the sync go ahead)
// is asked of a SyncHost, so this stays free of Qt and sockets and runs the same against a
// socket, a recording or the tests' simulated handheld.

#include "sync/DlpClient.h"
#include "sync/DlpTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillary::sync {

// A PC user as the user list knows it. Paths are absolute, in the file system's bytes.
struct SyncUser {
    uint32_t userId = 0;      // the HotSync user ID (a handheld that had 0 is given this one)
    std::string name;         // the user name, the handheld's bytes (Windows-1252)
    std::string folder;       // the user's folder
    std::string notesFile;    // <folder>/QL<name>.pdb
    std::string insertFolder; // <folder>/QLInsertPDB
};

struct SyncReport {
    enum class Outcome { Synced, Refused, Failed };
    Outcome outcome = Outcome::Failed;
    std::string reason; // why it was refused or failed; empty when synced
    std::optional<SyncUser> user;
    int notesAddedToPc = 0, notesChangedOnPc = 0, notesDeletedOnPc = 0;
    int notesAddedToHandheld = 0, notesChangedOnHandheld = 0, notesDeletedOnHandheld = 0;
    int conflicts = 0;
    int insertsToPc = 0, insertsToHandheld = 0;
    std::vector<std::string> log; // UTF-8 lines: what changed, or why it stopped
};

class SyncHost {
public:
    virtual ~SyncHost() = default;
    // The PC user whose name and ID both match the handheld's; nothing when unknown (a
    // known name with another ID is unknown).
    virtual std::optional<SyncUser> FindUser(const std::string& handheldName,
                                             uint32_t handheldUserId) = 0;
    // An unknown handheld user: added to the user list with a folder when the person agrees,
    // otherwise nothing and the reason the handheld's log shows.
    virtual std::optional<SyncUser> AddUser(const std::string& handheldName,
                                            uint32_t handheldUserId, std::string* refusal) = 0;
    // Asked before the user's databases are touched; false with the reason refuses (the
    // window holds that user's unsaved notes).
    virtual bool BeforeSync(const SyncUser& user, std::string* refusal) = 0;
    // Told once after every sync that BeforeSync let through, whatever its outcome, so the
    // window rereads what changed.
    virtual void AfterSync(const SyncUser& user, const SyncReport& report) = 0;
    // This PC, for the handheld's "last sync PC".
    virtual uint32_t PcId() const = 0;
    virtual DlpTime Now() const = 0;
};

// Runs one sync over a client whose Handshake() has succeeded, and ends it with EndOfSync
// when the connection still stands. Never throws. The PC files are written only after every
// change on the handheld has been made: a dropped connection or a hostile answer before that
// leaves every PC file as it was; a drop in the few steps after it (clearing the handheld's
// change marks, the user info, EndOfSync) leaves the PC files complete, and the next sync
// finds the two sides in step. The caller writes report.log where the user can read it.
SyncReport RunSync(DlpClient& client, SyncHost& host);

} // namespace quillary::sync
