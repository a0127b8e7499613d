#include "dialogs/WindowHooks.h"

#include "dialogs/InsertWindows.h"
#include "dialogs/NoteManagementWindows.h"
#include "dialogs/VersionWindows.h"
#include "print/PrintWindows.h"

namespace quillary {

void RegisterWindows(frmMain& window) {
    RegisterPrintWindows(window);
    RegisterNoteManagementWindows(window);
    RegisterInsertWindows(window);
    RegisterVersionWindows(window);
}

} // namespace quillary
