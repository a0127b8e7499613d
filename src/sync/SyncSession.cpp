// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/SyncSession.h"

#include "storage/Cp1252.h"
#include "sync/InsertConduit.h"
#include "sync/NotesConduit.h"
#include "sync/SyncContext.h"
#include "sync/SyncState.h"

#include <exception>

namespace quillary::sync {

namespace {

// EndOfSync status: 0 when all went well, otherwise "error"; the handheld shows its log.
constexpr uint16_t kEndOk = 0, kEndError = 1;

// The handheld's log takes Windows-1252; what it cannot show becomes '?'.
std::string ForHandheld(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size() && out.size() < 1000;) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const size_t len = lead < 0x80    ? 1
                           : lead >= 0xF0 ? 4
                           : lead >= 0xE0 ? 3
                           : lead >= 0xC0 ? 2
                                          : 1;
        char32_t cp = len == 1 ? lead : lead & (0x3F >> (len - 1));
        for (size_t k = 1; k < len && i + k < utf8.size(); ++k)
            cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        const int b = UnicodeToCp1252(cp);
        out += (b < 0 || (len == 1 && lead >= 0x80)) ? '?' : char(b);
        i += len;
    }
    return out;
}

void TellHandheld(DlpClient& client, const std::string& utf8) {
    client.AddSyncLogEntry(ForHandheld(utf8) + "\n");
}

std::string Summary(const SyncReport& r) {
    std::string s = "Quillary: notes to the PC: " + std::to_string(r.notesAddedToPc) + " new, " +
                    std::to_string(r.notesChangedOnPc) + " changed, " +
                    std::to_string(r.notesDeletedOnPc) +
                    " deleted; to the handheld: " + std::to_string(r.notesAddedToHandheld) +
                    " new, " + std::to_string(r.notesChangedOnHandheld) + " changed, " +
                    std::to_string(r.notesDeletedOnHandheld) + " deleted";
    if (r.conflicts > 0)
        s += "; " + std::to_string(r.conflicts) + " changed on both sides (both kept)";
    if (r.insertsToPc + r.insertsToHandheld > 0)
        s += "; insert databases: " + std::to_string(r.insertsToPc) + " to the PC, " +
             std::to_string(r.insertsToHandheld) + " to the handheld";
    return s + ".";
}

} // namespace

SyncReport RunSync(DlpClient& client, SyncHost& host) {
    SyncReport report;
    SyncContext ctx{client, report};

    DlpSysInfo sys;
    DlpUserInfo hhUser;
    if (!ctx.Check(client.ReadSysInfo(sys), "asking the handheld about itself") ||
        !ctx.Check(client.ReadUserInfo(hhUser), "reading the handheld's user")) {
        report.outcome = SyncReport::Outcome::Failed;
        client.EndOfSync(kEndError); // fails at once when the connection is gone
        return report;
    }

    std::optional<SyncUser> user = host.FindUser(hhUser.userName, hhUser.userId);
    if (!user) {
        std::string refusal;
        user = host.AddUser(hhUser.userName, hhUser.userId, &refusal);
        if (!user) {
            if (refusal.empty())
                refusal = "The handheld user " + Cp1252ToUtf8(hhUser.userName) +
                          " is not known on this PC.";
            report.outcome = SyncReport::Outcome::Refused;
            report.reason = refusal;
            report.log.push_back(refusal);
            TellHandheld(client, refusal);
            client.EndOfSync(kEndError);
            return report;
        }
        report.log.push_back("New handheld user " + Cp1252ToUtf8(hhUser.userName) + " added.");
    }
    report.user = user;

    std::string refusal;
    if (!host.BeforeSync(*user, &refusal)) {
        if (refusal.empty())
            refusal = "The sync was refused on the PC.";
        report.outcome = SyncReport::Outcome::Refused;
        report.reason = refusal;
        report.log.push_back(refusal);
        TellHandheld(client, refusal);
        client.EndOfSync(kEndError);
        return report;
    }

    const uint32_t pcId = host.PcId();
    // The user's ID as it will be once this sync is through.
    const uint32_t handheldId = hhUser.userId != 0 ? hhUser.userId : user->userId;
    SyncState last;
    const bool known = SyncState::Read(SyncState::PathIn(user->folder), last) &&
                       last.pcId == pcId && last.handheldUserId == handheldId;
    // The handheld's change marks are relative to the PC it last synced with.
    const bool fast = known && last.hasNotes && hhUser.lastSyncPc == pcId;
    if (!fast)
        report.log.push_back(known ? "Slow sync: the handheld last synchronized elsewhere; "
                                     "nothing is deleted this time."
                                   : "Slow sync: no record of an earlier sync with this "
                                     "handheld here; nothing is deleted this time.");

    NotesConduit notes(ctx, *user, fast ? &last : nullptr);
    InsertConduit inserts(ctx, *user, known ? &last : nullptr);
    SyncState next;
    next.pcId = pcId;
    next.handheldUserId = handheldId;
    std::string why;
    bool ok = false;
    try {
        ok = ctx.Check(client.OpenConduit(), "starting the notes conduit") && notes.Exchange() &&
             inserts.Exchange() && notes.SavePc() && inserts.SavePc() &&
             (notes.FillState(next), inserts.FillState(next), true) &&
             (next.Write(SyncState::PathIn(user->folder), &why) ||
              ctx.Stop("The record of this sync could not be written, so the next one will be "
                       "slow: " +
                       why)) &&
             notes.Finish();
    } catch (const std::exception& e) {
        // Out of memory or the like: nothing is written after it.
        ctx.Stop(std::string("The sync stopped: ") + e.what());
    }

    if (ok) {
        DlpUserInfoUpdate update;
        update.modified = DlpUserInfoUpdate::kLastSyncPc | DlpUserInfoUpdate::kLastSyncDate;
        update.lastSyncPc = pcId;
        update.lastSync = host.Now();
        if (hhUser.userId == 0) {
            update.modified |= DlpUserInfoUpdate::kUserId;
            update.userId = user->userId;
        }
        if (ctx.Check(client.WriteUserInfo(update), "writing the sync time to the handheld")) {
            const std::string summary = Summary(report);
            report.log.push_back(summary);
            TellHandheld(client, summary);
            if (ctx.Check(client.EndOfSync(kEndOk), "ending the sync"))
                report.outcome = SyncReport::Outcome::Synced;
        }
    }
    if (report.outcome != SyncReport::Outcome::Synced) {
        report.outcome = SyncReport::Outcome::Failed;
        if (report.reason.empty())
            report.reason = "The sync stopped.";
        // Says why on the handheld when the connection still stands; harmless otherwise.
        TellHandheld(client, report.reason);
        client.EndOfSync(kEndError);
    }
    host.AfterSync(*user, report);
    return report;
}

} // namespace quillary::sync
