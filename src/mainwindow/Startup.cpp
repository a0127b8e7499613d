#include "Startup.h"

#include "frmMain.h"
#include "shell/clsSettings.h"
#include "shell/frmSplash.h"
#include "storage/clsDatabase.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

namespace quillary {

std::unique_ptr<frmMain> StartMainWindow(PlatformServices& services, clsSettings& settings,
                                         clsDatabase& database, int minimumWaitSeconds) {
    SeedStartupSettings(settings);

    std::unique_ptr<frmSplash> splash;
    if (settings.GetSetting(QStringLiteral("Don't Show Splash Screen")) != QLatin1String("1")) {
        splash = std::make_unique<frmSplash>(services);
        splash->ShowAsSplash();
        QCoreApplication::processEvents();
    }

    database.SetFileName("");

    // Whole seconds, as the splash screen always promised: until the clock is strictly
    // past the noted second plus the wait. Events keep flowing meanwhile.
    const qint64 noted = QDateTime::currentSecsSinceEpoch();
    while (QDateTime::currentSecsSinceEpoch() <= noted + minimumWaitSeconds) {
        QEventLoop tick;
        QTimer::singleShot(20, &tick, &QEventLoop::quit);
        tick.exec();
    }

    auto window = std::make_unique<frmMain>(services, settings, database);
    window->Form_Load();
    window->show();
    splash.reset();
    return window;
}

} // namespace quillary
