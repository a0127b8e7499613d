// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "versions" and "restore" commands of quillary-pdb: the earlier versions the program
// keeps of a notes file in ".quillary-versions" next to it.

#include <string>
#include <vector>

namespace quillary {

// args: FILE. Lists the versions, newest first, one a line:
// "<number>\t<id>\t<YYYY-MM-DD HH:MM:SS> UTC\t<notes> notes\t<size> bytes".
// Returns true and the text in *output, or false and the reason in *message.
bool RunVersionsCommand(const std::vector<std::string>& args, std::string* output,
                        std::string* message);

// args: FILE VERSION OUT. VERSION is an id from the list or its number (1 is the newest).
// Writes the version to OUT (crash-safe): a new file, or over a Palm database, which is
// kept as a version of OUT first (so restoring over FILE itself can be undone). Anything
// else at OUT is refused. Returns true and a summary line in *message, or false and the
// reason.
bool RunRestoreCommand(const std::vector<std::string>& args, std::string* message);

} // namespace quillary
