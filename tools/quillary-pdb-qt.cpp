// SPDX-License-Identifier: GPL-3.0-or-later
// quillary-pdb-qt: the commands of quillary-pdb that paint or read pictures with Qt
// (print, archive, unarchive). quillary-pdb starts it for those commands only, so the
// other commands load no Qt at all. Same arguments, messages and exit codes as
// quillary-pdb itself.

#include "OneLine.h"
#include "PdbArchiveCommand.h"
#include "PdbPrintCommand.h"
#include "QuillaryVersion.h"

#include <cstdio>
#include <string>
#include <vector>

using quillary::OneLine;

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fprintf(stderr, "quillary-pdb: No command given; see quillary-pdb --help.\n");
        return 1;
    }
    const std::string& cmd = args[0];
    // Says which build it belongs to, so a helper left over from another version is found.
    if (cmd == "--version") {
        std::puts("quillary-pdb-qt " QUILLARY_VERSION);
        return 0;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    std::string message;
    if (cmd == "print") {
        if (!quillary::RunPrintCommand(rest, &message)) {
            std::fprintf(stderr, "quillary-pdb: %s\n", OneLine(message).c_str());
            return 1;
        }
    } else if (cmd == "archive" || cmd == "unarchive") {
        const bool ok = cmd == "archive" ? quillary::RunArchiveCommand(rest, &message)
                                         : quillary::RunUnarchiveCommand(rest, &message);
        if (!ok) {
            // Every problem of an archive gets its own line.
            std::fprintf(stderr, "quillary-pdb: %s\n", message.c_str());
            return 1;
        }
    } else {
        std::fprintf(stderr, "quillary-pdb: Unknown command \"%s\"; see quillary-pdb --help.\n",
                     cmd.c_str());
        return 1;
    }
    std::printf("%s\n", message.c_str());
    return 0;
}
