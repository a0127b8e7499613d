// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The notes conduit: the handheld's notes database (QuillaryDBv2, type Not2, creator QLRY)
// and the user's notes file, synchronized record by record by unique ID.
//
// Exchange() reads both sides, decides and makes every change on the handheld (new
// records are written marked changed, so a sync that stops before the end leaves them for
// the next one to pair by content instead of copying them twice); SavePc() then writes the
// PC file in one crash-safe replace that keeps the earlier version; Finish() clears the
// handheld's change marks. Nothing is written on the PC before every handheld change has
// been made, and the handheld's marks are cleared only after the PC file is safe.

#include "sync/SyncContext.h"
#include "sync/SyncState.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class clsDatabase;

namespace quillary::sync {

class NotesConduit {
public:
    static constexpr const char* kDbName = "QuillaryDBv2";

    // state: the last sync's state when it was made with this PC and this handheld and the
    // handheld says it last synced here (a fast sync), or nullptr (a slow sync that deletes
    // nothing).
    NotesConduit(SyncContext& ctx, const SyncUser& user, const SyncState* state);
    ~NotesConduit();

    bool Exchange();
    bool SavePc();
    bool Finish();
    // The notes part of the state after a successful sync.
    void FillState(SyncState& next) const;
    bool Slow() const { return m_State == nullptr; }

private:
    struct HhRecord {
        uint32_t id = 0;
        uint8_t attributes = 0;
        uint8_t category = 0;
        std::vector<uint8_t> data;
        bool Deleted() const;
        bool Dirty() const;
    };
    struct Categories {
        std::array<std::string, 16> labels;
        std::array<uint8_t, 16> ids{};
        int count = 0;
    };
    // One note of the PC file to be written.
    struct OutNote {
        uint32_t id = 0;
        uint8_t attributes = 0;
        const uint8_t* data = nullptr;
        size_t size = 0;
    };

    bool LoadPc();
    bool OpenHandheld();
    bool ReadHandheldIds();
    bool ReadWhole(DlpRecord& rec, const std::string& doing);
    bool CheckRecord(const DlpRecord& rec, const std::string& where);
    bool ReadChanged(std::vector<HhRecord>& out);
    bool ReadAll(std::vector<HhRecord>& out);
    bool MergeCategories();
    bool Decide(std::vector<HhRecord>& records);
    // Writes one note to the handheld (ID 0 for a new record) marked changed; newId gets the
    // ID it has there. False when the sync stopped; skipped (false in *sent) when the note
    // is too large for the handheld.
    bool Send(uint32_t id, uint8_t attributes, uint8_t category, const uint8_t* data, size_t size,
              uint32_t& newId, bool* sent);
    static Categories ParseCategories(const uint8_t* appInfo);
    static std::string NoteName(const uint8_t* data, size_t size);

    SyncContext& m_Ctx;
    SyncUser m_User;
    const SyncState* m_State;

    std::unique_ptr<clsDatabase> m_Pc;
    bool m_PcExists = false;
    bool m_HhExists = false;
    bool m_HhCreated = false;
    uint8_t m_Handle = 0;
    bool m_Open = false;
    uint16_t m_HhCount = 0;
    std::vector<uint32_t> m_HhIds;   // sorted
    std::vector<uint32_t> m_HhOrder; // as the handheld lists them
    std::vector<uint8_t> m_HhAppInfo;

    std::array<uint8_t, 276> m_AppInfo{};
    std::array<uint8_t, 16> m_PcMap{}, m_HhMap{}; // category index -> merged index
    Categories m_Merged;

    std::vector<HhRecord> m_HhRecords; // read from the handheld; m_Out points into them
    std::vector<OutNote> m_Out;
    bool m_PcChanged = false;
};

} // namespace quillary::sync
