// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSize>

namespace quillary {

// Where the picture editor's viewport and scroll bars go for a given inner area, surface
// size and scroll bar thickness. Pure computation, so the rules can be checked in a table.
struct DrawBoxLayout {
    static constexpr int kToolBarWidth = 24; // the focus line runs at this x
    static constexpr int kViewportLeft = 26;

    QRect viewport;
    bool vertical = false;
    bool horizontal = false;
    QRect verticalBar;   // valid when vertical
    QRect horizontalBar; // valid when horizontal
    int verticalMax = 0;
    int horizontalMax = 0;

    // inner: the control's area inside its frame.
    static DrawBoxLayout Compute(const QRect& inner, QSize surface, int girth);
};

} // namespace quillary
