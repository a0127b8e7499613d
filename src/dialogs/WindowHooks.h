// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillary {

class frmMain;

// Registers every window that lives outside the main window with its command hooks. The
// program calls it once after building the main window; window tests call it on theirs.
void RegisterWindows(frmMain& window);

} // namespace quillary
