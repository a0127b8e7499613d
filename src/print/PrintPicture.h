// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRect>

class QPainter;
class clsBitmap;

namespace quillary {

// A note's 1-bit picture as a 1-bit image: colour 0 black, 1 white.
QImage MonoImage(const clsBitmap& bitmap);
// Draws the picture scaled into rect. On paper (onScreen false) it goes as the 1-bit image
// itself, unsmoothed, and the paint engine is asked to keep it lossless (the PDF writer
// would otherwise store a JPEG): the device does the scaling. On a screen picture
// (onScreen true, rect in device pixels) a box smaller than the picture gets it resized
// as AreaScaled does, so thin lines show grey rather than dropping out.
void DrawPicture(QPainter& painter, const clsBitmap& bitmap, const QRect& rect,
                 bool onScreen = false);

} // namespace quillary
