// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A desktop that knows one user, lets every sync of it go ahead and adds nobody: the
// simplest SyncHost, for the fuzzer and the benchmark.

#include "sync/SyncSession.h"

namespace quillary::test {

struct OneUserSyncHost : sync::SyncHost {
    sync::SyncUser user;
    uint32_t pcId = 0xC0FFEE01;
    std::optional<sync::SyncUser> FindUser(const std::string&, uint32_t) override { return user; }
    std::optional<sync::SyncUser> AddUser(const std::string&, uint32_t, std::string*) override {
        return std::nullopt;
    }
    bool BeforeSync(const sync::SyncUser&, std::string*) override { return true; }
    void AfterSync(const sync::SyncUser&, const sync::SyncReport&) override {}
    uint32_t PcId() const override { return pcId; }
    sync::DlpTime Now() const override { return {2026, 12, 11, 12, 0, 0}; }
};

} // namespace quillary::test
