// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainGeometry.h"

#include "MainLayout.h"
#include "core/SettingsKeys.h"
#include "core/clsSettings.h"
#include "draw/DrawBoxLayout.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>

namespace quillary {

void RestoreMainGeometry(QMainWindow& window, clsSettings& settings, QSize first,
                         QToolBar* mainBar, QToolBar* noteBar) {
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1024, 768);
    const int w = settings.GetInt(Config::FormMainWidth);
    const int h = settings.GetInt(Config::FormMainHeight);
    const int top = settings.GetInt(Config::FormMainTop);
    const int left = settings.GetInt(Config::FormMainLeft);
    const int wPx = w > 0 ? TwipsToPixels(w) : first.width();
    const int hPx = h > 0 ? TwipsToPixels(h) : first.height();
    window.resize(wPx, hPx);
    // A toolbar the person hid stays hidden.
    mainBar->setVisible(settings.GetFlag(Config::ShowMainToolbar));
    noteBar->setVisible(settings.GetFlag(Config::ShowNoteToolbar));
    window.move(left > 0 ? TwipsToPixels(left) : screen.x() + (screen.width() - wPx) / 2,
                top > 0 ? TwipsToPixels(top) : screen.y() + (screen.height() - hPx) / 2);
}

QSize FirstStartSize(const QMainWindow& window, int pictureFrameWidth, int selectorRowHeight) {
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1024, 768);
    // The picture pane is as wide as the central area; its height follows the layout with
    // the initial divider offset, which leaves the text box about ten lines.
    const int frame = 2 * pictureFrameWidth + 4;
    const int pictureWidth = 500 + DrawBoxLayout::kViewportLeft + frame;
    const int pictureHeight = 500 + frame;
    const int belowPicture = TwipsToPixels(2760 - 1740 + MainLayout::kDividerHeight -
                                           MainLayout::kInitialOffset + MainLayout::kPictureTop);
    int toolBars = 0;
    for (const QToolBar* bar : window.findChildren<QToolBar*>(Qt::FindDirectChildrenOnly))
        toolBars = std::max(toolBars, bar->sizeHint().height());
    const int height = window.menuBar()->sizeHint().height() + toolBars +
                       selectorRowHeight +
                       pictureHeight + belowPicture + window.statusBar()->sizeHint().height();
    const int width = std::max(pictureWidth, TwipsToPixels(9000));
    // Leave room for the window manager's frame.
    return {std::min(width, screen.width() - 16), std::min(height, screen.height() - 40)};
}

void StoreMainGeometry(const QMainWindow& window, clsSettings& settings, const QToolBar* mainBar,
                       const QToolBar* noteBar) {
    settings.SetFlag(Config::ShowMainToolbar, !mainBar->isHidden());
    settings.SetFlag(Config::ShowNoteToolbar, !noteBar->isHidden());
    settings.SetInt(Config::FormMainTop, PixelsToTwips(window.y()));
    settings.SetInt(Config::FormMainLeft, PixelsToTwips(window.x()));
    settings.SetInt(Config::FormMainWidth, PixelsToTwips(window.width()));
    settings.SetInt(Config::FormMainHeight, PixelsToTwips(window.height()));
}

} // namespace quillary
