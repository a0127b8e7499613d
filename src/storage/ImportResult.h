// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// What an import did, for the caller to report: how many notes or inserts came in, and
// the messages (missing files, unreadable entries, why it stopped) in the order they
// arose. Imports never drop what was already stored; one that stops half-way keeps
// what it imported.
struct ImportResult {
    bool completed = false; // the whole import file was read
    int imported = 0;       // notes or inserts added
    int split = 0;          // texts too long for one note, added as consecutive notes
    int refused = 0;        // notes or inserts left out because their text cannot be stored
    std::vector<std::string> messages; // UTF-8; quoted titles are converted from the file
};
