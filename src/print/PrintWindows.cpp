#include "print/PrintWindows.h"

namespace quillary {

void RegisterPrintWindows(frmMain&) {}

} // namespace quillary
