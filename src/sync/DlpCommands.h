// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Request encoders and typed response decoders for the DLP commands a sync uses.
// Encoders that take names or data refuse (nullopt, with the reason) what the handheld
// could not store as given: a database name over 31 bytes, a text with a NUL inside, a
// record or block too large for a short wrapper. Decoders check every length and count
// against the bytes that are there before reading or allocating.

#include "sync/DlpCodec.h"
#include "sync/DlpTypes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillary::sync {

enum class DlpFunction : uint8_t {
    ReadUserInfo = 0x10,
    WriteUserInfo = 0x11,
    ReadSysInfo = 0x12,
    GetSysDateTime = 0x13,
    SetSysDateTime = 0x14,
    ReadStorageInfo = 0x15,
    ReadDbList = 0x16,
    OpenDb = 0x17,
    CreateDb = 0x18,
    CloseDb = 0x19,
    DeleteDb = 0x1A,
    ReadAppBlock = 0x1B,
    WriteAppBlock = 0x1C,
    ReadSortBlock = 0x1D,
    WriteSortBlock = 0x1E,
    ReadNextModifiedRec = 0x1F,
    ReadRecord = 0x20,
    WriteRecord = 0x21,
    DeleteRecord = 0x22,
    ReadResource = 0x23,
    WriteResource = 0x24,
    DeleteResource = 0x25,
    CleanUpDatabase = 0x26,
    ResetSyncFlags = 0x27,
    AddSyncLogEntry = 0x2A,
    ReadOpenDbInfo = 0x2B,
    OpenConduit = 0x2E,
    EndOfSync = 0x2F,
    ReadRecordIdList = 0x31,
    ReadNetSyncInfo = 0x36,
    WriteNetSyncInfo = 0x37,
    FindDb = 0x39,
};

class DlpCommands {
public:
    // Longest database name, without its NUL.
    static constexpr size_t kMaxDbName = 31;
    // Records, resources and blocks travel in short wrappers, which every DLP version
    // understands; this is what fits after the largest header (WriteResource, 10 bytes).
    static constexpr size_t kMaxRecordData = DlpCodec::kShortMax - 10;
    static constexpr uint8_t kOpenRead = 0x80, kOpenWrite = 0x40, kOpenExclusive = 0x20,
                             kOpenSecret = 0x10;
    static constexpr uint8_t kDeleteAll = 0x80;
    static constexpr uint16_t kReadToEnd = 0xFFFF;

    // "ReadRecord", or "function 0x.." for one we do not know.
    static std::string FunctionName(uint8_t function);

    // --- requests ---
    static DlpRequest ReadSysInfo(uint16_t dlpMajor = 1, uint16_t dlpMinor = 4);
    static DlpRequest ReadUserInfo();
    static std::optional<DlpRequest> WriteUserInfo(const DlpUserInfoUpdate& info,
                                                   std::string* error);
    static DlpRequest GetSysDateTime();
    static DlpRequest SetSysDateTime(const DlpTime& time);
    static DlpRequest ReadStorageInfo(uint8_t cardNo);
    static DlpRequest ReadNetSyncInfo();
    static std::optional<DlpRequest> WriteNetSyncInfo(uint8_t modified, const DlpNetSyncInfo& info,
                                                      std::string* error);
    static DlpRequest ReadDbList(uint8_t flags, uint8_t cardNo, uint16_t startIndex);
    static std::optional<DlpRequest> FindDbByName(uint8_t options, uint8_t cardNo,
                                                  const std::string& name, std::string* error);
    static DlpRequest FindDbByHandle(uint8_t options, uint8_t handle);
    static DlpRequest FindDbByTypeCreator(uint8_t options, uint8_t searchFlags, uint32_t type,
                                          uint32_t creator);
    static std::optional<DlpRequest> OpenDb(uint8_t cardNo, uint8_t mode, const std::string& name,
                                            std::string* error);
    static std::optional<DlpRequest> CreateDb(const DlpCreateDbParams& params, std::string* error);
    static DlpRequest CloseDb(uint8_t handle);
    static std::optional<DlpRequest> DeleteDb(uint8_t cardNo, const std::string& name,
                                              std::string* error);
    static DlpRequest ReadOpenDbInfo(uint8_t handle);
    static DlpRequest ReadAppBlock(uint8_t handle, uint16_t offset, uint16_t maxLength);
    static std::optional<DlpRequest> WriteAppBlock(uint8_t handle, std::span<const uint8_t> data,
                                                   std::string* error);
    static DlpRequest ReadSortBlock(uint8_t handle, uint16_t offset, uint16_t maxLength);
    static std::optional<DlpRequest> WriteSortBlock(uint8_t handle, std::span<const uint8_t> data,
                                                    std::string* error);
    static DlpRequest ReadRecordIdList(uint8_t handle, uint8_t flags, uint16_t start, uint16_t max);
    static DlpRequest ReadRecordById(uint8_t handle, uint32_t id, uint16_t offset,
                                     uint16_t maxLength);
    static DlpRequest ReadRecordByIndex(uint8_t handle, uint16_t index, uint16_t offset,
                                        uint16_t maxLength);
    static DlpRequest ReadNextModifiedRec(uint8_t handle);
    // flags: 0x80 on every handheld seen; record.id 0 asks the handheld for a new ID.
    static std::optional<DlpRequest> WriteRecord(uint8_t handle, uint8_t flags,
                                                 const DlpRecord& record, std::string* error);
    static DlpRequest DeleteRecord(uint8_t handle, uint8_t flags, uint32_t id);
    static DlpRequest ReadResourceByIndex(uint8_t handle, uint16_t index, uint16_t offset,
                                          uint16_t maxLength);
    static DlpRequest ReadResourceByType(uint8_t handle, uint32_t type, uint16_t id,
                                         uint16_t offset, uint16_t maxLength);
    static std::optional<DlpRequest> WriteResource(uint8_t handle, const DlpResource& resource,
                                                   std::string* error);
    static DlpRequest DeleteResource(uint8_t handle, uint8_t flags, uint32_t type, uint16_t id);
    static DlpRequest CleanUpDatabase(uint8_t handle);
    static DlpRequest ResetSyncFlags(uint8_t handle);
    static std::optional<DlpRequest> AddSyncLogEntry(const std::string& text, std::string* error);
    static DlpRequest OpenConduit();
    static DlpRequest EndOfSync(uint16_t status);

    // --- responses (each false with the reason when the arguments do not fit) ---
    static bool DecodeSysInfo(const DlpResponse& r, DlpSysInfo& out, std::string* error);
    static bool DecodeUserInfo(const DlpResponse& r, DlpUserInfo& out, std::string* error);
    static bool DecodeTime(const DlpResponse& r, DlpTime& out, std::string* error);
    static bool DecodeStorageInfo(const DlpResponse& r, DlpStorageInfo& out, std::string* error);
    static bool DecodeNetSyncInfo(const DlpResponse& r, DlpNetSyncInfo& out, std::string* error);
    static bool DecodeDbList(const DlpResponse& r, DlpDbList& out, std::string* error);
    static bool DecodeFindDb(const DlpResponse& r, DlpFindDbResult& out, std::string* error);
    // OpenDB and CreateDB: the handle of the open database.
    static bool DecodeHandle(const DlpResponse& r, uint8_t& out, std::string* error);
    static bool DecodeOpenDbInfo(const DlpResponse& r, uint16_t& numRecords, std::string* error);
    // ReadAppBlock and ReadSortBlock.
    static bool DecodeBlock(const DlpResponse& r, std::vector<uint8_t>& out, std::string* error);
    static bool DecodeRecordIdList(const DlpResponse& r, std::vector<uint32_t>& out,
                                   std::string* error);
    // ReadRecord and ReadNextModifiedRec.
    static bool DecodeRecord(const DlpResponse& r, DlpRecord& out, std::string* error);
    static bool DecodeWriteRecord(const DlpResponse& r, uint32_t& id, std::string* error);
    static bool DecodeResource(const DlpResponse& r, DlpResource& out, std::string* error);
};

} // namespace quillary::sync
