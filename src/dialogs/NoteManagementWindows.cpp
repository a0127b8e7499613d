#include "dialogs/NoteManagementWindows.h"

namespace quillary {

void RegisterNoteManagementWindows(frmMain&) {}

} // namespace quillary
