// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainLayout.h"

#include <algorithm>

namespace quillary {

MainLayout MainLayout::Compute(int windowWidth, int windowHeight, int offset) {
    MainLayout l;
    l.width = std::max(windowWidth, kMinWidth);
    l.height = std::max(windowHeight, kMinHeight);
    const int grow = l.height - kMinHeight;
    int s = offset;
    if (s < 1000 - grow)
        s = 1000 - grow;
    if (s > 1300)
        s = 1300;
    l.offset = s;
    l.notesWidth = l.width - 1655;
    const int dividerTop = s + grow;
    const int pictureHeight = s - kPictureTop + grow;
    l.picture = QRect(0, kPictureTop, l.width - 125, pictureHeight);
    l.divider = QRect(0, dividerTop, l.width + 360, kDividerHeight);
    l.text = QRect(0, dividerTop + kDividerHeight, l.width - 125, std::max(0, 1620 - s));
    return l;
}

} // namespace quillary
