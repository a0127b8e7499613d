// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/SyncSession.h"

namespace quillary::sync {

SyncReport RunSync(DlpClient& client, SyncHost& host) {
    (void)host;
    SyncReport report;
    report.reason = "this desktop cannot synchronize notes yet";
    report.log.push_back(report.reason);
    client.EndOfSync(1);
    return report;
}

} // namespace quillary::sync
