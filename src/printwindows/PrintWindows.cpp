// SPDX-License-Identifier: GPL-3.0-or-later
#include "printwindows/PrintWindows.h"

#include "mainwindow/MainCommands.h"
#include "mainwindow/frmMain.h"
#include "printwindows/PrintWindowsHost.h"

namespace quillary {

void RegisterPrintWindows(frmMain& window) {
    // The host lives as long as the window (a child of it); the handlers only use it.
    auto* host = window.findChild<PrintWindowsHost*>(QString(), Qt::FindDirectChildrenOnly);
    if (!host)
        host = new PrintWindowsHost(window);
    window.Commands().SetDialogHandler(QStringLiteral("PageSetup"),
                                       [host] { host->ShowPageSetup(nullptr); });
    window.Commands().SetDialogHandler(QStringLiteral("Print"),
                                       [host] { host->ShowPrintSelection(); });
}

} // namespace quillary
