// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NoteManagementWindows.h"

#include "dialogs/frmEditCategories.h"
#include "dialogs/frmFindList.h"
#include "dialogs/frmSortNotes.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/frmMain.h"
#include "core/PlatformServices.h"
#include "core/clsSettings.h"
#include "storage/clsDatabase.h"

namespace quillary {

namespace {

void EditCategories(frmMain& window) {
    // The refresh afterwards reloads the panes from the note: commit what is typed there.
    if (!window.SaveChanges()) // a drawing the note cannot hold stays in the editor
        return;
    frmEditCategories dialog(window.Session(), &window);
    window.Context().services.runDialog(dialog);
    window.RefreshDisplayFromDatabaseObject();
    window.UpdateFormStatus();
}

void ShowFind(frmMain& window) {
    auto* find = qobject_cast<frmFindList*>(window.FindWindow());
    if (!find) {
        find = new frmFindList(window.Session(), window); // no parent: both windows stay usable
        window.SetFindWindow(find);
    } else if (!find->isVisible()) {
        find->Form_Load(); // closed by the person: load it anew, as on first use
    }
    find->show();
    find->raise();
    find->activateWindow();
}

// The main window commits the note before and refreshes its display afterwards; this
// keeps the note that was shown on screen, wherever the new order put it.
void ManageNotes(frmMain& window) {
    clsDatabase& database = window.Database();
    const int shown = window.CurrentNoteIndex();
    frmSortNotes dialog(window.Context().services, frmSortNotes::FirstLinesOf(database),
                        frmSortNotes::TargetFor(window.Session()), &window);
    window.Context().services.runDialog(dialog);
    const int position = dialog.CurrentPositionOf(shown);
    if (position >= 0)
        window.Context().settings.SetInt(Config::DefaultRecordIndex, position);
}

} // namespace

void RegisterNoteManagementWindows(frmMain& window) {
    MainCommands& commands = window.Commands();
    commands.SetDialogHandler(QStringLiteral("EditCategories"),
                              [&window] { EditCategories(window); });
    commands.SetDialogHandler(QStringLiteral("Find"), [&window] { ShowFind(window); });
    commands.SetDialogHandler(QStringLiteral("NoteManager"), [&window] { ManageNotes(window); });
}

} // namespace quillary
