// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillary {

class frmMain;

// Hands the insert database windows, the snippet chooser and the import/export dialogs to
// the main window's "EditInserts", "InsertSnippet" and "Import" command hooks.
void RegisterInsertWindows(frmMain& window);

} // namespace quillary
