// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>

class QMainWindow;
class QToolBar;

namespace quillary {

class clsSettings;

// The main window's place, size and toolbars as the settings keep them (in twips), so the
// next start opens it where the person left it.
// Without a stored size the window gets `first`, centred on the screen; a toolbar the
// person hid stays hidden.
void RestoreMainGeometry(QMainWindow& window, clsSettings& settings, QSize first,
                         QToolBar* mainBar, QToolBar* noteBar);
void StoreMainGeometry(const QMainWindow& window, clsSettings& settings, const QToolBar* mainBar,
                       const QToolBar* noteBar);
// The size of a first start: the whole default picture and about ten lines of text, within
// the available screen.
QSize FirstStartSize(const QMainWindow& window, int pictureFrameWidth, int selectorRowHeight);

} // namespace quillary
