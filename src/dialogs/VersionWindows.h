// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillary {

class frmMain;

// Hands the "Earlier Versions" and "Changed Notes" windows to the main window's commands.
void RegisterVersionWindows(frmMain& window);

} // namespace quillary
