// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/clsBitmap.h"

#include <QImage>

namespace quillary {

// Hands a note's picture between clsBitmap and Qt in memory, without a work file.

// A Format_Mono image of the bitmap's size: colour index 0 white, 1 black.
QImage BitmapToImage(const clsBitmap& bitmap);

// A 1-bit bitmap of the image's size in which every pixel that is not exactly white is
// black. A null image gives the smallest bitmap clsBitmap knows (1 x 1, white); sizes are
// limited to clsBitmap::kMaxDimension.
clsBitmap ImageToBitmap(const QImage& image);

} // namespace quillary
