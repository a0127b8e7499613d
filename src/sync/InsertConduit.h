// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The insert conduit: the text (Inst) and picture (Ins2) insert databases of creator QLRY,
// each copied whole from the side that changed since the last sync. The handheld's side
// changed when a record is marked changed or its modification number differs from the one
// the last sync saw; the PC's when the file's content hash differs from the saved one (a
// PC save writes fixed dates, so dates tell nothing). When both changed the PC's copy
// wins, the handheld's is kept as an earlier version of the PC file, and the log says so.
// A database deleted on one side goes on the other only when that side left it unchanged.

#include "sync/SyncContext.h"
#include "sync/SyncState.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillary::sync {

class InsertConduit {
public:
    InsertConduit(SyncContext& ctx, const SyncUser& user, const SyncState* state);

    // Everything on the handheld's side; what the PC gets is held until SavePc().
    bool Exchange();
    bool SavePc();
    void FillState(SyncState& next) const;

    // Databases listed from the handheld at most, and rounds of ReadDBList.
    static constexpr size_t kMaxDatabases = 4096;
    // Largest insert database file either side may hand over.
    static constexpr size_t kMaxImage = size_t(16) << 20;

private:
    struct PcFile {
        std::string path;
        std::vector<uint8_t> bytes;
        uint64_t hash = 0;
    };
    struct ToPc {
        std::string path;
        std::vector<uint8_t> image; // empty: delete the file (its version is kept)
        bool remove = false;
    };

    bool ListHandheld(std::map<std::string, DlpDbInfo>& out);
    bool ListPc(std::map<std::string, PcFile>& out);
    bool HandheldDirty(const std::string& name, bool& dirty);
    bool ReadHandheld(const DlpDbInfo& info, std::vector<uint8_t>& image);
    // *sent false (and a log line) when the PC's file cannot go to the handheld as it is.
    bool WriteHandheld(const std::string& name, const PcFile& file, bool exists, bool* sent);
    bool ResetHandheld(const std::string& name);
    bool Modification(const std::string& name, uint32_t& out);
    std::string NewPath(const std::string& name) const;

    SyncContext& m_Ctx;
    SyncUser m_User;
    const SyncState* m_State;
    std::vector<ToPc> m_ToPc;
    bool m_PcUnreadable = false; // a file of the insert folder could not be read
    std::map<std::string, SyncState::Insert> m_Next; // by name, PC hash filled at SavePc
    std::map<std::string, std::string> m_NextPath;   // name -> PC file whose hash is stored
};

} // namespace quillary::sync
