// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillary {

class frmMain;

// Hands the categories editor, find and note manager windows to the main window's
// "EditCategories", "Find" and "NoteManager" command hooks.
void RegisterNoteManagementWindows(frmMain& window);

} // namespace quillary
