// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/InsertWindows.h"

#include "dialogs/frmImportNotes.h"
#include "dialogs/frmInsertDBList.h"
#include "dialogs/frmInsertSnippet.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/frmMain.h"
#include "core/PlatformServices.h"
#include "core/modGlobals.h"

#include <QPlainTextEdit>

namespace quillary {

void RegisterInsertWindows(frmMain& window) {
    window.Commands().SetDialogHandler(QStringLiteral("EditInserts"), [&window] {
        if (window.Session().GetInsertFolder().isEmpty()) {
            window.Context().services.messageBox(
                QStringLiteral("Insert databases belong to a HotSync user; no user is shown."),
                kAppTitle, MsgButtons::Ok, MsgIcon::Information);
            return;
        }
        frmInsertDBList list(window, &window);
        window.CloseWithMainWindow(&list);
        window.Context().services.runDialog(list);
    });
    window.Commands().SetDialogHandler(QStringLiteral("InsertSnippet"), [&window] {
        if (window.CurrentNoteIndex() < 0)
            return; // the command is disabled then; a late shortcut finds nowhere to insert
        const QString folder = window.Session().GetInsertFolder();
        if (folder.isEmpty()) {
            window.Context().services.messageBox(
                QStringLiteral("Inserts belong to a HotSync user; no user is shown."), kAppTitle,
                MsgButtons::Ok, MsgIcon::Information);
            return;
        }
        NoteEditorPane& editor = window.Editor();
        frmInsertSnippet dialog(
            window.Context().services, folder,
            [&editor](const QString& text, int* length, int* room) {
                return editor.InsertText(text, length, room);
            },
            &window);
        window.CloseWithMainWindow(&dialog);
        window.Context().services.runDialog(dialog);
        // Back to the note, so that typing goes on after the snippet and Ctrl+Z takes it out.
        window.TextEditor()->setFocus();
    });
    window.Commands().SetDialogHandler(QStringLiteral("Import"), [&window] {
        // A "No" to the save question leaves the panes' edits uncommitted; the import
        // rebuilds the note list from the records, so they go into the note first.
        if (!window.SaveChanges()) // a drawing the note cannot hold stays in the editor
            return;
        frmImportNotes dialog(window.Session(), &window);
        window.CloseWithMainWindow(&dialog);
        window.Context().services.runDialog(dialog);
    });
}

} // namespace quillary
