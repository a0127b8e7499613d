// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/HandheldSimulator.h"

#include "sync/DlpCommands.h"
#include "sync/DlpError.h"
#include "sync/DlpReader.h"
#include "sync/DlpWriter.h"

#include <algorithm>

namespace quillary::test {

using sync::DlpArgument;
using sync::DlpCodec;
using sync::DlpCommands;
using sync::DlpErrorCode;
using sync::DlpFunction;
using sync::DlpReader;
using sync::DlpRequest;
using sync::DlpResponse;
using sync::DlpTime;
using sync::DlpWriter;

namespace {

constexpr uint8_t kArg1 = DlpCodec::kFirstArgument;
constexpr uint8_t kArg2 = DlpCodec::kFirstArgument + 1;
constexpr uint8_t kArg3 = DlpCodec::kFirstArgument + 2;
constexpr size_t kMaxOpen = 12;

using Out = DlpWriter;

bool ReadTime(DlpReader& in, DlpTime& t) {
    uint8_t pad = 0;
    return in.U16(t.year) && in.U8(t.month) && in.U8(t.day) && in.U8(t.hour) && in.U8(t.minute) &&
           in.U8(t.second) && in.U8(pad);
}

void Error(DlpResponse& r, DlpErrorCode code) {
    r.error = uint16_t(code);
    r.arguments.clear();
}

void Add(DlpResponse& r, uint8_t id, Out o) {
    r.arguments.push_back(DlpArgument{id, std::move(o.bytes)});
}

// One database description as ReadDBList and FindDB give it.
void DbInfo(Out& o, const SimDatabase& db, uint16_t index) {
    constexpr size_t kFixed = 44;
    size_t size = kFixed + db.name.size() + 1;
    const bool pad = size % 2 != 0;
    if (pad)
        ++size;
    o.U8(uint8_t(size))
        .U8(0)
        .U16(db.flags)
        .U32(db.type)
        .U32(db.creator)
        .U16(db.version)
        .U32(db.modificationNumber)
        .Time(db.created)
        .Time(db.modified)
        .Time(db.backedUp)
        .U16(index)
        .CString(db.name);
    if (pad)
        o.U8(0);
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& data, uint16_t offset, uint16_t max) {
    if (offset >= data.size())
        return {};
    const size_t n = std::min<size_t>(max, data.size() - offset);
    return {data.begin() + offset, data.begin() + std::ptrdiff_t(offset + n)};
}

void RecordAnswer(DlpResponse& r, const SimRecord& rec, size_t index, uint16_t offset,
                  uint16_t max) {
    Add(r, kArg1,
        Out()
            .U32(rec.id)
            .U16(uint16_t(index))
            .U16(uint16_t(rec.data.size()))
            .U8(rec.attributes)
            .U8(rec.category)
            .Data(Slice(rec.data, offset, max)));
}

} // namespace

SimRecord* SimDatabase::Find(uint32_t id) {
    for (SimRecord& r : records)
        if (r.id == id)
            return &r;
    return nullptr;
}
const SimRecord* SimDatabase::Find(uint32_t id) const {
    return const_cast<SimDatabase*>(this)->Find(id);
}

HandheldSimulator::HandheldSimulator() : m_Open(kMaxOpen) {}

SimDatabase* HandheldSimulator::FindDatabase(const std::string& name) {
    for (SimDatabase& db : databases)
        if (db.name == name)
            return &db;
    return nullptr;
}
const SimDatabase* HandheldSimulator::FindDatabase(const std::string& name) const {
    return const_cast<HandheldSimulator*>(this)->FindDatabase(name);
}

SimDatabase& HandheldSimulator::AddDatabase(SimDatabase db) {
    databases.push_back(std::move(db));
    return databases.back();
}

uint32_t HandheldSimulator::AddRecord(SimDatabase& db, std::vector<uint8_t> data, uint8_t category,
                                      uint8_t extraAttributes) {
    SimRecord r;
    r.id = db.nextUniqueId++;
    r.attributes = uint8_t(SimRecord::kDirty | extraAttributes);
    r.category = category;
    r.data = std::move(data);
    db.records.push_back(std::move(r));
    ++db.modificationNumber;
    return db.records.back().id;
}

bool HandheldSimulator::ChangeRecord(SimDatabase& db, uint32_t id, std::vector<uint8_t> data) {
    SimRecord* r = db.Find(id);
    if (!r || (r->attributes & SimRecord::kDeleted))
        return false;
    r->data = std::move(data);
    r->attributes |= SimRecord::kDirty;
    ++db.modificationNumber;
    return true;
}

bool HandheldSimulator::ChangeCategory(SimDatabase& db, uint32_t id, uint8_t category) {
    SimRecord* r = db.Find(id);
    if (!r || (r->attributes & SimRecord::kDeleted))
        return false;
    r->category = category;
    r->attributes |= SimRecord::kDirty;
    ++db.modificationNumber;
    return true;
}

bool HandheldSimulator::DeleteRecord(SimDatabase& db, uint32_t id) {
    SimRecord* r = db.Find(id);
    if (!r || (r->attributes & SimRecord::kDeleted))
        return false;
    // As on the handheld: the data goes, the ID stays marked until the next sync.
    r->data.clear();
    r->attributes |= SimRecord::kDeleted | SimRecord::kDirty;
    ++db.modificationNumber;
    return true;
}

void HandheldSimulator::ChangeAppInfo(SimDatabase& db, std::vector<uint8_t> appInfo) {
    db.appInfo = std::move(appInfo);
    ++db.modificationNumber;
}

int HandheldSimulator::Count(uint8_t function) const {
    return int(std::count(requestLog.begin(), requestLog.end(), function));
}

std::vector<uint8_t> HandheldSimulator::Begin() {
    // A new session: the databases, the user and the logs stay as they are.
    m_Framer = sync::NetSyncFramer();
    m_Phase = Phase::Hello;
    m_HungUp = m_Silent = false;
    m_Requests = 0;
    m_Open.assign(kMaxOpen, Open{});
    m_FindCursor = 0;
    // The wake-up: kind 0x90 and the handheld's details, which desktops do not read.
    std::vector<uint8_t> payload(22, 0);
    payload[0] = 0x90;
    payload[1] = 0x01;
    return sync::NetSyncFramer::Encode(0xFF, payload);
}

bool HandheldSimulator::Feed(std::span<const uint8_t> fromDesktop,
                             std::vector<uint8_t>& toDesktop) {
    if (m_HungUp)
        return false;
    m_Framer.Feed(fromDesktop);
    sync::NetSyncMessage message;
    std::string error;
    for (;;) {
        const auto result = m_Framer.Next(message, &error);
        if (result == sync::NetSyncFramer::Result::NeedMore)
            return true;
        if (result == sync::NetSyncFramer::Result::Error) {
            m_HungUp = true;
            return false;
        }
        if (message.type == sync::NetSyncFramer::kKeepAliveType)
            continue;
        HandleMessage(message, toDesktop);
        if (m_HungUp)
            return false;
    }
}

void HandheldSimulator::HandleMessage(const sync::NetSyncMessage& m, std::vector<uint8_t>& out) {
    auto reply = [&](std::span<const uint8_t> payload) {
        const std::vector<uint8_t> frame = sync::NetSyncFramer::Encode(m.transaction, payload);
        out.insert(out.end(), frame.begin(), frame.end());
    };
    switch (m_Phase) {
    case Phase::Wakeup:
    case Phase::Done:
        m_HungUp = true;
        return;
    case Phase::Hello: {
        if (m.payload.empty() || m.payload[0] != 0x12) {
            m_HungUp = true;
            return;
        }
        std::vector<uint8_t> hello(50, 0);
        hello[0] = 0x92;
        hello[1] = 0x01;
        reply(hello);
        m_Phase = Phase::Confirm;
        return;
    }
    case Phase::Confirm: {
        if (m.payload.empty() || m.payload[0] != 0x13) {
            m_HungUp = true;
            return;
        }
        std::vector<uint8_t> confirm(8, 0);
        confirm[0] = 0x93;
        reply(confirm);
        m_Phase = Phase::Dlp;
        return;
    }
    case Phase::Dlp:
        break;
    }
    if (m_Silent)
        return;
    DlpRequest request;
    std::string error;
    if (!DlpCodec::DecodeRequest(m.payload, request, &error)) {
        m_HungUp = true;
        return;
    }
    if (faults.hangUpAfter >= 0 && m_Requests >= faults.hangUpAfter) {
        m_HungUp = true;
        return;
    }
    if (faults.silentAfter >= 0 && m_Requests >= faults.silentAfter) {
        m_Silent = true;
        return;
    }
    ++m_Requests;
    requestLog.push_back(request.function);
    DlpResponse response = Answer(request);
    if (faults.tamper)
        faults.tamper(request, response);
    std::vector<uint8_t> payload;
    if (!DlpCodec::EncodeResponse(response, payload, &error)) {
        m_HungUp = true;
        return;
    }
    if (faults.tamperBytes)
        faults.tamperBytes(request, payload);
    reply(payload);
    if (request.function == uint8_t(DlpFunction::EndOfSync)) {
        m_Phase = Phase::Done;
        m_HungUp = true;
    }
}

SimDatabase* HandheldSimulator::OpenDb(uint8_t handle, DlpResponse& r) {
    if (handle == 0 || handle > m_Open.size() || !m_Open[handle - 1].used ||
        m_Open[handle - 1].db >= databases.size()) {
        Error(r, DlpErrorCode::NoneOpen);
        return nullptr;
    }
    return &databases[m_Open[handle - 1].db];
}

DlpResponse HandheldSimulator::Answer(const DlpRequest& request) {
    DlpResponse r;
    r.function = request.function;
    const DlpArgument* a1 = nullptr;
    for (const DlpArgument& a : request.arguments)
        if (a.id == kArg1)
            a1 = &a;
    const std::vector<uint8_t> none;
    DlpReader in(a1 ? std::span<const uint8_t>(a1->data) : std::span<const uint8_t>(none));
    auto bad = [&] { Error(r, DlpErrorCode::Parameter); };
    auto writable = [&](uint8_t handle) {
        if (!(m_Open[handle - 1].mode & DlpCommands::kOpenWrite)) {
            Error(r, DlpErrorCode::ReadOnly);
            return false;
        }
        return true;
    };

    switch (DlpFunction(request.function)) {
    case DlpFunction::ReadSysInfo: {
        Add(r, kArg1, Out().U32(romVersion).U32(0x00010001).U8(0).U8(4).U32(FourCC("sim1")));
        if (a1)
            Add(r, kArg2, Out().U16(1).U16(4).U16(1).U16(0).U32(0xFFFF));
        return r;
    }
    case DlpFunction::ReadUserInfo: {
        Out o;
        o.U32(userId).U32(viewerId).U32(lastSyncPc).Time(successfulSync).Time(lastSync);
        o.U8(uint8_t(userName.empty() ? 0 : userName.size() + 1)).U8(0);
        if (!userName.empty())
            o.CString(userName);
        Add(r, kArg1, std::move(o));
        return r;
    }
    case DlpFunction::WriteUserInfo: {
        uint32_t id = 0, viewer = 0, pc = 0;
        DlpTime t;
        uint8_t modified = 0, nameLen = 0;
        std::string name;
        if (!in.U32(id) || !in.U32(viewer) || !in.U32(pc) || !ReadTime(in, t) || !in.U8(modified) ||
            !in.U8(nameLen) || !in.Text(nameLen, name))
            return bad(), r;
        if (modified & sync::DlpUserInfoUpdate::kUserId)
            userId = id;
        if (modified & sync::DlpUserInfoUpdate::kViewerId)
            viewerId = viewer;
        if (modified & sync::DlpUserInfoUpdate::kLastSyncPc)
            lastSyncPc = pc;
        if (modified & sync::DlpUserInfoUpdate::kLastSyncDate) {
            lastSync = t;
            successfulSync = t;
        }
        if (modified & sync::DlpUserInfoUpdate::kUserName)
            userName = name;
        return r;
    }
    case DlpFunction::GetSysDateTime:
        Add(r, kArg1, Out().Time(clock));
        return r;
    case DlpFunction::SetSysDateTime:
        if (!ReadTime(in, clock))
            bad();
        return r;
    case DlpFunction::ReadDbList: {
        uint8_t flags = 0, card = 0;
        uint16_t start = 0;
        if (!in.U8(flags) || !in.U8(card) || !in.U16(start))
            return bad(), r;
        if (card != 0 || !(flags & sync::DlpDbList::kRam) || start >= databases.size()) {
            Error(r, DlpErrorCode::NotFound);
            return r;
        }
        const size_t want = (flags & sync::DlpDbList::kMultiple) ? 20 : 1;
        const size_t end = std::min(databases.size(), size_t(start) + want);
        Out list;
        for (size_t i = start; i < end; ++i)
            DbInfo(list, databases[i], uint16_t(i));
        Add(r, kArg1,
            Out()
                .U16(uint16_t(end - 1))
                .U8(end < databases.size() ? 0x80 : 0)
                .U8(uint8_t(end - start))
                .Data(list.bytes));
        return r;
    }
    case DlpFunction::FindDb: {
        const DlpArgument& arg = request.arguments.empty() ? DlpArgument{} : request.arguments[0];
        DlpReader f(arg.data);
        uint8_t options = 0;
        if (!f.U8(options))
            return bad(), r;
        size_t found = databases.size();
        if (arg.id == kArg1) {
            uint8_t card = 0;
            std::string name;
            if (!f.U8(card) || !f.CString(DlpCommands::kMaxDbName, name))
                return bad(), r;
            if (const SimDatabase* db = FindDatabase(name))
                found = size_t(db - databases.data());
        } else if (arg.id == kArg2) {
            uint8_t handle = 0;
            if (!f.U8(handle))
                return bad(), r;
            if (!OpenDb(handle, r))
                return r;
            found = m_Open[handle - 1].db;
        } else if (arg.id == kArg3) {
            uint8_t search = 0;
            uint32_t type = 0, creator = 0;
            if (!f.U8(search) || !f.U32(type) || !f.U32(creator))
                return bad(), r;
            const size_t from = (search & 0x80) ? 0 : m_FindCursor;
            for (size_t i = from; i < databases.size(); ++i)
                if ((type == 0 || databases[i].type == type) &&
                    (creator == 0 || databases[i].creator == creator)) {
                    found = i;
                    break;
                }
            m_FindCursor = found + 1;
        } else {
            return bad(), r;
        }
        if (found >= databases.size()) {
            Error(r, DlpErrorCode::NotFound);
            return r;
        }
        const SimDatabase& db = databases[found];
        Out o;
        o.U8(0).U8(0).U32(uint32_t(0x1000 + found)).U32(0);
        if (options & sync::DlpFindDbResult::kGetAttributes)
            DbInfo(o, db, uint16_t(found));
        Add(r, kArg1, std::move(o));
        if (options & sync::DlpFindDbResult::kGetSize) {
            uint32_t data = 0, largest = 0;
            for (const SimRecord& rec : db.records) {
                data += uint32_t(rec.data.size());
                largest = std::max(largest, uint32_t(rec.data.size()));
            }
            Add(r, kArg2,
                Out()
                    .U32(uint32_t(db.records.size()))
                    .U32(data + uint32_t(db.appInfo.size() + db.sortInfo.size()))
                    .U32(data)
                    .U32(uint32_t(db.appInfo.size()))
                    .U32(uint32_t(db.sortInfo.size()))
                    .U32(largest));
        }
        return r;
    }
    case DlpFunction::OpenDb: {
        uint8_t card = 0, mode = 0;
        std::string name;
        if (!in.U8(card) || !in.U8(mode) || !in.CString(DlpCommands::kMaxDbName, name))
            return bad(), r;
        const SimDatabase* db = FindDatabase(name);
        if (!db) {
            Error(r, DlpErrorCode::NotFound);
            return r;
        }
        const size_t index = size_t(db - databases.data());
        for (size_t h = 0; h < m_Open.size(); ++h)
            if (m_Open[h].used && m_Open[h].db == index) {
                Error(r, DlpErrorCode::AlreadyOpen);
                return r;
            }
        for (size_t h = 0; h < m_Open.size(); ++h)
            if (!m_Open[h].used) {
                m_Open[h] = Open{true, index, mode, 0};
                Add(r, kArg1, Out().U8(uint8_t(h + 1)));
                return r;
            }
        Error(r, DlpErrorCode::TooManyOpen);
        return r;
    }
    case DlpFunction::CreateDb: {
        SimDatabase db;
        uint8_t card = 0, pad = 0;
        if (!in.U32(db.creator) || !in.U32(db.type) || !in.U8(card) || !in.U8(pad) ||
            !in.U16(db.flags) || !in.U16(db.version) ||
            !in.CString(DlpCommands::kMaxDbName, db.name) || db.name.empty())
            return bad(), r;
        if (FindDatabase(db.name)) {
            Error(r, DlpErrorCode::AlreadyExists);
            return r;
        }
        for (size_t h = 0; h < m_Open.size(); ++h)
            if (!m_Open[h].used) {
                databases.push_back(std::move(db));
                m_Open[h] = Open{true, databases.size() - 1,
                                 uint8_t(DlpCommands::kOpenRead | DlpCommands::kOpenWrite), 0};
                Add(r, kArg1, Out().U8(uint8_t(h + 1)));
                return r;
            }
        Error(r, DlpErrorCode::TooManyOpen);
        return r;
    }
    case DlpFunction::CloseDb: {
        uint8_t handle = 0;
        if (!in.U8(handle))
            return bad(), r;
        if (OpenDb(handle, r))
            m_Open[handle - 1] = Open{};
        return r;
    }
    case DlpFunction::DeleteDb: {
        uint8_t card = 0, pad = 0;
        std::string name;
        if (!in.U8(card) || !in.U8(pad) || !in.CString(DlpCommands::kMaxDbName, name))
            return bad(), r;
        SimDatabase* db = FindDatabase(name);
        if (!db) {
            Error(r, DlpErrorCode::NotFound);
            return r;
        }
        const size_t index = size_t(db - databases.data());
        for (Open& o : m_Open)
            if (o.used && o.db == index) {
                Error(r, DlpErrorCode::AlreadyOpen);
                return r;
            }
        databases.erase(databases.begin() + std::ptrdiff_t(index));
        for (Open& o : m_Open)
            if (o.used && o.db > index)
                --o.db;
        return r;
    }
    case DlpFunction::ReadOpenDbInfo: {
        uint8_t handle = 0;
        if (!in.U8(handle))
            return bad(), r;
        if (SimDatabase* db = OpenDb(handle, r))
            Add(r, kArg1, Out().U16(uint16_t(db->records.size())));
        return r;
    }
    case DlpFunction::ReadAppBlock:
    case DlpFunction::ReadSortBlock: {
        uint8_t handle = 0, pad = 0;
        uint16_t offset = 0, max = 0;
        if (!in.U8(handle) || !in.U8(pad) || !in.U16(offset) || !in.U16(max))
            return bad(), r;
        SimDatabase* db = OpenDb(handle, r);
        if (!db)
            return r;
        const std::vector<uint8_t>& block =
            request.function == uint8_t(DlpFunction::ReadAppBlock) ? db->appInfo : db->sortInfo;
        if (block.empty()) {
            Error(r, DlpErrorCode::NotFound);
            return r;
        }
        const std::vector<uint8_t> part = Slice(block, offset, max);
        Add(r, kArg1, Out().U16(uint16_t(part.size())).Data(part));
        return r;
    }
    case DlpFunction::WriteAppBlock:
    case DlpFunction::WriteSortBlock: {
        uint8_t handle = 0, pad = 0;
        uint16_t size = 0;
        std::vector<uint8_t> data;
        if (!in.U8(handle) || !in.U8(pad) || !in.U16(size) || !in.Bytes(size, data))
            return bad(), r;
        SimDatabase* db = OpenDb(handle, r);
        if (!db || !writable(handle))
            return r;
        (request.function == uint8_t(DlpFunction::WriteAppBlock) ? db->appInfo : db->sortInfo) =
            std::move(data);
        ++db->modificationNumber;
        return r;
    }
    case DlpFunction::ReadNextModifiedRec: {
        uint8_t handle = 0;
        if (!in.U8(handle))
            return bad(), r;
        SimDatabase* db = OpenDb(handle, r);
        if (!db)
            return r;
        size_t& next = m_Open[handle - 1].nextModified;
        for (; next < db->records.size(); ++next) {
            const SimRecord& rec = db->records[next];
            if (rec.attributes & (SimRecord::kDirty | SimRecord::kDeleted)) {
                RecordAnswer(r, rec, next, 0, 0xFFFF);
                ++next;
                return r;
            }
        }
        Error(r, DlpErrorCode::NotFound);
        return r;
    }
    case DlpFunction::ReadRecord: {
        const DlpArgument& arg = request.arguments.empty() ? DlpArgument{} : request.arguments[0];
        DlpReader f(arg.data);
        uint8_t handle = 0, pad = 0;
        uint16_t offset = 0, max = 0;
        if (!f.U8(handle) || !f.U8(pad))
            return bad(), r;
        SimDatabase* db = OpenDb(handle, r);
        if (!db)
            return r;
        size_t index = db->records.size();
        if (arg.id == kArg1) {
            uint32_t id = 0;
            if (!f.U32(id) || !f.U16(offset) || !f.U16(max))
                return bad(), r;
            for (size_t i = 0; i < db->records.size(); ++i)
                if (db->records[i].id == id)
                    index = i;
        } else {
            uint16_t i = 0;
            if (!f.U16(i) || !f.U16(offset) || !f.U16(max))
                return bad(), r;
            index = i;
        }
        if (index >= db->records.size()) {
            Error(r, DlpErrorCode::NotFound);
            return r;
        }
        // A deleted record's data is gone; only ReadNextModifiedRec still hands it out.
        const uint8_t a = db->records[index].attributes;
        if ((a & SimRecord::kDeleted) && !(a & SimRecord::kArchived)) {
            Error(r, DlpErrorCode::RecordDeleted);
            return r;
        }
        RecordAnswer(r, db->records[index], index, offset, max);
        return r;
    }
    case DlpFunction::WriteRecord: {
        uint8_t handle = 0, flags = 0;
        SimRecord rec;
        if (!in.U8(handle) || !in.U8(flags) || !in.U32(rec.id) || !in.U8(rec.attributes) ||
            !in.U8(rec.category) || !in.Bytes(in.Remaining(), rec.data))
            return bad(), r;
        SimDatabase* db = OpenDb(handle, r);
        if (!db || !writable(handle))
            return r;
        if (rec.category > 15)
            return bad(), r;
        // The desktop may not set the deleted or busy bits of a record it writes.
        rec.attributes &= uint8_t(~(SimRecord::kDeleted | SimRecord::kBusy));
        if (rec.id == 0)
            rec.id = db->nextUniqueId++;
        if (SimRecord* old = db->Find(rec.id))
            *old = rec;
        else
            db->records.push_back(rec);
        ++db->modificationNumber;
        Add(r, kArg1, Out().U32(rec.id));
        return r;
    }
    case DlpFunction::DeleteRecord: {
        uint8_t handle = 0, flags = 0;
        uint32_t id = 0;
        if (!in.U8(handle) || !in.U8(flags) || !in.U32(id))
            return bad(), r;
        SimDatabase* db = OpenDb(handle, r);
        if (!db || !writable(handle))
            return r;
        if (flags & DlpCommands::kDeleteAll) {
            db->records.clear();
        } else {
            auto it = std::find_if(db->records.begin(), db->records.end(),
                                   [&](const SimRecord& x) { return x.id == id; });
            if (it == db->records.end()) {
                Error(r, DlpErrorCode::NotFound);
                return r;
            }
            db->records.erase(it);
        }
        ++db->modificationNumber;
        return r;
    }
    case DlpFunction::CleanUpDatabase:
    case DlpFunction::ResetSyncFlags: {
        uint8_t handle = 0;
        if (!in.U8(handle))
            return bad(), r;
        SimDatabase* db = OpenDb(handle, r);
        if (!db || !writable(handle))
            return r;
        if (request.function == uint8_t(DlpFunction::CleanUpDatabase)) {
            std::erase_if(db->records,
                          [](const SimRecord& x) { return x.attributes & SimRecord::kDeleted; });
        } else {
            for (SimRecord& x : db->records)
                x.attributes &= uint8_t(~SimRecord::kDirty);
            db->backedUp = clock;
        }
        return r;
    }
    case DlpFunction::AddSyncLogEntry: {
        std::string text;
        if (!in.CString(4096, text))
            return bad(), r;
        syncLog.push_back(text);
        return r;
    }
    case DlpFunction::OpenConduit:
        return r;
    case DlpFunction::EndOfSync: {
        uint16_t status = 0;
        if (!in.U16(status))
            return bad(), r;
        endOfSyncStatus = status;
        return r;
    }
    case DlpFunction::ReadRecordIdList: {
        uint8_t handle = 0, flags = 0;
        uint16_t start = 0, max = 0;
        if (!in.U8(handle) || !in.U8(flags) || !in.U16(start) || !in.U16(max))
            return bad(), r;
        SimDatabase* db = OpenDb(handle, r);
        if (!db)
            return r;
        // What one short wrapper holds.
        const size_t limit = std::min<size_t>(max, 16000);
        Out o;
        const size_t end = std::min(db->records.size(), size_t(start) + limit);
        const size_t count = start < end ? end - start : 0;
        o.U16(uint16_t(count));
        for (size_t i = start; i < end; ++i)
            o.U32(db->records[i].id);
        Add(r, kArg1, std::move(o));
        return r;
    }
    default:
        Error(r, DlpErrorCode::IllegalRequest);
        return r;
    }
}

HandheldTransport::HandheldTransport(HandheldSimulator& handheld, size_t maxChunk)
    : m_Handheld(handheld), m_MaxChunk(maxChunk) {
    const std::vector<uint8_t> wakeup = m_Handheld.Begin();
    m_Pending.assign(wakeup.begin(), wakeup.end());
}

bool HandheldTransport::Send(std::span<const uint8_t> bytes, std::string* error) {
    if (m_Handheld.HungUp()) {
        if (error)
            *error = "the handheld hung up";
        return false;
    }
    m_Sent += bytes.size();
    std::vector<uint8_t> answers;
    m_Handheld.Feed(bytes, answers);
    m_Pending.insert(m_Pending.end(), answers.begin(), answers.end());
    return true;
}

bool HandheldTransport::Receive(std::vector<uint8_t>& out, std::string* error) {
    if (m_Pending.empty()) {
        if (error)
            *error = m_Handheld.HungUp() ? "the handheld hung up"
                                         : "the handheld stopped answering (timed out)";
        return false;
    }
    const size_t n = m_MaxChunk ? std::min(m_MaxChunk, m_Pending.size()) : m_Pending.size();
    out.insert(out.end(), m_Pending.begin(), m_Pending.begin() + std::ptrdiff_t(n));
    m_Pending.erase(m_Pending.begin(), m_Pending.begin() + std::ptrdiff_t(n));
    return true;
}

} // namespace quillary::test
