#include "dialogs/InsertWindows.h"

namespace quillary {

void RegisterInsertWindows(frmMain&) {}

} // namespace quillary
