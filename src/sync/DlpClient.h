// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The desktop's side of a HotSync session, one blocking call per DLP command, over any
// DlpTransport. The client owns the framing and the transaction IDs: each request goes
// out with the next ID, and only a response with the same ID and function is accepted.
// After a protocol or transport failure every further call fails at once, since the
// stream can no longer be trusted.

#include "sync/DlpCodec.h"
#include "sync/DlpCommands.h"
#include "sync/DlpStatus.h"
#include "sync/DlpTransport.h"
#include "sync/DlpTypes.h"
#include "sync/NetSyncFramer.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillary::sync {

class DlpClient {
public:
    explicit DlpClient(DlpTransport& transport);

    // Waits for the handheld's wake-up and trades the fixed handshake statements.
    DlpStatus Handshake();

    // Sends one request and waits for its response. A response carrying a DLP error
    // comes back with Kind::Handheld and is still stored in `response`.
    DlpStatus Call(const DlpRequest& request, DlpResponse& response);

    DlpStatus ReadSysInfo(DlpSysInfo& out);
    DlpStatus ReadUserInfo(DlpUserInfo& out);
    DlpStatus WriteUserInfo(const DlpUserInfoUpdate& info);
    DlpStatus GetSysDateTime(DlpTime& out);
    DlpStatus SetSysDateTime(const DlpTime& time);
    DlpStatus ReadStorageInfo(uint8_t cardNo, DlpStorageInfo& out);
    DlpStatus ReadNetSyncInfo(DlpNetSyncInfo& out);
    DlpStatus WriteNetSyncInfo(uint8_t modified, const DlpNetSyncInfo& info);
    DlpStatus ReadDbList(uint8_t flags, uint8_t cardNo, uint16_t startIndex, DlpDbList& out);
    DlpStatus FindDbByName(uint8_t options, uint8_t cardNo, const std::string& name,
                           DlpFindDbResult& out);
    DlpStatus FindDbByHandle(uint8_t options, uint8_t handle, DlpFindDbResult& out);
    DlpStatus FindDbByTypeCreator(uint8_t options, uint8_t searchFlags, uint32_t type,
                                  uint32_t creator, DlpFindDbResult& out);
    DlpStatus OpenDb(uint8_t cardNo, uint8_t mode, const std::string& name, uint8_t& handle);
    DlpStatus CreateDb(const DlpCreateDbParams& params, uint8_t& handle);
    DlpStatus CloseDb(uint8_t handle);
    DlpStatus DeleteDb(uint8_t cardNo, const std::string& name);
    DlpStatus ReadOpenDbInfo(uint8_t handle, uint16_t& numRecords);
    DlpStatus ReadAppBlock(uint8_t handle, uint16_t offset, uint16_t maxLength,
                           std::vector<uint8_t>& out);
    DlpStatus WriteAppBlock(uint8_t handle, std::span<const uint8_t> data);
    DlpStatus ReadSortBlock(uint8_t handle, uint16_t offset, uint16_t maxLength,
                            std::vector<uint8_t>& out);
    DlpStatus WriteSortBlock(uint8_t handle, std::span<const uint8_t> data);
    DlpStatus ReadRecordIdList(uint8_t handle, uint8_t flags, uint16_t start, uint16_t max,
                               std::vector<uint32_t>& out);
    DlpStatus ReadRecordById(uint8_t handle, uint32_t id, uint16_t offset, uint16_t maxLength,
                             DlpRecord& out);
    DlpStatus ReadRecordByIndex(uint8_t handle, uint16_t index, uint16_t offset, uint16_t maxLength,
                                DlpRecord& out);
    // Handheld error "not found" when no modified record is left.
    DlpStatus ReadNextModifiedRec(uint8_t handle, DlpRecord& out);
    DlpStatus WriteRecord(uint8_t handle, uint8_t flags, const DlpRecord& record, uint32_t& newId);
    DlpStatus DeleteRecord(uint8_t handle, uint8_t flags, uint32_t id);
    DlpStatus ReadResourceByIndex(uint8_t handle, uint16_t index, uint16_t offset,
                                  uint16_t maxLength, DlpResource& out);
    DlpStatus ReadResourceByType(uint8_t handle, uint32_t type, uint16_t id, uint16_t offset,
                                 uint16_t maxLength, DlpResource& out);
    DlpStatus WriteResource(uint8_t handle, const DlpResource& resource);
    DlpStatus DeleteResource(uint8_t handle, uint8_t flags, uint32_t type, uint16_t id);
    DlpStatus CleanUpDatabase(uint8_t handle);
    DlpStatus ResetSyncFlags(uint8_t handle);
    DlpStatus AddSyncLogEntry(const std::string& text);
    DlpStatus OpenConduit();
    DlpStatus EndOfSync(uint16_t status);

private:
    DlpStatus SendMessage(std::span<const uint8_t> payload);
    DlpStatus ReceiveMessage(NetSyncMessage& out);
    DlpStatus Lost(DlpStatus::Kind kind, std::string message);
    DlpStatus Run(const std::optional<DlpRequest>& request, const std::string& refusal);
    template <class T, class Decode>
    DlpStatus Run(const std::optional<DlpRequest>& request, const std::string& refusal, T& out,
                  Decode decode);

    DlpTransport& m_Transport;
    NetSyncFramer m_Framer;
    uint8_t m_Transaction = 0; // the ID of the last message sent
    bool m_Broken = false;
    std::string m_BrokenReason;
};

} // namespace quillary::sync
