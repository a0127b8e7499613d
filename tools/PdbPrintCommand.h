// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "print" command of quillary-pdb: a notes database to a PDF file, laid out as the
// program prints it. Kept apart so the other commands need no Qt.

#include <string>
#include <vector>

namespace quillary {

// args: FILE OUT.pdf [--notes LIST] [--settings INI] [--paper NAME] [--landscape].
// Returns true and a summary line in *message, or false and the reason in *message.
bool RunPrintCommand(const std::vector<std::string>& args, std::string* message);

// "1,3,7-12" (1-based, ranges inclusive) into 0-based indexes for a database of count
// notes; false with the reason for a malformed list or a number out of range.
bool ParseNoteList(const std::string& list, int count, std::vector<int>& indexes,
                   std::string* error);

} // namespace quillary
