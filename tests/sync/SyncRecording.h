// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads the recorded HotSync sessions in tests/data/netsync-recordings: each file is a
// JSON array of {"type": "read"|"write", "data": HEX} events (read = handheld's bytes).
// Kept deliberately small: the files are generated and hold nothing else.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quillary::test {

struct SyncEvent {
    bool fromHandheld = false;
    std::vector<uint8_t> bytes;
};

// One side's framed messages, cut by the test itself (type, transaction, length, payload),
// independently of the library under test.
struct SyncFrame {
    uint8_t transaction = 0;
    std::vector<uint8_t> bytes;   // the whole frame
    std::vector<uint8_t> payload; // without the 6-byte header
};

inline std::string RecordingPath(const std::string& name) {
    const char* root = std::getenv("QUILLARY_SOURCE_DIR");
    return std::string(root ? root : ".") + "/tests/data/netsync-recordings/" + name;
}

inline std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// The events, or an empty list when the file is missing or not in the expected form.
inline std::vector<SyncEvent> LoadRecording(const std::string& name) {
    std::ifstream file(RecordingPath(name));
    std::stringstream ss;
    ss << file.rdbuf();
    const std::string text = ss.str();
    std::vector<SyncEvent> events;
    auto quoted = [&](size_t from, size_t& end) {
        const size_t open = text.find('"', text.find(':', from) + 1);
        end = text.find('"', open + 1);
        return text.substr(open + 1, end - open - 1);
    };
    for (size_t pos = text.find("\"type\""); pos != std::string::npos;
         pos = text.find("\"type\"", pos)) {
        size_t end = 0;
        const std::string type = quoted(pos, end);
        const size_t data = text.find("\"data\"", end);
        if (data == std::string::npos || (type != "read" && type != "write"))
            return {};
        events.push_back({type == "read", FromHex(quoted(data, end))});
        pos = end;
    }
    return events;
}

inline std::vector<SyncFrame> Frames(const std::vector<SyncEvent>& events, bool fromHandheld) {
    std::vector<uint8_t> stream;
    for (const SyncEvent& e : events)
        if (e.fromHandheld == fromHandheld)
            stream.insert(stream.end(), e.bytes.begin(), e.bytes.end());
    std::vector<SyncFrame> frames;
    size_t i = 0;
    while (i + 6 <= stream.size()) {
        const size_t n = (size_t(stream[i + 2]) << 24) | (size_t(stream[i + 3]) << 16) |
                         (size_t(stream[i + 4]) << 8) | stream[i + 5];
        if (i + 6 + n > stream.size())
            break;
        SyncFrame f;
        f.transaction = stream[i + 1];
        f.bytes.assign(stream.begin() + long(i), stream.begin() + long(i + 6 + n));
        f.payload.assign(f.bytes.begin() + 6, f.bytes.end());
        frames.push_back(std::move(f));
        i += 6 + n;
    }
    return frames;
}

} // namespace quillary::test
