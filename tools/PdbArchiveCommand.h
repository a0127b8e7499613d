// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The "archive" and "unarchive" commands of quillary-pdb: a notes database to an open
// folder of Markdown and PNG files and back. They use Qt Core and Gui (JSON, PNG) but
// need no display.

#include <string>
#include <vector>

namespace quillary {

// args: FILE DIR. Returns true and a summary line in *message, or false and the reason.
bool RunArchiveCommand(const std::vector<std::string>& args, std::string* message);

// args: DIR FILE. Nothing is written unless the whole archive could be read; every
// problem found is one line of *message.
bool RunUnarchiveCommand(const std::vector<std::string>& args, std::string* message);

} // namespace quillary
