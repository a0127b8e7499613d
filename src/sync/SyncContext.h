// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the conduits of one sync share: the client, the report they fill and the first
// reason the sync stopped. Once stopped, everything the conduits would still do is
// skipped, so no PC file is written after a failure.

#include "sync/DlpClient.h"
#include "sync/SyncSession.h"

#include <string>

namespace quillary::sync {

struct SyncContext {
    DlpClient& client;
    SyncReport& report;
    bool stopped = false;

    void Log(std::string line) { report.log.push_back(std::move(line)); }
    // Stops the sync with a reason for the log; returns false for `return ctx.Stop(...)`.
    bool Stop(std::string why) {
        if (!stopped) {
            stopped = true;
            report.reason = why;
            Log(std::move(why));
        }
        return false;
    }
    // True when the command succeeded; otherwise stops the sync with what failed.
    bool Check(const DlpStatus& s, const std::string& doing) {
        if (s.Ok())
            return true;
        return Stop("The sync stopped while " + doing + ": " + s.message);
    }
};

} // namespace quillary::sync
