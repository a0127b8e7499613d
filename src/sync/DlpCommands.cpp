// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/DlpCommands.h"

#include "sync/DlpReader.h"
#include "sync/DlpWriter.h"

#include <cstdio>

namespace quillary::sync {

namespace {

constexpr uint8_t kArg1 = DlpCodec::kFirstArgument;
constexpr uint8_t kArg2 = DlpCodec::kFirstArgument + 1;
constexpr uint8_t kArg3 = DlpCodec::kFirstArgument + 2;

using Out = DlpWriter;

DlpRequest Request(DlpFunction f, uint8_t id, Out arg) {
    DlpRequest r;
    r.function = uint8_t(f);
    r.arguments.push_back({id, std::move(arg.bytes)});
    return r;
}
DlpRequest Request(DlpFunction f) {
    DlpRequest r;
    r.function = uint8_t(f);
    return r;
}
DlpRequest HandleOnly(DlpFunction f, uint8_t handle) {
    return Request(f, kArg1, Out().U8(handle));
}

bool Fail(std::string* error, const std::string& why) {
    if (error)
        *error = why;
    return false;
}

bool CheckText(const std::string& text, size_t maxLength, const char* what, std::string* error) {
    if (text.find('\0') != std::string::npos)
        return Fail(error, std::string("The ") + what + " contains a NUL character");
    if (text.size() > maxLength)
        return Fail(error, std::string("The ") + what + " is " + std::to_string(text.size()) +
                               " bytes long; the handheld takes at most " +
                               std::to_string(maxLength));
    return true;
}
bool CheckName(const std::string& name, std::string* error) {
    if (name.empty())
        return Fail(error, "The database name is empty");
    return CheckText(name, DlpCommands::kMaxDbName, "database name", error);
}
bool CheckData(size_t size, const char* what, std::string* error) {
    if (size > DlpCommands::kMaxRecordData)
        return Fail(error, std::string("The ") + what + " of " + std::to_string(size) +
                               " bytes is larger than the limit of " +
                               std::to_string(DlpCommands::kMaxRecordData) + " bytes");
    return true;
}

// The argument a decoder needs, or false with the reason.
const DlpArgument* Need(const DlpResponse& r, uint8_t id, std::string* error) {
    const DlpArgument* a = r.Find(id);
    if (!a)
        Fail(error, "The handheld's answer to " + DlpCommands::FunctionName(r.function) +
                        " lacks argument " + std::to_string(id - kArg1 + 1));
    return a;
}
bool Short(const DlpResponse& r, std::string* error) {
    return Fail(error, "The handheld's answer to " + DlpCommands::FunctionName(r.function) +
                           " is cut short");
}

bool ReadTime(DlpReader& in, DlpTime& t) {
    uint8_t pad = 0;
    return in.U16(t.year) && in.U8(t.month) && in.U8(t.day) && in.U8(t.hour) && in.U8(t.minute) &&
           in.U8(t.second) && in.U8(pad);
}

// One database description: a size byte, then the fixed fields and the name; the size
// covers any padding after the name.
bool ReadDbInfo(DlpReader& in, DlpDbInfo& db) {
    constexpr size_t kFixed = 1 + 1 + 2 + 4 + 4 + 2 + 4 + 3 * 8 + 2;
    uint8_t size = 0;
    if (!in.U8(size) || size < kFixed + 1 || size_t(size) - 1 > in.Remaining())
        return false;
    std::vector<uint8_t> body;
    in.Bytes(size_t(size) - 1, body);
    DlpReader e(body);
    return e.U8(db.miscFlags) && e.U16(db.flags) && e.U32(db.type) && e.U32(db.creator) &&
           e.U16(db.version) && e.U32(db.modificationNumber) && ReadTime(e, db.created) &&
           ReadTime(e, db.modified) && ReadTime(e, db.backedUp) && e.U16(db.index) &&
           e.CString(DlpCommands::kMaxDbName, db.name);
}

} // namespace

std::string DlpCommands::FunctionName(uint8_t function) {
    static constexpr struct {
        DlpFunction function;
        const char* name;
    } kNames[] = {
        {DlpFunction::ReadUserInfo, "ReadUserInfo"},
        {DlpFunction::WriteUserInfo, "WriteUserInfo"},
        {DlpFunction::ReadSysInfo, "ReadSysInfo"},
        {DlpFunction::GetSysDateTime, "GetSysDateTime"},
        {DlpFunction::SetSysDateTime, "SetSysDateTime"},
        {DlpFunction::ReadStorageInfo, "ReadStorageInfo"},
        {DlpFunction::ReadDbList, "ReadDBList"},
        {DlpFunction::OpenDb, "OpenDB"},
        {DlpFunction::CreateDb, "CreateDB"},
        {DlpFunction::CloseDb, "CloseDB"},
        {DlpFunction::DeleteDb, "DeleteDB"},
        {DlpFunction::ReadAppBlock, "ReadAppBlock"},
        {DlpFunction::WriteAppBlock, "WriteAppBlock"},
        {DlpFunction::ReadSortBlock, "ReadSortBlock"},
        {DlpFunction::WriteSortBlock, "WriteSortBlock"},
        {DlpFunction::ReadNextModifiedRec, "ReadNextModifiedRec"},
        {DlpFunction::ReadRecord, "ReadRecord"},
        {DlpFunction::WriteRecord, "WriteRecord"},
        {DlpFunction::DeleteRecord, "DeleteRecord"},
        {DlpFunction::ReadResource, "ReadResource"},
        {DlpFunction::WriteResource, "WriteResource"},
        {DlpFunction::DeleteResource, "DeleteResource"},
        {DlpFunction::CleanUpDatabase, "CleanUpDatabase"},
        {DlpFunction::ResetSyncFlags, "ResetSyncFlags"},
        {DlpFunction::AddSyncLogEntry, "AddSyncLogEntry"},
        {DlpFunction::ReadOpenDbInfo, "ReadOpenDBInfo"},
        {DlpFunction::OpenConduit, "OpenConduit"},
        {DlpFunction::EndOfSync, "EndOfSync"},
        {DlpFunction::ReadRecordIdList, "ReadRecordIDList"},
        {DlpFunction::ReadNetSyncInfo, "ReadNetSyncInfo"},
        {DlpFunction::WriteNetSyncInfo, "WriteNetSyncInfo"},
        {DlpFunction::FindDb, "FindDB"},
    };
    for (const auto& n : kNames)
        if (uint8_t(n.function) == function)
            return n.name;
    char buf[24];
    std::snprintf(buf, sizeof buf, "function 0x%02X", unsigned(function));
    return buf;
}

// --- requests ---

DlpRequest DlpCommands::ReadSysInfo(uint16_t dlpMajor, uint16_t dlpMinor) {
    return Request(DlpFunction::ReadSysInfo, kArg1, Out().U16(dlpMajor).U16(dlpMinor));
}

DlpRequest DlpCommands::ReadUserInfo() {
    return Request(DlpFunction::ReadUserInfo);
}

std::optional<DlpRequest> DlpCommands::WriteUserInfo(const DlpUserInfoUpdate& info,
                                                     std::string* error) {
    // The length byte counts the NUL, so 254 bytes of name is the most it can state.
    if (!CheckText(info.userName, 254, "user name", error))
        return std::nullopt;
    Out o;
    o.U32(info.userId)
        .U32(info.viewerId)
        .U32(info.lastSyncPc)
        .Time(info.lastSync)
        .U8(info.modified);
    if (info.userName.empty())
        o.U8(0);
    else
        o.U8(uint8_t(info.userName.size() + 1)).CString(info.userName);
    return Request(DlpFunction::WriteUserInfo, kArg1, std::move(o));
}

DlpRequest DlpCommands::GetSysDateTime() {
    return Request(DlpFunction::GetSysDateTime);
}

DlpRequest DlpCommands::SetSysDateTime(const DlpTime& time) {
    return Request(DlpFunction::SetSysDateTime, kArg1, Out().Time(time));
}

DlpRequest DlpCommands::ReadStorageInfo(uint8_t cardNo) {
    return Request(DlpFunction::ReadStorageInfo, kArg1, Out().U8(cardNo).U8(0));
}

DlpRequest DlpCommands::ReadNetSyncInfo() {
    return Request(DlpFunction::ReadNetSyncInfo);
}

std::optional<DlpRequest>
DlpCommands::WriteNetSyncInfo(uint8_t modified, const DlpNetSyncInfo& info, std::string* error) {
    constexpr size_t kMaxText = 255;
    if (!CheckText(info.hostName, kMaxText, "host name", error) ||
        !CheckText(info.hostAddress, kMaxText, "host address", error) ||
        !CheckText(info.subnetMask, kMaxText, "subnet mask", error))
        return std::nullopt;
    auto len = [](const std::string& s) { return uint16_t(s.empty() ? 0 : s.size() + 1); };
    Out o;
    o.U8(modified).U8(info.lanSync);
    for (int i = 0; i < 16; ++i)
        o.U8(0);
    o.U16(len(info.hostName)).U16(len(info.hostAddress)).U16(len(info.subnetMask));
    for (const std::string* s : {&info.hostName, &info.hostAddress, &info.subnetMask})
        if (!s->empty())
            o.CString(*s);
    return Request(DlpFunction::WriteNetSyncInfo, kArg1, std::move(o));
}

DlpRequest DlpCommands::ReadDbList(uint8_t flags, uint8_t cardNo, uint16_t startIndex) {
    return Request(DlpFunction::ReadDbList, kArg1, Out().U8(flags).U8(cardNo).U16(startIndex));
}

std::optional<DlpRequest> DlpCommands::FindDbByName(uint8_t options, uint8_t cardNo,
                                                    const std::string& name, std::string* error) {
    if (!CheckName(name, error))
        return std::nullopt;
    return Request(DlpFunction::FindDb, kArg1, Out().U8(options).U8(cardNo).CString(name));
}

DlpRequest DlpCommands::FindDbByHandle(uint8_t options, uint8_t handle) {
    return Request(DlpFunction::FindDb, kArg2, Out().U8(options).U8(handle));
}

DlpRequest DlpCommands::FindDbByTypeCreator(uint8_t options, uint8_t searchFlags, uint32_t type,
                                            uint32_t creator) {
    return Request(DlpFunction::FindDb, kArg3,
                   Out().U8(options).U8(searchFlags).U32(type).U32(creator));
}

std::optional<DlpRequest> DlpCommands::OpenDb(uint8_t cardNo, uint8_t mode, const std::string& name,
                                              std::string* error) {
    if (!CheckName(name, error))
        return std::nullopt;
    return Request(DlpFunction::OpenDb, kArg1, Out().U8(cardNo).U8(mode).CString(name));
}

std::optional<DlpRequest> DlpCommands::CreateDb(const DlpCreateDbParams& p, std::string* error) {
    if (!CheckName(p.name, error))
        return std::nullopt;
    return Request(
        DlpFunction::CreateDb, kArg1,
        Out().U32(p.creator).U32(p.type).U8(p.cardNo).U8(0).U16(p.flags).U16(p.version).CString(
            p.name));
}

DlpRequest DlpCommands::CloseDb(uint8_t handle) {
    return HandleOnly(DlpFunction::CloseDb, handle);
}

std::optional<DlpRequest> DlpCommands::DeleteDb(uint8_t cardNo, const std::string& name,
                                                std::string* error) {
    if (!CheckName(name, error))
        return std::nullopt;
    return Request(DlpFunction::DeleteDb, kArg1, Out().U8(cardNo).U8(0).CString(name));
}

DlpRequest DlpCommands::ReadOpenDbInfo(uint8_t handle) {
    return HandleOnly(DlpFunction::ReadOpenDbInfo, handle);
}

DlpRequest DlpCommands::ReadAppBlock(uint8_t handle, uint16_t offset, uint16_t maxLength) {
    return Request(DlpFunction::ReadAppBlock, kArg1,
                   Out().U8(handle).U8(0).U16(offset).U16(maxLength));
}

std::optional<DlpRequest> DlpCommands::WriteAppBlock(uint8_t handle, std::span<const uint8_t> data,
                                                     std::string* error) {
    if (!CheckData(data.size(), "application info block", error))
        return std::nullopt;
    return Request(DlpFunction::WriteAppBlock, kArg1,
                   Out().U8(handle).U8(0).U16(uint16_t(data.size())).Data(data));
}

DlpRequest DlpCommands::ReadSortBlock(uint8_t handle, uint16_t offset, uint16_t maxLength) {
    return Request(DlpFunction::ReadSortBlock, kArg1,
                   Out().U8(handle).U8(0).U16(offset).U16(maxLength));
}

std::optional<DlpRequest> DlpCommands::WriteSortBlock(uint8_t handle, std::span<const uint8_t> data,
                                                      std::string* error) {
    if (!CheckData(data.size(), "sort info block", error))
        return std::nullopt;
    return Request(DlpFunction::WriteSortBlock, kArg1,
                   Out().U8(handle).U8(0).U16(uint16_t(data.size())).Data(data));
}

DlpRequest DlpCommands::ReadRecordIdList(uint8_t handle, uint8_t flags, uint16_t start,
                                         uint16_t max) {
    return Request(DlpFunction::ReadRecordIdList, kArg1,
                   Out().U8(handle).U8(flags).U16(start).U16(max));
}

DlpRequest DlpCommands::ReadRecordById(uint8_t handle, uint32_t id, uint16_t offset,
                                       uint16_t maxLength) {
    return Request(DlpFunction::ReadRecord, kArg1,
                   Out().U8(handle).U8(0).U32(id).U16(offset).U16(maxLength));
}

DlpRequest DlpCommands::ReadRecordByIndex(uint8_t handle, uint16_t index, uint16_t offset,
                                          uint16_t maxLength) {
    return Request(DlpFunction::ReadRecord, kArg2,
                   Out().U8(handle).U8(0).U16(index).U16(offset).U16(maxLength));
}

DlpRequest DlpCommands::ReadNextModifiedRec(uint8_t handle) {
    return HandleOnly(DlpFunction::ReadNextModifiedRec, handle);
}

std::optional<DlpRequest> DlpCommands::WriteRecord(uint8_t handle, uint8_t flags,
                                                   const DlpRecord& record, std::string* error) {
    if (!CheckData(record.data.size(), "record", error))
        return std::nullopt;
    return Request(DlpFunction::WriteRecord, kArg1,
                   Out()
                       .U8(handle)
                       .U8(flags)
                       .U32(record.id)
                       .U8(record.attributes)
                       .U8(record.category)
                       .Data(record.data));
}

DlpRequest DlpCommands::DeleteRecord(uint8_t handle, uint8_t flags, uint32_t id) {
    return Request(DlpFunction::DeleteRecord, kArg1, Out().U8(handle).U8(flags).U32(id));
}

DlpRequest DlpCommands::ReadResourceByIndex(uint8_t handle, uint16_t index, uint16_t offset,
                                            uint16_t maxLength) {
    return Request(DlpFunction::ReadResource, kArg1,
                   Out().U8(handle).U8(0).U16(index).U16(offset).U16(maxLength));
}

DlpRequest DlpCommands::ReadResourceByType(uint8_t handle, uint32_t type, uint16_t id,
                                           uint16_t offset, uint16_t maxLength) {
    return Request(DlpFunction::ReadResource, kArg2,
                   Out().U8(handle).U8(0).U32(type).U16(id).U16(offset).U16(maxLength));
}

std::optional<DlpRequest> DlpCommands::WriteResource(uint8_t handle, const DlpResource& resource,
                                                     std::string* error) {
    if (!CheckData(resource.data.size(), "resource", error))
        return std::nullopt;
    return Request(DlpFunction::WriteResource, kArg1,
                   Out()
                       .U8(handle)
                       .U8(0)
                       .U32(resource.type)
                       .U16(resource.id)
                       .U16(uint16_t(resource.data.size()))
                       .Data(resource.data));
}

DlpRequest DlpCommands::DeleteResource(uint8_t handle, uint8_t flags, uint32_t type, uint16_t id) {
    return Request(DlpFunction::DeleteResource, kArg1,
                   Out().U8(handle).U8(flags).U32(type).U16(id));
}

DlpRequest DlpCommands::CleanUpDatabase(uint8_t handle) {
    return HandleOnly(DlpFunction::CleanUpDatabase, handle);
}

DlpRequest DlpCommands::ResetSyncFlags(uint8_t handle) {
    return HandleOnly(DlpFunction::ResetSyncFlags, handle);
}

std::optional<DlpRequest> DlpCommands::AddSyncLogEntry(const std::string& text,
                                                       std::string* error) {
    // The handheld's log is small; a few kilobytes is more than it keeps.
    if (!CheckText(text, 4096, "sync log entry", error))
        return std::nullopt;
    return Request(DlpFunction::AddSyncLogEntry, kArg1, Out().CString(text));
}

DlpRequest DlpCommands::OpenConduit() {
    return Request(DlpFunction::OpenConduit);
}

DlpRequest DlpCommands::EndOfSync(uint16_t status) {
    return Request(DlpFunction::EndOfSync, kArg1, Out().U16(status));
}

// --- responses ---

bool DlpCommands::DecodeSysInfo(const DlpResponse& r, DlpSysInfo& out, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    uint8_t pad = 0, idSize = 0;
    if (!in.U32(out.romVersion) || !in.U32(out.locale) || !in.U8(pad) || !in.U8(idSize) ||
        !in.Bytes(idSize, out.productId))
        return Short(r, error);
    out.hasDlpVersion = false;
    if (const DlpArgument* v = r.Find(kArg2)) {
        DlpReader vin(v->data);
        if (!vin.U16(out.dlpMajor) || !vin.U16(out.dlpMinor) || !vin.U16(out.compatMajor) ||
            !vin.U16(out.compatMinor) || !vin.U32(out.maxRecordSize))
            return Short(r, error);
        out.hasDlpVersion = true;
    }
    return true;
}

bool DlpCommands::DecodeUserInfo(const DlpResponse& r, DlpUserInfo& out, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    uint8_t nameLen = 0, passwordLen = 0;
    if (!in.U32(out.userId) || !in.U32(out.viewerId) || !in.U32(out.lastSyncPc) ||
        !ReadTime(in, out.successfulSync) || !ReadTime(in, out.lastSync) || !in.U8(nameLen) ||
        !in.U8(passwordLen) || !in.Text(nameLen, out.userName) ||
        !in.Bytes(passwordLen, out.password))
        return Short(r, error);
    return true;
}

bool DlpCommands::DecodeTime(const DlpResponse& r, DlpTime& out, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    return ReadTime(in, out) || Short(r, error);
}

bool DlpCommands::DecodeStorageInfo(const DlpResponse& r, DlpStorageInfo& out, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    uint8_t more = 0, pad = 0, count = 0;
    if (!in.U8(out.lastCard) || !in.U8(more) || !in.U8(pad) || !in.U8(count))
        return Short(r, error);
    out.more = more != 0;
    out.cards.clear();
    for (unsigned i = 0; i < count; ++i) {
        uint8_t size = 0;
        std::vector<uint8_t> body;
        if (!in.U8(size) || size < 1 || !in.Bytes(size_t(size) - 1, body))
            return Short(r, error);
        DlpReader c(body);
        DlpCardInfo card;
        uint8_t nameLen = 0, makerLen = 0;
        if (!c.U8(card.cardNo) || !c.U16(card.version) || !ReadTime(c, card.created) ||
            !c.U32(card.romSize) || !c.U32(card.ramSize) || !c.U32(card.freeRam) ||
            !c.U8(nameLen) || !c.U8(makerLen) || !c.Text(nameLen, card.name) ||
            !c.Text(makerLen, card.manufacturer))
            return Short(r, error);
        out.cards.push_back(std::move(card));
    }
    out.hasDbCounts = false;
    if (const DlpArgument* x = r.Find(kArg2)) {
        DlpReader xin(x->data);
        if (!xin.U16(out.romDbCount) || !xin.U16(out.ramDbCount))
            return Short(r, error);
        out.hasDbCounts = true;
    }
    return true;
}

bool DlpCommands::DecodeNetSyncInfo(const DlpResponse& r, DlpNetSyncInfo& out, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    uint16_t nameLen = 0, addressLen = 0, maskLen = 0;
    if (!in.U8(out.lanSync) || !in.Skip(17) || !in.U16(nameLen) || !in.U16(addressLen) ||
        !in.U16(maskLen) || !in.Text(nameLen, out.hostName) ||
        !in.Text(addressLen, out.hostAddress) || !in.Text(maskLen, out.subnetMask))
        return Short(r, error);
    return true;
}

bool DlpCommands::DecodeDbList(const DlpResponse& r, DlpDbList& out, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    uint8_t flags = 0, count = 0;
    if (!in.U16(out.lastIndex) || !in.U8(flags) || !in.U8(count))
        return Short(r, error);
    out.more = (flags & 0x80) != 0;
    out.databases.clear();
    for (unsigned i = 0; i < count; ++i) {
        DlpDbInfo db;
        if (!ReadDbInfo(in, db))
            return Fail(error, "Database " + std::to_string(i + 1) + " of " +
                                   std::to_string(count) +
                                   " in the handheld's database list is cut short or malformed");
        out.databases.push_back(std::move(db));
    }
    return true;
}

bool DlpCommands::DecodeFindDb(const DlpResponse& r, DlpFindDbResult& out, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    uint8_t pad = 0;
    if (!in.U8(out.cardNo) || !in.U8(pad) || !in.U32(out.localId) || !in.U32(out.openRef))
        return Short(r, error);
    // The description follows only when it was asked for.
    out.hasInfo = !in.AtEnd();
    if (out.hasInfo && !ReadDbInfo(in, out.info))
        return Short(r, error);
    out.hasSize = false;
    if (const DlpArgument* s = r.Find(kArg2)) {
        DlpReader sin(s->data);
        DlpDbSize& z = out.size;
        if (!sin.U32(z.numRecords) || !sin.U32(z.totalBytes) || !sin.U32(z.dataBytes) ||
            !sin.U32(z.appBlockSize) || !sin.U32(z.sortBlockSize) || !sin.U32(z.maxRecordSize))
            return Short(r, error);
        out.hasSize = true;
    }
    return true;
}

bool DlpCommands::DecodeHandle(const DlpResponse& r, uint8_t& out, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    return in.U8(out) || Short(r, error);
}

bool DlpCommands::DecodeOpenDbInfo(const DlpResponse& r, uint16_t& numRecords, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    return in.U16(numRecords) || Short(r, error);
}

bool DlpCommands::DecodeBlock(const DlpResponse& r, std::vector<uint8_t>& out, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    uint16_t size = 0;
    if (!in.U16(size) || size > in.Remaining())
        return Short(r, error);
    in.Bytes(size, out);
    return true;
}

bool DlpCommands::DecodeRecordIdList(const DlpResponse& r, std::vector<uint32_t>& out,
                                     std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    uint16_t count = 0;
    if (!in.U16(count) || size_t(count) * 4 > in.Remaining())
        return Short(r, error);
    out.resize(count);
    for (uint32_t& id : out)
        in.U32(id);
    return true;
}

bool DlpCommands::DecodeRecord(const DlpResponse& r, DlpRecord& out, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    if (!in.U32(out.id) || !in.U16(out.index) || !in.U16(out.size) || !in.U8(out.attributes) ||
        !in.U8(out.category))
        return Short(r, error);
    // What follows is the record, or the part of it that was asked for.
    if (in.Remaining() > out.size)
        return Fail(error, "The handheld sent " + std::to_string(in.Remaining()) +
                               " bytes for a record of " + std::to_string(out.size));
    in.Bytes(in.Remaining(), out.data);
    return true;
}

bool DlpCommands::DecodeWriteRecord(const DlpResponse& r, uint32_t& id, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    return in.U32(id) || Short(r, error);
}

bool DlpCommands::DecodeResource(const DlpResponse& r, DlpResource& out, std::string* error) {
    const DlpArgument* a = Need(r, kArg1, error);
    if (!a)
        return false;
    DlpReader in(a->data);
    if (!in.U32(out.type) || !in.U16(out.id) || !in.U16(out.index) || !in.U16(out.size))
        return Short(r, error);
    if (in.Remaining() > out.size)
        return Fail(error, "The handheld sent " + std::to_string(in.Remaining()) +
                               " bytes for a resource of " + std::to_string(out.size));
    in.Bytes(in.Remaining(), out.data);
    return true;
}

} // namespace quillary::sync
