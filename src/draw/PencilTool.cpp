// SPDX-License-Identifier: GPL-3.0-or-later
#include "PencilTool.h"

#include "DrawToolHost.h"

namespace quillary {

void PencilTool::Press(QPoint at) {
    m_Host.DrawSegment(at, at, true);
}

void PencilTool::Move(QPointF at, QPointF last) {
    m_Host.DrawSegment(RoundedPoint(at), RoundedPoint(last), true);
}

void PencilTool::Release(QPoint at, QPointF last) {
    // The segment reaches one pixel right of the last point so that a click leaves a short
    // dash, as the handheld's pen does.
    if (last.x() >= 0)
        m_Host.DrawSegment(at, RoundedPoint(QPointF(last.x() + 1, last.y())), true);
    m_Host.MarkDirty();
}

} // namespace quillary
