// SPDX-License-Identifier: GPL-3.0-or-later
#include "DrawTool.h"

#include <cmath>

namespace quillary {

QPoint RoundedPoint(QPointF p) {
    return QPoint(static_cast<int>(std::lround(p.x())), static_cast<int>(std::lround(p.y())));
}

} // namespace quillary
