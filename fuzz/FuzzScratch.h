// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A scratch folder of this fuzzer process for the readers that take a file name. Made
// once, removed at exit; each input is written to the same file name.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace quillary::fuzz {

class Scratch {
public:
    Scratch() {
        const char* tmp = std::getenv("TMPDIR");
        m_dir = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") /
                ("quillary-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    // Writes the bytes to name (replacing it) and returns the full path.
    std::string Write(const std::string& name, const uint8_t* data, size_t size) const {
        const std::string path = Path(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
        out.close();
        if (!out)
            std::abort(); // the scratch folder must work, or nothing is tested
        return path;
    }

private:
    std::filesystem::path m_dir;
};

inline Scratch& TheScratch() {
    static Scratch scratch;
    return scratch;
}

} // namespace quillary::fuzz
