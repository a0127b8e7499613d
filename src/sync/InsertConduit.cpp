// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/InsertConduit.h"

#include "storage/ByteOrder.h"
#include "storage/Cp1252.h"
#include "storage/FileIO.h"
#include "storage/InsertFolder.h"
#include "storage/PdbFormat.h"
#include "storage/VersionStore.h"
#include "sync/DlpError.h"

#include <algorithm>
#include <cstring>

namespace quillary::sync {

namespace {

constexpr uint32_t kCreator = 0x514C5259;     // "QLRY"
constexpr uint32_t kTextType = 0x496E7374;    // "Inst"
constexpr uint32_t kPictureType = 0x496E7332; // "Ins2"
constexpr uint8_t kDeleted = 0x80, kSecret = 0x10, kArchived = 0x08;
constexpr uint8_t kWriteFlags = 0x80;

std::string Quoted(const std::string& name) {
    return "\xE2\x80\x9C" + Cp1252ToUtf8(name) + "\xE2\x80\x9D";
}

// A database's content as both sides hold it, without what differs by side (dates,
// modification number, record IDs).
struct Content {
    std::string name;
    uint32_t type = 0, creator = 0;
    uint16_t version = 0;
    std::vector<uint8_t> appInfo;
    struct Record {
        uint8_t attributes = 0; // PC file form: secret 0x10, category in the low four bits
        uint32_t id = 0;
        std::vector<uint8_t> data;
        bool operator==(const Record& o) const {
            return attributes == o.attributes && data == o.data;
        }
    };
    std::vector<Record> records;
    bool SameAs(const Content& o) const {
        return type == o.type && appInfo == o.appInfo && records == o.records;
    }
};

bool Parse(const std::vector<uint8_t>& bytes, Content& out, std::string* error) {
    PdbContainer c;
    if (!ParsePdbContainer(bytes.data(), bytes.size(), c, error))
        return false;
    out.name = c.name;
    out.type = ReadBE32(c.header.data() + pdb::kType);
    out.creator = ReadBE32(c.header.data() + pdb::kCreator);
    out.version = ReadBE16(c.header.data() + pdb::kVersion);
    const size_t listEnd = kPdbHeaderBytes + kPdbEntryBytes * c.entries.size();
    const size_t firstRecord = c.entries.empty() ? bytes.size() : c.entries[0].offset;
    const uint32_t appAt = ReadBE32(c.header.data() + pdb::kAppInfoOffset);
    if (appAt != 0) {
        if (appAt < listEnd || appAt > firstRecord)
            return Fail(error, "its application block lies outside the file's layout");
        out.appInfo.assign(bytes.begin() + appAt, bytes.begin() + std::ptrdiff_t(firstRecord));
    }
    for (size_t i = 0; i < c.entries.size(); ++i) {
        const size_t from = c.entries[i].offset;
        const size_t to = i + 1 < c.entries.size() ? c.entries[i + 1].offset : bytes.size();
        if (to < from)
            return Fail(error, "its records are not in file order");
        Content::Record r;
        r.attributes = uint8_t(c.entries[i].attributes & (kSecret | 0x0F));
        r.id = c.entries[i].uniqueID;
        r.data.assign(bytes.begin() + std::ptrdiff_t(from), bytes.begin() + std::ptrdiff_t(to));
        out.records.push_back(std::move(r));
    }
    return true;
}

// The file image the PC keeps: the header as the PC's saves write it (fixed dates).
std::vector<uint8_t> Image(const Content& c) {
    const size_t n = c.records.size();
    const size_t listEnd = kPdbHeaderBytes + kPdbEntryBytes * n;
    std::vector<uint8_t> out(listEnd, 0);
    PdbHeader header{};
    WriteBE32(header.data() + pdb::kType, c.type);
    WriteBE32(header.data() + pdb::kCreator, c.creator);
    PrepareHeaderForSave(header, c.name, uint16_t(n), c.appInfo.empty() ? -1 : int64_t(listEnd));
    std::memcpy(out.data(), header.data(), header.size());
    out.insert(out.end(), c.appInfo.begin(), c.appInfo.end());
    for (size_t i = 0; i < n; ++i) {
        WritePdbEntry(out.data() + kPdbHeaderBytes + kPdbEntryBytes * i,
                      {uint32_t(out.size()), c.records[i].attributes, c.records[i].id});
        out.insert(out.end(), c.records[i].data.begin(), c.records[i].data.end());
    }
    return out;
}

} // namespace

InsertConduit::InsertConduit(SyncContext& ctx, const SyncUser& user, const SyncState* state)
    : m_Ctx(ctx), m_User(user), m_State(state) {}

bool InsertConduit::ListHandheld(std::map<std::string, DlpDbInfo>& out) {
    size_t listed = 0;
    uint16_t start = 0;
    for (size_t round = 0;; ++round) {
        DlpDbList list;
        const DlpStatus s =
            m_Ctx.client.ReadDbList(DlpDbList::kRam | DlpDbList::kMultiple, 0, start, list);
        if (s.IsHandheldError(uint16_t(DlpErrorCode::NotFound)))
            return true;
        if (!m_Ctx.Check(s, "listing the handheld's databases"))
            return false;
        listed += list.databases.size();
        if (round >= kMaxDatabases || listed > kMaxDatabases || list.databases.empty() ||
            list.lastIndex < start)
            return m_Ctx.Stop("The handheld's list of databases does not come to an end; nothing "
                              "was synchronized");
        for (const DlpDbInfo& db : list.databases)
            if (db.creator == kCreator && (db.type == kTextType || db.type == kPictureType) &&
                !(db.flags & 0x0001)) // not a resource database
                out[db.name] = db;
        if (!list.more)
            return true;
        if (list.lastIndex == 0xFFFF)
            return m_Ctx.Stop("The handheld's list of databases does not come to an end; nothing "
                              "was synchronized");
        start = uint16_t(list.lastIndex + 1);
    }
}

bool InsertConduit::ListPc(std::map<std::string, PcFile>& out) {
    std::vector<InsertDatabaseInfo> list;
    std::vector<std::string> unreadable;
    std::string why;
    if (!GetInsertDatabaseList(m_User.insertFolder, list, &why, &unreadable))
        return m_Ctx.Stop("The insert folder cannot be used, so nothing was synchronized: " + why);
    for (const std::string& u : unreadable) {
        m_Ctx.Log("Insert database file left out: " + u);
        m_PcUnreadable = true;
    }
    for (const InsertDatabaseInfo& info : list) {
        if (out.count(info.name)) {
            m_Ctx.Log("Insert database " + Quoted(info.name) + " is in two files on the PC; " +
                      info.path + " was left out.");
            continue;
        }
        PcFile f;
        f.path = info.path;
        if (!ReadWholeFile(info.path, f.bytes, &why))
            return m_Ctx.Stop("An insert database on the PC cannot be read, so nothing was "
                              "synchronized: " +
                              why);
        f.hash = VersionStore::Hash(f.bytes.data(), f.bytes.size());
        out[info.name] = std::move(f);
    }
    return true;
}

bool InsertConduit::HandheldDirty(const std::string& name, bool& dirty) {
    DlpClient& c = m_Ctx.client;
    uint8_t h = 0;
    if (!m_Ctx.Check(c.OpenDb(0, DlpCommands::kOpenRead, name, h),
                     "opening insert database " + Cp1252ToUtf8(name)))
        return false;
    DlpRecord rec;
    const DlpStatus s = c.ReadNextModifiedRec(h, rec);
    dirty = s.Ok();
    if (!s.Ok() && !s.IsHandheldError(uint16_t(DlpErrorCode::NotFound)) &&
        !m_Ctx.Check(s, "reading insert database " + Cp1252ToUtf8(name)))
        return false;
    return m_Ctx.Check(c.CloseDb(h), "closing insert database " + Cp1252ToUtf8(name));
}

bool InsertConduit::ReadHandheld(const DlpDbInfo& info, std::vector<uint8_t>& image) {
    DlpClient& c = m_Ctx.client;
    const std::string what = "reading insert database " + Cp1252ToUtf8(info.name);
    uint8_t h = 0;
    if (!m_Ctx.Check(c.OpenDb(0, DlpCommands::kOpenRead, info.name, h), what))
        return false;
    uint16_t count = 0;
    if (!m_Ctx.Check(c.ReadOpenDbInfo(h, count), what))
        return false;
    if (count > kPdbMaxRecords)
        return m_Ctx.Stop("The handheld claims " + std::to_string(count) +
                          " records in insert "
                          "database " +
                          Quoted(info.name) + "; nothing was synchronized");
    Content content;
    content.name = info.name;
    content.type = info.type;
    content.creator = info.creator;
    content.version = info.version;
    const DlpStatus a = c.ReadAppBlock(h, 0, DlpCommands::kReadToEnd, content.appInfo);
    if (!a.IsHandheldError(uint16_t(DlpErrorCode::NotFound)) && !m_Ctx.Check(a, what))
        return false;
    if (!a.Ok())
        content.appInfo.clear();
    size_t total = content.appInfo.size();
    for (uint16_t i = 0; i < count; ++i) {
        DlpRecord rec;
        const DlpStatus s = c.ReadRecordByIndex(h, i, 0, DlpCommands::kReadToEnd, rec);
        if (s.IsHandheldError(uint16_t(DlpErrorCode::RecordDeleted)))
            continue;
        if (!m_Ctx.Check(s, what))
            return false;
        while (rec.data.size() < rec.size) {
            DlpRecord part;
            if (!m_Ctx.Check(c.ReadRecordById(h, rec.id, uint16_t(rec.data.size()),
                                              DlpCommands::kReadToEnd, part),
                             what))
                return false;
            if (part.id != rec.id || part.data.empty())
                return m_Ctx.Stop("The handheld sent something else for the rest of a record of "
                                  "insert database " +
                                  Quoted(info.name) + "; nothing was synchronized");
            rec.data.insert(rec.data.end(), part.data.begin(), part.data.end());
        }
        if (rec.data.size() != rec.size || rec.category > 15 || rec.id > 0xFFFFFF)
            return m_Ctx.Stop("The handheld sent a malformed record of insert database " +
                              Quoted(info.name) + "; nothing was synchronized");
        if (rec.attributes & (kDeleted | kArchived))
            continue;
        total += rec.data.size() + kPdbEntryBytes;
        if (total > kMaxImage)
            return m_Ctx.Stop("Insert database " + Quoted(info.name) +
                              " on the handheld is larger than an insert database can be; "
                              "nothing was synchronized");
        content.records.push_back(
            {uint8_t((rec.attributes & kSecret) | rec.category), rec.id, std::move(rec.data)});
    }
    if (!m_Ctx.Check(c.CloseDb(h), what))
        return false;
    image = Image(content);
    return true;
}

bool InsertConduit::WriteHandheld(const std::string& name, const PcFile& file, bool exists,
                                  bool* sent) {
    *sent = false;
    Content content;
    std::string why;
    if (!Parse(file.bytes, content, &why)) {
        m_Ctx.Log("Insert database " + Quoted(name) + " (" + file.path +
                  ") was not sent to the handheld: " + why);
        return true;
    }
    if (content.appInfo.size() > DlpCommands::kMaxRecordData ||
        std::any_of(content.records.begin(), content.records.end(), [](const Content::Record& r) {
            return r.data.size() > DlpCommands::kMaxRecordData;
        })) {
        m_Ctx.Log("Insert database " + Quoted(name) +
                  " holds a record too large for the handheld; it was not sent.");
        return true;
    }
    DlpClient& c = m_Ctx.client;
    const std::string what = "copying insert database " + Cp1252ToUtf8(name) + " to the handheld";
    if (exists && !m_Ctx.Check(c.DeleteDb(0, name), what))
        return false;
    DlpCreateDbParams p;
    p.creator = content.creator;
    p.type = content.type;
    p.version = content.version;
    p.name = name;
    uint8_t h = 0;
    if (!m_Ctx.Check(c.CreateDb(p, h), what))
        return false;
    if (!content.appInfo.empty() && !m_Ctx.Check(c.WriteAppBlock(h, content.appInfo), what))
        return false;
    for (const Content::Record& r : content.records) {
        DlpRecord rec;
        rec.attributes = uint8_t(r.attributes & kSecret);
        rec.category = uint8_t(r.attributes & 0x0F);
        rec.data = r.data;
        uint32_t id = 0;
        if (!m_Ctx.Check(c.WriteRecord(h, kWriteFlags, rec, id), what))
            return false;
    }
    *sent = true;
    return m_Ctx.Check(c.ResetSyncFlags(h), what) && m_Ctx.Check(c.CloseDb(h), what);
}

bool InsertConduit::ResetHandheld(const std::string& name) {
    DlpClient& c = m_Ctx.client;
    const std::string what = "clearing the change marks of insert database " + Cp1252ToUtf8(name);
    uint8_t h = 0;
    return m_Ctx.Check(c.OpenDb(0, DlpCommands::kOpenRead | DlpCommands::kOpenWrite, name, h),
                       what) &&
           m_Ctx.Check(c.CleanUpDatabase(h), what) && m_Ctx.Check(c.ResetSyncFlags(h), what) &&
           m_Ctx.Check(c.CloseDb(h), what);
}

bool InsertConduit::Modification(const std::string& name, uint32_t& out) {
    DlpFindDbResult found;
    if (!m_Ctx.Check(m_Ctx.client.FindDbByName(DlpFindDbResult::kGetAttributes, 0, name, found),
                     "looking up insert database " + Cp1252ToUtf8(name)))
        return false;
    if (!found.hasInfo)
        return m_Ctx.Stop("The handheld did not describe insert database " + Quoted(name) +
                          "; nothing was synchronized");
    out = found.info.modificationNumber;
    return true;
}

std::string InsertConduit::NewPath(const std::string& name) const {
    std::string base;
    for (char ch : name) {
        const unsigned char u = static_cast<unsigned char>(ch);
        base += (u < 32 || ch == '/' || ch == '\\' || ch == ':') ? '_' : ch;
    }
    if (base.empty() || base[0] == '.')
        base = "_" + base;
    const std::string folder = m_User.insertFolder + "/";
    std::string path = folder + base + ".pdb";
    for (int i = 2; FileExists(path); ++i)
        path = folder + base + "-" + std::to_string(i) + ".pdb";
    return path;
}

bool InsertConduit::Exchange() {
    std::map<std::string, DlpDbInfo> hh;
    std::map<std::string, PcFile> pc;
    if (!ListHandheld(hh) || !ListPc(pc))
        return false;
    std::vector<std::string> names;
    for (const auto& [name, info] : hh)
        names.push_back(name);
    for (const auto& [name, file] : pc)
        if (!hh.count(name))
            names.push_back(name);

    SyncReport& rep = m_Ctx.report;
    for (const std::string& name : names) {
        const auto h = hh.find(name);
        const auto p = pc.find(name);
        const SyncState::Insert* last = nullptr;
        if (m_State) {
            const auto it = m_State->inserts.find(name);
            if (it != m_State->inserts.end())
                last = &it->second;
        }
        bool hhChanged = true, pcChanged = true;
        if (h != hh.end() && last) {
            bool dirty = false;
            if (!HandheldDirty(name, dirty))
                return false;
            hhChanged = dirty || h->second.modificationNumber != last->handheldModification;
        }
        if (p != pc.end() && last)
            pcChanged = p->second.hash != last->pcHash;

        bool toPc = false, toHh = false;
        if (h != hh.end() && p != pc.end()) {
            if (hhChanged && pcChanged) {
                std::vector<uint8_t> image;
                if (!ReadHandheld(h->second, image))
                    return false;
                Content a, b;
                std::string why;
                if (Parse(image, a, &why) && Parse(p->second.bytes, b, &why) && a.SameAs(b)) {
                    // Alike already: only the handheld's marks go.
                    if (!ResetHandheld(name))
                        return false;
                } else {
                    // Kept now, before the handheld's copy is replaced: it must survive a
                    // sync that stops halfway.
                    if (!VersionStore(p->second.path).KeepBytes(image, &why))
                        return m_Ctx.Stop("The handheld's copy of insert database " + Quoted(name) +
                                          " could not be kept on the PC, so "
                                          "nothing more was synchronized: " +
                                          why);
                    m_Ctx.Log("Insert database " + Quoted(name) +
                              " was changed on the handheld and on the PC; the PC's copy is kept "
                              "on both, the handheld's is an earlier version of " +
                              p->second.path + ".");
                    ++rep.conflicts;
                    toHh = true;
                }
            } else if (hhChanged) {
                toPc = true;
            } else if (pcChanged) {
                toHh = true;
            }
        } else if (h != hh.end()) {
            if (last && !hhChanged && m_PcUnreadable) {
                // Perhaps it is the file that could not be read: nothing is deleted.
                m_Next[name] = *last;
                m_NextPath[name].clear();
                continue;
            }
            if (last && !hhChanged) {
                // Deleted on the PC, unchanged on the handheld.
                if (!m_Ctx.Check(m_Ctx.client.DeleteDb(0, name),
                                 "deleting insert database " + Cp1252ToUtf8(name)))
                    return false;
                m_Ctx.Log("Insert database " + Quoted(name) +
                          " was deleted on the PC and now on the handheld too.");
                continue;
            }
            toPc = true;
        } else {
            if (last && !pcChanged) {
                m_ToPc.push_back({p->second.path, {}, true});
                m_Ctx.Log("Insert database " + Quoted(name) +
                          " was deleted on the handheld and now on the PC too (an earlier "
                          "version is kept).");
                continue;
            }
            toHh = true;
        }

        std::string path = p != pc.end() ? p->second.path : NewPath(name);
        if (toPc) {
            std::vector<uint8_t> image;
            if (!ReadHandheld(h->second, image) || !ResetHandheld(name))
                return false;
            m_NextPath[name] = path;
            m_ToPc.push_back({path, std::move(image), false});
            ++rep.insertsToPc;
        } else if (toHh) {
            bool sent = false;
            if (!WriteHandheld(name, p->second, h != hh.end(), &sent))
                return false;
            if (!sent)
                continue; // not in the state, so it is tried again and never taken as deleted
            m_NextPath[name] = path;
            ++rep.insertsToHandheld;
        } else {
            m_NextPath[name] = path;
        }
        SyncState::Insert next;
        if (!Modification(name, next.handheldModification))
            return false;
        m_Next[name] = next;
    }
    return true;
}

bool InsertConduit::SavePc() {
    if (m_Ctx.stopped)
        return false;
    std::string why;
    for (const ToPc& t : m_ToPc) {
        if (t.remove) {
            if (!VersionStore(t.path).KeepFile(&why) || !DeletePalmDatabaseFile(t.path, &why))
                return m_Ctx.Stop("Insert database file " + t.path +
                                  " could not be removed: " + why);
            continue;
        }
        if (!ReplaceKeepingVersion(t.path, t.image, VersionPolicy{}, &why))
            return m_Ctx.Stop("Insert database file " + t.path + " could not be written: " + why);
    }
    for (auto& [name, next] : m_Next) {
        if (m_NextPath[name].empty())
            continue; // kept from the last sync as it was
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(m_NextPath[name], bytes, &why))
            return m_Ctx.Stop("Insert database file " + m_NextPath[name] +
                              " could not be read back: " + why);
        next.pcHash = VersionStore::Hash(bytes.data(), bytes.size());
    }
    return true;
}

void InsertConduit::FillState(SyncState& next) const {
    next.inserts = m_Next;
}

} // namespace quillary::sync
