// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRect>

class QPainter;
class clsBitmap;

namespace quillary {

// A note's 1-bit picture as a 1-bit image: colour 0 black, 1 white.
QImage MonoImage(const clsBitmap& bitmap);
// Draws the picture scaled into rect without smoothing, so its edges stay black and white,
// and asks the paint engine to keep it lossless (the PDF writer would otherwise store a
// JPEG).
void DrawPicture(QPainter& painter, const clsBitmap& bitmap, const QRect& rect);

} // namespace quillary
