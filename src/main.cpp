#include "mainwindow/frmMain.h"
#include "shell/QtPlatformServices.h"
#include "shell/ShellResources.h"
#include "shell/SingleInstance.h"
#include "shell/clsSettings.h"
#include "shell/frmSplash.h"
#include "storage/clsDatabase.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <memory>

using namespace quillary;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillary"));
    QApplication::setApplicationVersion(QStringLiteral("1.50"));

    // A second start only brings the running window forward; it reads no setting.
    SingleInstance instance;
    if (!instance.Claim())
        return 0;

    Q_INIT_RESOURCE(quillary);
    InitShellResources();
    QtPlatformServices services;
    clsSettings settings(clsSettings::DefaultFilePath());
    settings.SetWriteErrorHandler([&services](const QString& message) {
        services.messageBox(message, QStringLiteral("Quillary"), MsgButtons::Ok,
                            MsgIcon::Exclamation);
    });
    SeedStartupSettings(settings);

    std::unique_ptr<frmSplash> splash;
    if (settings.GetSetting(QStringLiteral("Don't Show Splash Screen")) != QLatin1String("1")) {
        splash = std::make_unique<frmSplash>(services);
        splash->ShowAsSplash();
        QCoreApplication::processEvents();
    }

    clsDatabase database;
    database.SetFileName("");

    // The splash stays up for two to three seconds whether or not it is shown.
    {
        QEventLoop wait;
        QTimer::singleShot(2000 + QTime::currentTime().msec(), &wait, &QEventLoop::quit);
        wait.exec();
    }

    frmMain window(services, settings, database);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        window.show();
        window.raise();
        window.activateWindow();
    });
    window.Form_Load();
    window.show();
    splash.reset();
    return app.exec();
}
