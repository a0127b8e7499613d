// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/WindowHooks.h"
#include "mainwindow/CommandLineOpener.h"
#include "mainwindow/HotSyncHandler.h"
#include "mainwindow/NetworkSyncRunner.h"
#include "mainwindow/Startup.h"
#include "mainwindow/frmMain.h"
#include "QuillaryVersion.h"
#include "quillary-help.h"
#include "shell/FocusFrameStyle.h"
#include "shell/QtPlatformServices.h"
#include "shell/ShellResources.h"
#include "shell/SingleInstance.h"
#include "core/clsSettings.h"
#include "storage/clsDatabase.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace quillary;

int main(int argc, char** argv) {
    // Answered without a display.
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kHelpText, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::puts("quillary " QUILLARY_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillary"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLARY_VERSION));
    // Qt has taken its own options out of argv.
    const QString file = CommandLineOpener::FileArgument(QApplication::arguments());

    // A second start only brings the running window forward and hands it the file; it
    // reads no setting.
    SingleInstance instance;
    if (!instance.Claim(file.isEmpty() ? QStringList() : QStringList{file})) {
        if (instance.RunningInstanceAnswered())
            return 0;
        // Never end a start without a window and without a word.
        QtPlatformServices services;
        services.messageBox(QStringLiteral("Quillary is already running but does not answer. "
                                           "Close it, or end its process, and start Quillary "
                                           "again."),
                            QStringLiteral("Quillary"), MsgButtons::Ok, MsgIcon::Exclamation);
        return 1;
    }

    InitShellResources();
    FocusFrameStyle::Install();
    QtPlatformServices services;
    clsSettings settings(clsSettings::DefaultFilePath());
    settings.SetWriteErrorHandler([&services](const QString& message) {
        services.messageBox(message, QStringLiteral("Quillary"), MsgButtons::Ok,
                            MsgIcon::Exclamation);
    });
    clsDatabase database;
    // Later starts bring this window forward, also those during the start-up wait.
    CommandLineOpener opener(&instance);
    std::unique_ptr<frmMain> main = StartMainWindow(services, settings, database, 2, &instance);
    frmMain& window = *main;
    opener.Start(window, file);
    RegisterWindows(window);
    StartHotSyncNotification(window);
    // The network HotSync service runs beside the window while the person has it on.
    NetworkSyncRunner::For(window).ApplySetting();
    return app.exec();
}
