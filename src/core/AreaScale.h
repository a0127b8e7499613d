// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>

namespace quillary {

// A picture resized the way a person sees it on paper: along an axis that shrinks, each
// new pixel is the average grey of the area it covers, so a one-pixel line turns grey
// instead of dropping out; along an axis that grows, each new pixel copies the old pixel
// under its centre, so black stays black and white stays white. Returns a Grayscale8
// image of size (empty for an empty size or picture).
QImage AreaScaled(const QImage& picture, QSize size);

} // namespace quillary
