// SPDX-License-Identifier: GPL-3.0-or-later
#include "Startup.h"

#include "frmMain.h"
#include "shell/SingleInstance.h"
#include "core/clsSettings.h"
#include "shell/frmSplash.h"
#include "storage/clsDatabase.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>

namespace quillary {

namespace {

void RaiseWindow(frmMain& window) {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

void BringWindowForward(frmMain& window) {
    QWindow* native = window.windowHandle();
    if (!window.isMinimized() && (!window.isVisible() || !native || !native->isExposed())) {
        // Nothing of it is on the screen: its native window may have been destroyed behind
        // Qt's back, or taken away with the widget still marked shown. Let go of it and hide
        // the widget properly; showing it again then makes a new native window.
        window.hide();
        if (native && native->handle())
            native->destroy();
    }
    RaiseWindow(window);
}

void FollowActivationRequests(SingleInstance& instance, frmMain& window) {
    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     [&window] { BringWindowForward(window); });
}

std::unique_ptr<frmMain> StartMainWindow(PlatformServices& services, clsSettings& settings,
                                         clsDatabase& database, int minimumWaitSeconds,
                                         SingleInstance* instance) {
    SeedStartupSettings(settings);

    // A second start while this one is still starting is kept for when the window shows.
    bool activationPending = false;
    QObject pendingReceiver;
    if (instance)
        QObject::connect(instance, &SingleInstance::activationRequested, &pendingReceiver,
                         [&activationPending] { activationPending = true; });

    std::unique_ptr<frmSplash> splash;
    if (!settings.GetFlag(Config::DontShowSplashScreen)) {
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
    if (instance) {
        QObject::disconnect(instance, nullptr, &pendingReceiver, nullptr);
        FollowActivationRequests(*instance, *window);
        if (activationPending) {
            // Once the window system has taken the new window (it is not exposed yet, and
            // that is no reason to make another).
            QTimer::singleShot(0, window.get(), [w = window.get()] { RaiseWindow(*w); });
        }
    }
    return window;
}

} // namespace quillary
