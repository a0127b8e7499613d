// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/VersionWindows.h"

#include "dialogs/frmNoteChanges.h"
#include "dialogs/frmVersions.h"
#include "mainwindow/MainCommands.h"
#include "session/OpenFileGuard.h"
#include "mainwindow/frmMain.h"
#include "core/PlatformServices.h"

namespace quillary {

void RegisterVersionWindows(frmMain& window) {
    MainCommands& commands = window.Commands();
    commands.SetDialogHandler(QStringLiteral("Versions"), [&window] {
        frmVersions dialog(window.Session(), &window);
        window.Context().services.runDialog(dialog);
    });
    commands.SetDialogHandler(QStringLiteral("NoteChanges"), [&window] {
        const OpenFileGuard& guard = window.FileGuard();
        frmNoteChanges dialog(window.Session(), guard.LastReport(), guard.LastReportTitle(), &window);
        window.Context().services.runDialog(dialog);
    });
}

} // namespace quillary
