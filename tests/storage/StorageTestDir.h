// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A fresh folder per test under the test temp dir, removed afterwards. Its name carries
// the process id: another run of the same test at the same time (a second copy of the
// suite) must neither see nor wipe this one's files.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class StorageTestDir : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::path(::testing::TempDir()) /
              ("quillary_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
               info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string p = Path(name);
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    static std::vector<uint8_t> ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path dir;
};
