// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/NotesConduit.h"

#include "storage/ByteOrder.h"
#include "storage/Cp1252.h"
#include "storage/FileIO.h"
#include "storage/PdbFormat.h"
#include "storage/TextUtil.h"
#include "storage/VersionStore.h"
#include "storage/clsDatabase.h"
#include "sync/DlpError.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace quillary::sync {

namespace {

// Record attributes as DLP carries them (the category travels in a byte of its own).
constexpr uint8_t kDeleted = 0x80, kDirty = 0x40, kSecret = 0x10, kArchived = 0x08;
// The PC file's attribute byte: dirty 0x40, category in the low four bits.
constexpr uint8_t kPcDirty = 0x40, kPcCategory = 0x0F;

constexpr size_t kAppInfoBytes = clsDatabase::kAppInfoBytes;
constexpr size_t kLabelsAt = 2, kLabelBytes = 16, kIdsAt = 258, kLastIdAt = 274;
constexpr uint32_t kMaxUniqueId = 0xFFFFFF;
constexpr uint32_t kNotesType = 0x4E6F7432; // "Not2"
constexpr uint32_t kCreator = 0x514C5259;   // "QLRY"
constexpr uint8_t kWriteFlags = 0x80;       // what every handheld seen expects

std::string Quoted(const std::string& utf8) {
    return "\xE2\x80\x9C" + utf8 + "\xE2\x80\x9D";
}

std::string FourCC(uint32_t v) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char(v >> shift);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

uint64_t ContentKey(const uint8_t* data, size_t size, uint8_t category) {
    return VersionStore::Hash(data, size) * 31u + category;
}

} // namespace

bool NotesConduit::HhRecord::Deleted() const {
    return (attributes & (kDeleted | kArchived)) != 0;
}
bool NotesConduit::HhRecord::Dirty() const {
    return (attributes & kDirty) != 0;
}

NotesConduit::NotesConduit(SyncContext& ctx, const SyncUser& user, const SyncState* state)
    : m_Ctx(ctx), m_User(user), m_State(state) {}

NotesConduit::~NotesConduit() = default;

std::string NotesConduit::NoteName(const uint8_t* data, size_t size) {
    if (size <= 2)
        return Quoted("");
    const char* text = reinterpret_cast<const char*>(data + 2);
    const size_t len = strnlen(text, std::min<size_t>(size - 2, 2000));
    std::string first = GetFirstLine(std::string_view(text, len));
    if (const size_t lf = first.find('\n'); lf != std::string::npos)
        first.resize(lf);
    if (first.size() > 40)
        first = first.substr(0, 40) + "...";
    return Quoted(Cp1252ToUtf8(first));
}

NotesConduit::Categories NotesConduit::ParseCategories(const uint8_t* appInfo) {
    Categories c;
    for (int i = 0; i < 16; ++i) {
        std::string label = TrimAtNull(std::string_view(
            reinterpret_cast<const char*>(appInfo + kLabelsAt + kLabelBytes * size_t(i)),
            kLabelBytes));
        if (label.empty())
            break;
        c.labels[size_t(i)] = std::move(label);
        c.ids[size_t(i)] = appInfo[kIdsAt + size_t(i)];
        c.count = i + 1;
    }
    return c;
}

bool NotesConduit::LoadPc() {
    m_Pc = std::make_unique<clsDatabase>();
    m_Pc->AddNewDatabase();
    m_PcExists = FileExists(m_User.notesFile);
    if (!m_PcExists)
        return true;
    m_Pc->SetFileName(m_User.notesFile);
    std::string why;
    if (!m_Pc->OpenDatabase({}, &why))
        return m_Ctx.Stop("The notes file on the PC cannot be read, so nothing was synchronized: " +
                          why);
    if (m_Pc->GetType() != "Not2")
        return m_Ctx.Stop("The notes file " + m_User.notesFile + " is not a notes database (type " +
                          m_Pc->GetType() + "), so nothing was synchronized");
    return true;
}

bool NotesConduit::OpenHandheld() {
    DlpClient& c = m_Ctx.client;
    DlpFindDbResult found;
    const DlpStatus s = c.FindDbByName(DlpFindDbResult::kGetAttributes, 0, kDbName, found);
    if (s.IsHandheldError(uint16_t(DlpErrorCode::NotFound))) {
        m_HhExists = false;
    } else {
        if (!m_Ctx.Check(s, "looking for the notes database on the handheld"))
            return false;
        if (found.hasInfo && (found.info.type != kNotesType || found.info.creator != kCreator))
            return m_Ctx.Stop(std::string("The handheld's database ") + kDbName +
                              " is not a notes database (type " + FourCC(found.info.type) +
                              ", creator " + FourCC(found.info.creator) +
                              "), so nothing was synchronized");
        m_HhExists = true;
    }
    if (!m_HhExists) {
        if (!m_PcExists)
            return true; // no notes on either side
        DlpCreateDbParams p;
        p.creator = kCreator;
        p.type = kNotesType;
        p.name = kDbName;
        if (!m_Ctx.Check(c.CreateDb(p, m_Handle), "creating the notes database on the handheld"))
            return false;
        m_HhCreated = true;
        m_Open = true;
        m_Ctx.Log("The handheld had no notes database; it was created from the PC's notes.");
        return true;
    }
    if (!m_Ctx.Check(
            c.OpenDb(0, DlpCommands::kOpenRead | DlpCommands::kOpenWrite, kDbName, m_Handle),
            "opening the notes database on the handheld"))
        return false;
    m_Open = true;
    if (!m_Ctx.Check(c.ReadOpenDbInfo(m_Handle, m_HhCount), "reading the handheld's note count"))
        return false;
    if (m_HhCount > kPdbMaxRecords)
        return m_Ctx.Stop("The handheld claims " + std::to_string(m_HhCount) +
                          " notes, more than a notes database can hold; nothing was synchronized");
    if (!ReadHandheldIds())
        return false;
    std::vector<uint8_t> block;
    const DlpStatus a = c.ReadAppBlock(m_Handle, 0, DlpCommands::kReadToEnd, block);
    if (a.IsHandheldError(uint16_t(DlpErrorCode::NotFound)))
        block.clear();
    else if (!m_Ctx.Check(a, "reading the handheld's categories"))
        return false;
    if (!block.empty() && block.size() != kAppInfoBytes)
        return m_Ctx.Stop("The handheld's category table is " + std::to_string(block.size()) +
                          " bytes long instead of " + std::to_string(kAppInfoBytes) +
                          "; nothing was synchronized");
    m_HhAppInfo = std::move(block);
    return true;
}

bool NotesConduit::ReadHandheldIds() {
    m_HhIds.clear();
    m_HhIds.reserve(m_HhCount);
    while (m_HhIds.size() < m_HhCount) {
        std::vector<uint32_t> part;
        const uint16_t start = uint16_t(m_HhIds.size());
        if (!m_Ctx.Check(m_Ctx.client.ReadRecordIdList(m_Handle, 0, start,
                                                       uint16_t(m_HhCount - start), part),
                         "reading the handheld's list of notes"))
            return false;
        if (part.empty() || part.size() > size_t(m_HhCount - start))
            return m_Ctx.Stop("The handheld's list of notes holds " +
                              std::to_string(start + part.size()) + " IDs where it said it has " +
                              std::to_string(m_HhCount) + " notes; nothing was synchronized");
        for (uint32_t id : part) {
            if (id == 0 || id > kMaxUniqueId)
                return m_Ctx.Stop("The handheld listed the note ID " + std::to_string(id) +
                                  ", which no note can have; nothing was synchronized");
            m_HhIds.push_back(id);
        }
    }
    m_HhOrder = m_HhIds;
    std::sort(m_HhIds.begin(), m_HhIds.end());
    if (std::adjacent_find(m_HhIds.begin(), m_HhIds.end()) != m_HhIds.end())
        return m_Ctx.Stop("The handheld listed the same note ID twice; nothing was synchronized");
    return true;
}

bool NotesConduit::ReadWhole(DlpRecord& rec, const std::string& doing) {
    // A handheld may hand out a large record in parts.
    while (rec.data.size() < rec.size) {
        DlpRecord part;
        if (!m_Ctx.Check(m_Ctx.client.ReadRecordById(m_Handle, rec.id, uint16_t(rec.data.size()),
                                                     DlpCommands::kReadToEnd, part),
                         doing))
            return false;
        if (part.id != rec.id || part.data.empty() || part.size != rec.size)
            return m_Ctx.Stop("The handheld answered a request for the rest of note " +
                              std::to_string(rec.id) +
                              " with something else; nothing was "
                              "synchronized");
        rec.data.insert(rec.data.end(), part.data.begin(), part.data.end());
    }
    if (rec.data.size() != rec.size)
        return m_Ctx.Stop("The handheld sent " + std::to_string(rec.data.size()) +
                          " bytes for note " + std::to_string(rec.id) + " of " +
                          std::to_string(rec.size) + " bytes; nothing was synchronized");
    return true;
}

bool NotesConduit::CheckRecord(const DlpRecord& rec, const std::string& where) {
    if (!std::binary_search(m_HhIds.begin(), m_HhIds.end(), rec.id))
        return m_Ctx.Stop("The handheld sent " + where + " with the ID " + std::to_string(rec.id) +
                          ", which is not in its list of notes; nothing was synchronized");
    if (rec.category > kPcCategory)
        return m_Ctx.Stop("The handheld sent note " + std::to_string(rec.id) + " in category " +
                          std::to_string(rec.category) +
                          ", but there are only 16; nothing was synchronized");
    if (rec.attributes & (kDeleted | kArchived))
        return true; // a deleted note's data is not used
    const size_t header = clsQuillaryItem::kHeaderLen;
    if (rec.data.size() < header ||
        rec.data.size() != header + ReadBE16(rec.data.data() + header - 2))
        return m_Ctx.Stop("The handheld's note " + std::to_string(rec.id) + " (" +
                          std::to_string(rec.data.size()) +
                          " bytes) is not a note this program can store: a note is a 2032-byte "
                          "header and the picture data it states; nothing was synchronized");
    return true;
}

bool NotesConduit::ReadChanged(std::vector<HhRecord>& out) {
    std::unordered_set<uint32_t> seen;
    for (;;) {
        DlpRecord rec;
        const DlpStatus s = m_Ctx.client.ReadNextModifiedRec(m_Handle, rec);
        if (s.IsHandheldError(uint16_t(DlpErrorCode::NotFound)))
            return true;
        if (!m_Ctx.Check(s, "reading the notes changed on the handheld"))
            return false;
        if (out.size() >= m_HhCount || !seen.insert(rec.id).second)
            return m_Ctx.Stop("The handheld keeps sending changed notes (more than the " +
                              std::to_string(m_HhCount) +
                              " it holds, or one twice); nothing was synchronized");
        if (!ReadWhole(rec, "reading a changed note") || !CheckRecord(rec, "a changed note"))
            return false;
        out.push_back({rec.id, rec.attributes, rec.category, std::move(rec.data)});
    }
}

bool NotesConduit::ReadAll(std::vector<HhRecord>& out) {
    out.reserve(m_HhOrder.size());
    for (uint32_t id : m_HhOrder) {
        DlpRecord rec;
        const DlpStatus s =
            m_Ctx.client.ReadRecordById(m_Handle, id, 0, DlpCommands::kReadToEnd, rec);
        if (s.IsHandheldError(uint16_t(DlpErrorCode::RecordDeleted))) {
            // Deleted on the handheld, its data already gone.
            out.push_back({id, kDeleted, 0, {}});
            continue;
        }
        if (!m_Ctx.Check(s, "reading the handheld's notes"))
            return false;
        if (rec.id != id)
            return m_Ctx.Stop("The handheld answered a request for note " + std::to_string(id) +
                              " with note " + std::to_string(rec.id) +
                              "; nothing was synchronized");
        if (!ReadWhole(rec, "reading the handheld's notes") || !CheckRecord(rec, "a note"))
            return false;
        out.push_back({rec.id, rec.attributes, rec.category, std::move(rec.data)});
    }
    return true;
}

bool NotesConduit::MergeCategories() {
    const std::array<uint8_t, kAppInfoBytes>& pcInfo = m_Pc->AppInfo();
    for (size_t i = 0; i < 16; ++i)
        m_PcMap[i] = m_HhMap[i] = uint8_t(i);
    if (m_HhAppInfo.empty()) {
        // Nothing on the handheld: the PC's table as it is.
        std::copy(pcInfo.begin(), pcInfo.end(), m_AppInfo.begin());
        m_Merged = ParseCategories(m_AppInfo.data());
        if (m_Open)
            return m_Ctx.Check(m_Ctx.client.WriteAppBlock(m_Handle, m_AppInfo),
                               "writing the categories to the handheld");
        return true;
    }
    std::copy(m_HhAppInfo.begin(), m_HhAppInfo.end(), m_AppInfo.begin());
    const Categories hh = ParseCategories(m_AppInfo.data());
    Categories merged = hh;
    for (size_t i = size_t(hh.count); i < 16; ++i)
        m_HhMap[i] = 0;
    if (m_PcExists) {
        const Categories pc = ParseCategories(pcInfo.data());
        const uint16_t pcRenamed = ReadBE16(pcInfo.data());
        const uint16_t hhRenamed = ReadBE16(m_AppInfo.data());
        uint8_t lastId = std::max(pcInfo[kLastIdAt], m_AppInfo[kLastIdAt]);
        for (size_t i = 0; i < 16; ++i)
            m_PcMap[i] = 0;
        for (int j = 0; j < pc.count; ++j) {
            const uint8_t id = pc.ids[size_t(j)];
            const std::string& label = pc.labels[size_t(j)];
            int at = -1;
            for (int i = 0; i < hh.count; ++i)
                if (hh.ids[size_t(i)] == id)
                    at = i;
            if (at >= 0) {
                std::string& mine = merged.labels[size_t(at)];
                if (mine != label) {
                    std::string base;
                    const bool known = m_State && m_State->CategoryLabel(id, base);
                    const bool pcChanged = known ? label != base : (pcRenamed >> j & 1) != 0;
                    const bool hhChanged = known ? mine != base : (hhRenamed >> at & 1) != 0;
                    const std::string was = Quoted(Cp1252ToUtf8(mine));
                    if (hhChanged && !pcChanged) {
                        m_Ctx.Log("Category " + was +
                                  " was renamed on the handheld; the PC takes "
                                  "that name.");
                    } else {
                        if (hhChanged)
                            m_Ctx.Log("Category " + Quoted(Cp1252ToUtf8(label)) +
                                      " was renamed on both sides; the PC's name is kept.");
                        else
                            m_Ctx.Log("Category " + Quoted(Cp1252ToUtf8(label)) +
                                      " was renamed on the PC; the handheld takes that name.");
                        mine = label;
                    }
                }
                m_PcMap[size_t(j)] = uint8_t(at);
                continue;
            }
            int same = -1;
            for (int i = 0; i < merged.count; ++i)
                if (merged.labels[size_t(i)] == label)
                    same = i;
            if (same >= 0) {
                m_PcMap[size_t(j)] = uint8_t(same);
                continue;
            }
            if (merged.count >= 16) {
                m_Ctx.Log("Category " + Quoted(Cp1252ToUtf8(label)) +
                          " of the PC does not fit beside the handheld's 16; its notes are "
                          "Unfiled.");
                continue;
            }
            uint8_t newId = id;
            for (int i = 0; i < merged.count; ++i)
                if (merged.ids[size_t(i)] == newId) {
                    // Both sides gave a new category the same ID: the PC's gets another.
                    std::unordered_set<uint8_t> used(merged.ids.begin(),
                                                     merged.ids.begin() + merged.count);
                    newId = uint8_t(lastId + 1);
                    while (used.count(newId) || newId == 0)
                        ++newId;
                    break;
                }
            lastId = std::max(lastId, newId);
            merged.labels[size_t(merged.count)] = label;
            merged.ids[size_t(merged.count)] = newId;
            m_PcMap[size_t(j)] = uint8_t(merged.count);
            ++merged.count;
        }
        m_AppInfo[kLastIdAt] = lastId;
    }
    if (m_PcExists) {
        WriteBE16(m_AppInfo.data(), 0); // the renames are synced
        // Only what changed, so a table nobody touched keeps its bytes.
        for (size_t i = 0; i < 16 && int(i) < merged.count; ++i) {
            if (int(i) >= hh.count || merged.labels[i] != hh.labels[i])
                PutPaddedString(m_AppInfo.data() + kLabelsAt + kLabelBytes * i, merged.labels[i],
                                kLabelBytes);
            m_AppInfo[kIdsAt + i] = merged.ids[i];
        }
    }
    m_Merged = merged;
    if (!std::equal(m_AppInfo.begin(), m_AppInfo.end(), m_HhAppInfo.begin()))
        return m_Ctx.Check(m_Ctx.client.WriteAppBlock(m_Handle, m_AppInfo),
                           "writing the categories to the handheld");
    return true;
}

bool NotesConduit::Send(uint32_t id, uint8_t attributes, uint8_t category, const uint8_t* data,
                        size_t size, uint32_t& newId, bool* sent) {
    *sent = false;
    if (size > DlpCommands::kMaxRecordData) {
        m_Ctx.Log("Note " + NoteName(data, size) + " (" + std::to_string(size) +
                  " bytes) is too large to send to the handheld; it stays on the PC and is "
                  "tried again at the next sync.");
        return true;
    }
    DlpRecord rec;
    rec.id = id;
    // Marked changed until the sync is complete (see the class comment).
    rec.attributes = uint8_t(kDirty | (attributes & kSecret));
    rec.category = category;
    rec.data.assign(data, data + size);
    if (!m_Ctx.Check(m_Ctx.client.WriteRecord(m_Handle, kWriteFlags, rec, newId),
                     "writing a note to the handheld"))
        return false;
    if (newId == 0 || newId > kMaxUniqueId || (id != 0 && newId != id))
        return m_Ctx.Stop("The handheld gave a written note the ID " + std::to_string(newId) +
                          ", which cannot be right; the PC was not changed");
    *sent = true;
    return true;
}

bool NotesConduit::Exchange() {
    if (!LoadPc() || !OpenHandheld())
        return false;
    if (!m_Open)
        return true; // neither side has notes
    if (m_HhExists && !(Slow() ? ReadAll(m_HhRecords) : ReadChanged(m_HhRecords)))
        return false;
    return MergeCategories() && Decide(m_HhRecords);
}

bool NotesConduit::Decide(std::vector<HhRecord>& records) {
    if (m_Ctx.stopped)
        return false;
    const bool slow = Slow();
    const int n = m_Pc->GetNumRecords();
    auto hhCategory = [&](uint8_t c) { return m_HhMap[c & kPcCategory]; };

    struct PcNote {
        const clsQuillaryItem* item = nullptr;
        uint8_t category = 0; // merged
        bool remove = false;
        bool sendNew = false;     // goes to the handheld as a new record
        bool sendReplace = false; // replaces the handheld's record of the same ID
        bool covered = false;     // the handheld's record was looked at
        const HhRecord* replacement = nullptr;
        std::vector<const HhRecord*> after; // the handheld's versions kept beside it
        uint32_t id = 0;
        bool keepDirty = false;
    };
    std::vector<PcNote> pc(static_cast<size_t>(n));
    std::unordered_map<uint32_t, size_t> byId;
    byId.reserve(size_t(n));
    for (int k = 0; k < n; ++k) {
        PcNote& p = pc[size_t(k)];
        p.item = m_Pc->GetRecordObject(k);
        p.id = p.item->UniqueID;
        p.category = m_PcMap[size_t(p.item->CategoryIndex())];
        if (p.id != 0 && !byId.emplace(p.id, size_t(k)).second) {
            // Two PC notes with one ID: the later one is treated as new.
            p.id = 0;
        }
    }
    auto same = [&](const PcNote& p, const HhRecord& r) {
        return p.category == hhCategory(r.category) && p.item->RecordSize() == r.data.size() &&
               std::memcmp(p.item->RecordData(), r.data.data(), r.data.size()) == 0;
    };
    auto name = [&](const PcNote& p) {
        return NoteName(p.item->RecordData(), p.item->RecordSize());
    };

    SyncReport& rep = m_Ctx.report;
    std::unordered_set<uint32_t> reported; // IDs the handheld reported changed or deleted
    std::vector<const HhRecord*> appended; // the handheld's notes the PC gains at the end
    std::vector<const HhRecord*> pool;     // new on the handheld, not yet paired
    for (const HhRecord& r : records) {
        reported.insert(r.id);
        auto it = byId.find(r.id);
        if (it != byId.end()) {
            PcNote& p = pc[it->second];
            p.covered = true;
            const bool pcDirty = p.item->DirtyFlag();
            if (r.Deleted()) {
                if (!slow && !pcDirty) {
                    p.remove = true;
                    ++rep.notesDeletedOnPc;
                } else {
                    p.sendNew = true;
                    m_Ctx.Log("Note " + name(p) +
                              (pcDirty ? " was deleted on the handheld but changed on the PC"
                                       : " was deleted on the handheld in a sync that deletes "
                                         "nothing") +
                              "; it is kept.");
                }
                continue;
            }
            if (same(p, r))
                continue;
            const bool hhChanged = !slow || r.Dirty();
            if (pcDirty && !hhChanged) {
                p.sendReplace = true;
            } else if (hhChanged && !pcDirty) {
                p.replacement = &r;
                ++rep.notesChangedOnPc;
            } else {
                p.sendNew = true;
                p.after.push_back(&r);
                ++rep.conflicts;
                ++rep.notesAddedToPc;
                m_Ctx.Log("Conflict: note " + name(p) + " was changed on the handheld (" +
                          NoteName(r.data.data(), r.data.size()) +
                          ") and on the PC; both versions are kept.");
            }
            continue;
        }
        if (r.Deleted())
            continue; // deleted on both sides
        if (!slow && m_State->KnowsNote(r.id)) {
            appended.push_back(&r);
            ++rep.notesAddedToPc;
            m_Ctx.Log("Note " + NoteName(r.data.data(), r.data.size()) +
                      " was deleted on the PC but changed on the handheld; it is kept.");
            continue;
        }
        pool.push_back(&r);
    }

    // The PC's side.
    for (PcNote& p : pc) {
        if (p.remove || p.sendNew || p.sendReplace || p.replacement)
            continue;
        const bool onHh = p.id != 0 && std::binary_search(m_HhIds.begin(), m_HhIds.end(), p.id) &&
                          !(reported.count(p.id) && !p.covered);
        if (!onHh)
            p.sendNew = true; // new on the PC, or missing on the handheld: nothing is deleted
        else if (p.item->DirtyFlag() && !p.covered)
            p.sendReplace = true;
    }

    // Deleted on the PC since the last sync, unchanged on the handheld.
    if (!slow) {
        for (uint32_t id : m_State->noteIds) {
            if (byId.count(id) || reported.count(id) ||
                !std::binary_search(m_HhIds.begin(), m_HhIds.end(), id))
                continue;
            const DlpStatus s = m_Ctx.client.DeleteRecord(m_Handle, 0, id);
            if (!s.IsHandheldError(uint16_t(DlpErrorCode::NotFound)) &&
                !m_Ctx.Check(s, "deleting a note on the handheld"))
                return false;
            ++rep.notesDeletedOnHandheld;
        }
    }

    // New notes of the PC that are already on the handheld (written by a sync that
    // stopped before the end) are paired by content instead of being written again.
    std::unordered_multimap<uint64_t, size_t> poolByKey;
    std::vector<bool> used(pool.size(), false);
    for (size_t i = 0; i < pool.size(); ++i)
        poolByKey.emplace(
            ContentKey(pool[i]->data.data(), pool[i]->data.size(), hhCategory(pool[i]->category)),
            i);
    for (PcNote& p : pc) {
        if (!(p.sendNew || p.sendReplace) || p.remove)
            continue;
        const uint8_t* data = p.item->RecordData();
        const size_t size = p.item->RecordSize();
        if (p.sendNew) {
            bool paired = false;
            auto range = poolByKey.equal_range(ContentKey(data, size, p.category));
            for (auto it = range.first; it != range.second && !paired; ++it)
                if (!used[it->second] && same(p, *pool[it->second])) {
                    used[it->second] = true;
                    p.id = pool[it->second]->id;
                    paired = true;
                }
            if (paired)
                continue;
        }
        uint32_t newId = 0;
        bool sent = false;
        if (!Send(p.sendNew ? 0 : p.id, p.item->attributes, p.category, data, size, newId, &sent))
            return false;
        if (!sent) {
            p.keepDirty = true;
            if (p.sendNew)
                p.id = 0; // not on the handheld under any ID: new again next time
            continue;
        }
        if (p.sendNew) {
            p.id = newId;
            ++rep.notesAddedToHandheld;
        } else {
            ++rep.notesChangedOnHandheld;
        }
    }
    for (size_t i = 0; i < pool.size(); ++i)
        if (!used[i]) {
            appended.push_back(pool[i]);
            ++rep.notesAddedToPc;
        }

    // The PC file: its notes in their order, the handheld's versions of a conflict right
    // after the PC's, the handheld's new notes at the end.
    auto own = [&](const HhRecord& r) -> OutNote {
        return {r.id, uint8_t((r.attributes & kSecret) | hhCategory(r.category)), r.data.data(),
                r.data.size()};
    };
    m_Out.clear();
    m_Out.reserve(size_t(n) + appended.size());
    m_PcChanged = !m_PcExists;
    for (const PcNote& p : pc) {
        if (p.remove) {
            m_PcChanged = true;
            continue;
        }
        OutNote o;
        if (p.replacement) {
            o = own(*p.replacement);
        } else {
            o.id = p.id;
            o.attributes =
                uint8_t((p.item->attributes & kSecret) | p.category | (p.keepDirty ? kPcDirty : 0));
            o.data = p.item->RecordData();
            o.size = p.item->RecordSize();
        }
        if (p.replacement || o.id != p.item->UniqueID || o.attributes != p.item->attributes)
            m_PcChanged = true;
        m_Out.push_back(o);
        for (const HhRecord* r : p.after) {
            m_Out.push_back(own(*r));
            m_PcChanged = true;
        }
    }
    for (const HhRecord* r : appended) {
        m_Out.push_back(own(*r));
        m_PcChanged = true;
    }
    if (!std::equal(m_AppInfo.begin(), m_AppInfo.end(), m_Pc->AppInfo().begin()))
        m_PcChanged = true;
    if (m_Out.size() > size_t(kPdbMaxRecords))
        return m_Ctx.Stop("The synchronized notes would be " + std::to_string(m_Out.size()) +
                          ", more than a notes database can hold; the PC was not changed");
    std::unordered_set<uint32_t> ids;
    for (const OutNote& o : m_Out)
        if (o.id != 0 && !ids.insert(o.id).second)
            return m_Ctx.Stop("The handheld gave two notes the ID " + std::to_string(o.id) +
                              "; the PC was not changed");
    return true;
}

bool NotesConduit::SavePc() {
    if (m_Ctx.stopped)
        return false;
    if (!m_Open || !m_PcChanged)
        return true;
    const size_t n = m_Out.size();
    const size_t listEnd = kPdbHeaderBytes + kPdbEntryBytes * n;
    std::vector<uint8_t> head(listEnd + kAppInfoBytes, 0);
    PdbHeader header = m_Pc->Header();
    PrepareHeaderForSave(header, m_Pc->m_PalmFileName, uint16_t(n), int64_t(listEnd));
    std::memcpy(head.data(), header.data(), header.size());
    std::vector<ByteSpan> pieces;
    pieces.reserve(n + 1);
    pieces.push_back({head.data(), head.size()});
    uint32_t offset = uint32_t(head.size());
    for (size_t i = 0; i < n; ++i) {
        const OutNote& o = m_Out[i];
        WritePdbEntry(head.data() + kPdbHeaderBytes + kPdbEntryBytes * i,
                      {offset, o.attributes, o.id});
        pieces.push_back({o.data, o.size});
        offset += uint32_t(o.size);
    }
    std::memcpy(head.data() + listEnd, m_AppInfo.data(), kAppInfoBytes);
    std::string why;
    if (!ReplaceKeepingVersion(m_User.notesFile, pieces, VersionPolicy{}, &why))
        return m_Ctx.Stop("The notes file on the PC could not be written; it is as it was: " + why);
    return true;
}

bool NotesConduit::Finish() {
    if (m_Ctx.stopped || !m_Open)
        return !m_Ctx.stopped;
    DlpClient& c = m_Ctx.client;
    return m_Ctx.Check(c.CleanUpDatabase(m_Handle), "clearing the handheld's deleted notes") &&
           m_Ctx.Check(c.ResetSyncFlags(m_Handle), "clearing the handheld's change marks") &&
           m_Ctx.Check(c.CloseDb(m_Handle), "closing the handheld's notes");
}

void NotesConduit::FillState(SyncState& next) const {
    next.hasNotes = m_Open;
    next.noteIds.clear();
    if (!m_Open)
        return;
    for (const OutNote& o : m_Out)
        if (o.id != 0)
            next.noteIds.push_back(o.id);
    std::sort(next.noteIds.begin(), next.noteIds.end());
    for (size_t i = 0; i < 16; ++i) {
        next.categoryLabels[i] = int(i) < m_Merged.count ? m_Merged.labels[i] : std::string();
        next.categoryIds[i] = int(i) < m_Merged.count ? m_Merged.ids[i] : 0;
    }
}

} // namespace quillary::sync
