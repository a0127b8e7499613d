// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/DlpClient.h"

#include "sync/DlpError.h"
#include "sync/NetSyncHandshake.h"

namespace quillary::sync {

using Kind = DlpStatus::Kind;

DlpClient::DlpClient(DlpTransport& transport) : m_Transport(transport) {}

DlpStatus DlpClient::Lost(Kind kind, std::string message) {
    m_Broken = true;
    m_BrokenReason = message;
    return DlpStatus::Failure(kind, std::move(message));
}

DlpStatus DlpClient::SendMessage(std::span<const uint8_t> payload) {
    if (m_Broken)
        return DlpStatus::Failure(Kind::Transport, m_BrokenReason);
    m_Transaction = NetSyncFramer::NextTransaction(m_Transaction);
    const std::vector<uint8_t> bytes = NetSyncFramer::Encode(m_Transaction, payload);
    std::string error;
    if (!m_Transport.Send(bytes, &error))
        return Lost(Kind::Transport, "Sending to the handheld failed: " + error);
    return {};
}

DlpStatus DlpClient::ReceiveMessage(NetSyncMessage& out) {
    if (m_Broken)
        return DlpStatus::Failure(Kind::Transport, m_BrokenReason);
    std::string error;
    for (;;) {
        switch (m_Framer.Next(out, &error)) {
        case NetSyncFramer::Result::Message:
            // A keep-alive only says the handheld is still there.
            if (out.type == NetSyncFramer::kKeepAliveType)
                continue;
            return {};
        case NetSyncFramer::Result::Error:
            return Lost(Kind::Protocol, error);
        case NetSyncFramer::Result::NeedMore:
            break;
        }
        std::vector<uint8_t> chunk;
        if (!m_Transport.Receive(chunk, &error))
            return Lost(Kind::Transport, "Receiving from the handheld failed: " + error);
        // A transport that keeps answering with nothing would otherwise spin here forever.
        if (chunk.empty())
            return Lost(Kind::Transport, "Receiving from the handheld failed: no data arrived");
        m_Framer.Feed(chunk);
    }
}

DlpStatus DlpClient::Handshake() {
    using Step = NetSyncHandshake::Step;
    NetSyncMessage message;
    std::string error;
    auto expect = [&](Step step, bool checkTransaction) -> DlpStatus {
        DlpStatus s = ReceiveMessage(message);
        if (!s.Ok())
            return s;
        if (checkTransaction && message.transaction != m_Transaction)
            return Lost(Kind::Protocol, "The handheld answered the handshake out of turn");
        if (!NetSyncHandshake::CheckHandheld(step, message.payload, &error))
            return Lost(Kind::Protocol, error);
        return {};
    };
    DlpStatus s = expect(Step::HandheldWakeup, false);
    if (s.Ok())
        s = SendMessage(NetSyncHandshake::DesktopHello());
    if (s.Ok())
        s = expect(Step::HandheldHello, true);
    if (s.Ok())
        s = SendMessage(NetSyncHandshake::DesktopConfirm());
    if (s.Ok())
        s = expect(Step::HandheldConfirm, true);
    return s;
}

DlpStatus DlpClient::Call(const DlpRequest& request, DlpResponse& response) {
    const std::string name = DlpCommands::FunctionName(request.function);
    std::vector<uint8_t> payload;
    std::string error;
    if (!DlpCodec::EncodeRequest(request, payload, &error))
        return DlpStatus::Failure(Kind::Refused, name + " was not sent: " + error);
    DlpStatus s = SendMessage(payload);
    if (!s.Ok())
        return s;
    NetSyncMessage message;
    s = ReceiveMessage(message);
    if (!s.Ok())
        return s;
    if (message.transaction != m_Transaction)
        return Lost(Kind::Protocol, "The handheld answered " + name + " with transaction " +
                                        std::to_string(message.transaction) + " instead of " +
                                        std::to_string(m_Transaction));
    if (!DlpCodec::DecodeResponse(message.payload, response, &error))
        return Lost(Kind::Protocol, "The handheld's answer to " + name + " is malformed: " + error);
    if (response.function != request.function)
        return Lost(Kind::Protocol, "The handheld answered " + name + " with " +
                                        DlpCommands::FunctionName(response.function));
    if (response.error != 0)
        return DlpStatus::Failure(Kind::Handheld,
                                  "The handheld refused " + name + ": " +
                                      DlpError::Name(response.error) + " (" +
                                      std::to_string(response.error) + ")",
                                  response.error);
    return {};
}

DlpStatus DlpClient::Run(const std::optional<DlpRequest>& request, const std::string& refusal) {
    if (!request)
        return DlpStatus::Failure(Kind::Refused, refusal);
    DlpResponse response;
    return Call(*request, response);
}

template <class T, class Decode>
DlpStatus DlpClient::Run(const std::optional<DlpRequest>& request, const std::string& refusal,
                         T& out, Decode decode) {
    if (!request)
        return DlpStatus::Failure(Kind::Refused, refusal);
    DlpResponse response;
    DlpStatus s = Call(*request, response);
    if (!s.Ok())
        return s;
    std::string error;
    if (!decode(response, out, &error))
        return Lost(Kind::Protocol, error);
    return s;
}

DlpStatus DlpClient::ReadSysInfo(DlpSysInfo& out) {
    return Run(DlpCommands::ReadSysInfo(), {}, out, DlpCommands::DecodeSysInfo);
}
DlpStatus DlpClient::ReadUserInfo(DlpUserInfo& out) {
    return Run(DlpCommands::ReadUserInfo(), {}, out, DlpCommands::DecodeUserInfo);
}
DlpStatus DlpClient::WriteUserInfo(const DlpUserInfoUpdate& info) {
    std::string error;
    auto r = DlpCommands::WriteUserInfo(info, &error);
    return Run(r, error);
}
DlpStatus DlpClient::GetSysDateTime(DlpTime& out) {
    return Run(DlpCommands::GetSysDateTime(), {}, out, DlpCommands::DecodeTime);
}
DlpStatus DlpClient::SetSysDateTime(const DlpTime& time) {
    return Run(DlpCommands::SetSysDateTime(time), {});
}
DlpStatus DlpClient::ReadStorageInfo(uint8_t cardNo, DlpStorageInfo& out) {
    return Run(DlpCommands::ReadStorageInfo(cardNo), {}, out, DlpCommands::DecodeStorageInfo);
}
DlpStatus DlpClient::ReadNetSyncInfo(DlpNetSyncInfo& out) {
    return Run(DlpCommands::ReadNetSyncInfo(), {}, out, DlpCommands::DecodeNetSyncInfo);
}
DlpStatus DlpClient::WriteNetSyncInfo(uint8_t modified, const DlpNetSyncInfo& info) {
    std::string error;
    auto r = DlpCommands::WriteNetSyncInfo(modified, info, &error);
    return Run(r, error);
}
DlpStatus DlpClient::ReadDbList(uint8_t flags, uint8_t cardNo, uint16_t startIndex,
                                DlpDbList& out) {
    return Run(DlpCommands::ReadDbList(flags, cardNo, startIndex), {}, out,
               DlpCommands::DecodeDbList);
}
DlpStatus DlpClient::FindDbByName(uint8_t options, uint8_t cardNo, const std::string& name,
                                  DlpFindDbResult& out) {
    std::string error;
    auto r = DlpCommands::FindDbByName(options, cardNo, name, &error);
    return Run(r, error, out, DlpCommands::DecodeFindDb);
}
DlpStatus DlpClient::FindDbByHandle(uint8_t options, uint8_t handle, DlpFindDbResult& out) {
    return Run(DlpCommands::FindDbByHandle(options, handle), {}, out, DlpCommands::DecodeFindDb);
}
DlpStatus DlpClient::FindDbByTypeCreator(uint8_t options, uint8_t searchFlags, uint32_t type,
                                         uint32_t creator, DlpFindDbResult& out) {
    return Run(DlpCommands::FindDbByTypeCreator(options, searchFlags, type, creator), {}, out,
               DlpCommands::DecodeFindDb);
}
DlpStatus DlpClient::OpenDb(uint8_t cardNo, uint8_t mode, const std::string& name,
                            uint8_t& handle) {
    std::string error;
    auto r = DlpCommands::OpenDb(cardNo, mode, name, &error);
    return Run(r, error, handle, DlpCommands::DecodeHandle);
}
DlpStatus DlpClient::CreateDb(const DlpCreateDbParams& params, uint8_t& handle) {
    std::string error;
    auto r = DlpCommands::CreateDb(params, &error);
    return Run(r, error, handle, DlpCommands::DecodeHandle);
}
DlpStatus DlpClient::CloseDb(uint8_t handle) {
    return Run(DlpCommands::CloseDb(handle), {});
}
DlpStatus DlpClient::DeleteDb(uint8_t cardNo, const std::string& name) {
    std::string error;
    auto r = DlpCommands::DeleteDb(cardNo, name, &error);
    return Run(r, error);
}
DlpStatus DlpClient::ReadOpenDbInfo(uint8_t handle, uint16_t& numRecords) {
    return Run(DlpCommands::ReadOpenDbInfo(handle), {}, numRecords, DlpCommands::DecodeOpenDbInfo);
}
DlpStatus DlpClient::ReadAppBlock(uint8_t handle, uint16_t offset, uint16_t maxLength,
                                  std::vector<uint8_t>& out) {
    return Run(DlpCommands::ReadAppBlock(handle, offset, maxLength), {}, out,
               DlpCommands::DecodeBlock);
}
DlpStatus DlpClient::WriteAppBlock(uint8_t handle, std::span<const uint8_t> data) {
    std::string error;
    auto r = DlpCommands::WriteAppBlock(handle, data, &error);
    return Run(r, error);
}
DlpStatus DlpClient::ReadSortBlock(uint8_t handle, uint16_t offset, uint16_t maxLength,
                                   std::vector<uint8_t>& out) {
    return Run(DlpCommands::ReadSortBlock(handle, offset, maxLength), {}, out,
               DlpCommands::DecodeBlock);
}
DlpStatus DlpClient::WriteSortBlock(uint8_t handle, std::span<const uint8_t> data) {
    std::string error;
    auto r = DlpCommands::WriteSortBlock(handle, data, &error);
    return Run(r, error);
}
DlpStatus DlpClient::ReadRecordIdList(uint8_t handle, uint8_t flags, uint16_t start, uint16_t max,
                                      std::vector<uint32_t>& out) {
    return Run(DlpCommands::ReadRecordIdList(handle, flags, start, max), {}, out,
               DlpCommands::DecodeRecordIdList);
}
DlpStatus DlpClient::ReadRecordById(uint8_t handle, uint32_t id, uint16_t offset,
                                    uint16_t maxLength, DlpRecord& out) {
    return Run(DlpCommands::ReadRecordById(handle, id, offset, maxLength), {}, out,
               DlpCommands::DecodeRecord);
}
DlpStatus DlpClient::ReadRecordByIndex(uint8_t handle, uint16_t index, uint16_t offset,
                                       uint16_t maxLength, DlpRecord& out) {
    return Run(DlpCommands::ReadRecordByIndex(handle, index, offset, maxLength), {}, out,
               DlpCommands::DecodeRecord);
}
DlpStatus DlpClient::ReadNextModifiedRec(uint8_t handle, DlpRecord& out) {
    return Run(DlpCommands::ReadNextModifiedRec(handle), {}, out, DlpCommands::DecodeRecord);
}
DlpStatus DlpClient::WriteRecord(uint8_t handle, uint8_t flags, const DlpRecord& record,
                                 uint32_t& newId) {
    std::string error;
    auto r = DlpCommands::WriteRecord(handle, flags, record, &error);
    return Run(r, error, newId, DlpCommands::DecodeWriteRecord);
}
DlpStatus DlpClient::DeleteRecord(uint8_t handle, uint8_t flags, uint32_t id) {
    return Run(DlpCommands::DeleteRecord(handle, flags, id), {});
}
DlpStatus DlpClient::ReadResourceByIndex(uint8_t handle, uint16_t index, uint16_t offset,
                                         uint16_t maxLength, DlpResource& out) {
    return Run(DlpCommands::ReadResourceByIndex(handle, index, offset, maxLength), {}, out,
               DlpCommands::DecodeResource);
}
DlpStatus DlpClient::ReadResourceByType(uint8_t handle, uint32_t type, uint16_t id, uint16_t offset,
                                        uint16_t maxLength, DlpResource& out) {
    return Run(DlpCommands::ReadResourceByType(handle, type, id, offset, maxLength), {}, out,
               DlpCommands::DecodeResource);
}
DlpStatus DlpClient::WriteResource(uint8_t handle, const DlpResource& resource) {
    std::string error;
    auto r = DlpCommands::WriteResource(handle, resource, &error);
    return Run(r, error);
}
DlpStatus DlpClient::DeleteResource(uint8_t handle, uint8_t flags, uint32_t type, uint16_t id) {
    return Run(DlpCommands::DeleteResource(handle, flags, type, id), {});
}
DlpStatus DlpClient::CleanUpDatabase(uint8_t handle) {
    return Run(DlpCommands::CleanUpDatabase(handle), {});
}
DlpStatus DlpClient::ResetSyncFlags(uint8_t handle) {
    return Run(DlpCommands::ResetSyncFlags(handle), {});
}
DlpStatus DlpClient::AddSyncLogEntry(const std::string& text) {
    std::string error;
    auto r = DlpCommands::AddSyncLogEntry(text, &error);
    return Run(r, error);
}
DlpStatus DlpClient::OpenConduit() {
    return Run(DlpCommands::OpenConduit(), {});
}
DlpStatus DlpClient::EndOfSync(uint16_t status) {
    return Run(DlpCommands::EndOfSync(status), {});
}

} // namespace quillary::sync
