// SPDX-License-Identifier: GPL-3.0-or-later
#include "DrawBoxLayout.h"

#include <algorithm>

namespace quillary {

DrawBoxLayout DrawBoxLayout::Compute(const QRect& inner, QSize surface, int girth) {
    DrawBoxLayout l;
    int availWidth = inner.width() - kViewportLeft;
    int availHeight = inner.height();
    if (surface.height() > availHeight) {
        l.vertical = true;
        availWidth -= girth;
    }
    if (surface.width() > availWidth) {
        l.horizontal = true;
        availHeight -= girth;
    }
    // The horizontal bar may have made the height too small after all.
    if (!l.vertical && surface.height() > availHeight) {
        l.vertical = true;
        availWidth -= girth;
    }
    availWidth = std::max(availWidth, 0);
    availHeight = std::max(availHeight, 0);

    const int left = inner.left() + kViewportLeft;
    const int top = inner.top();
    l.viewport = QRect(left, top, availWidth, availHeight);
    if (l.vertical) {
        l.verticalBar = QRect(left + availWidth, top, girth, availHeight);
        l.verticalMax = std::max(surface.height() - availHeight, 0);
    }
    if (l.horizontal) {
        l.horizontalBar = QRect(left, top + availHeight, availWidth, girth);
        l.horizontalMax = std::max(surface.width() - availWidth, 0);
    }
    return l;
}

} // namespace quillary
