// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The values DLP commands carry, decoded. Texts are kept as the handheld's bytes
// (Windows-1252 on the handhelds we sync); conversion happens at the UI boundary.

#include <cstdint>
#include <string>
#include <vector>

namespace quillary::sync {

// A date and time as the handheld sends it (year 0 = never).
struct DlpTime {
    uint16_t year = 0;
    uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool IsSet() const { return year != 0; }
    bool operator==(const DlpTime&) const = default;
};

struct DlpSysInfo {
    uint32_t romVersion = 0;
    uint32_t locale = 0;
    std::vector<uint8_t> productId;
    // Only handhelds with DLP 1.2 or later report these.
    bool hasDlpVersion = false;
    uint16_t dlpMajor = 0, dlpMinor = 0, compatMajor = 0, compatMinor = 0;
    uint32_t maxRecordSize = 0;
};

struct DlpUserInfo {
    uint32_t userId = 0;
    uint32_t viewerId = 0;
    uint32_t lastSyncPc = 0;
    DlpTime successfulSync;
    DlpTime lastSync;
    std::string userName;
    std::vector<uint8_t> password; // the encrypted password, opaque to us
};

// What WriteUserInfo changes: only the fields named in `modified` (kUser... flags).
struct DlpUserInfoUpdate {
    static constexpr uint8_t kUserId = 0x80, kLastSyncPc = 0x40, kLastSyncDate = 0x20,
                             kUserName = 0x10, kViewerId = 0x08;
    uint8_t modified = 0;
    uint32_t userId = 0;
    uint32_t viewerId = 0;
    uint32_t lastSyncPc = 0;
    DlpTime lastSync;
    std::string userName;
};

struct DlpCardInfo {
    uint8_t cardNo = 0;
    uint16_t version = 0;
    DlpTime created;
    uint32_t romSize = 0, ramSize = 0, freeRam = 0;
    std::string name, manufacturer;
};

struct DlpStorageInfo {
    uint8_t lastCard = 0;
    bool more = false;
    std::vector<DlpCardInfo> cards;
    bool hasDbCounts = false;
    uint16_t romDbCount = 0, ramDbCount = 0;
};

struct DlpNetSyncInfo {
    static constexpr uint8_t kLanSync = 0x80, kHostName = 0x40, kHostAddress = 0x20,
                             kSubnetMask = 0x10;
    uint8_t lanSync = 0;
    std::string hostName, hostAddress, subnetMask;
};

struct DlpDbInfo {
    uint8_t miscFlags = 0;
    uint16_t flags = 0; // database attributes (resource database = 0x0001, ...)
    uint32_t type = 0, creator = 0;
    uint16_t version = 0;
    uint32_t modificationNumber = 0;
    DlpTime created, modified, backedUp;
    uint16_t index = 0;
    std::string name;
};

struct DlpDbList {
    static constexpr uint8_t kRam = 0x80, kRom = 0x40, kMultiple = 0x20;
    uint16_t lastIndex = 0;
    bool more = false;
    std::vector<DlpDbInfo> databases;
};

struct DlpDbSize {
    uint32_t numRecords = 0, totalBytes = 0, dataBytes = 0, appBlockSize = 0, sortBlockSize = 0,
             maxRecordSize = 0;
};

struct DlpFindDbResult {
    static constexpr uint8_t kGetAttributes = 0x80, kGetSize = 0x40, kGetMaxRecordSize = 0x20;
    uint8_t cardNo = 0;
    uint32_t localId = 0;
    uint32_t openRef = 0;
    bool hasInfo = false;
    DlpDbInfo info;
    bool hasSize = false;
    DlpDbSize size;
};

struct DlpCreateDbParams {
    uint32_t creator = 0, type = 0;
    uint8_t cardNo = 0;
    uint16_t flags = 0;
    uint16_t version = 0;
    std::string name;
};

struct DlpRecord {
    uint32_t id = 0;
    uint16_t index = 0;
    uint16_t size = 0; // the record's size as the handheld states it
    uint8_t attributes = 0;
    uint8_t category = 0;
    std::vector<uint8_t> data;
};

struct DlpResource {
    uint32_t type = 0;
    uint16_t id = 0;
    uint16_t index = 0;
    uint16_t size = 0;
    std::vector<uint8_t> data;
};

} // namespace quillary::sync
