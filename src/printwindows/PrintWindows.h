// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillary {

class frmMain;

// Hands the page setup, print selection and print preview windows to the main window's
// "PageSetup" and "Print" command hooks.
void RegisterPrintWindows(frmMain& window);

} // namespace quillary
