// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/WindowHooks.h"

#include "dialogs/InsertWindows.h"
#include "dialogs/NoteManagementWindows.h"
#include "dialogs/VersionWindows.h"
#include "printwindows/PrintWindows.h"

namespace quillary {

void RegisterWindows(frmMain& window) {
    RegisterPrintWindows(window);
    RegisterNoteManagementWindows(window);
    RegisterInsertWindows(window);
    RegisterVersionWindows(window);
}

} // namespace quillary
