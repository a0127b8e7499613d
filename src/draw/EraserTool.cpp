// SPDX-License-Identifier: GPL-3.0-or-later
#include "EraserTool.h"

#include "DrawToolHost.h"

namespace quillary {

void EraserTool::Press(QPoint at) {
    m_Host.DrawSegment(at, at, false);
}

void EraserTool::Move(QPointF at, QPointF last) {
    m_Host.DrawSegment(RoundedPoint(at), RoundedPoint(last), false);
}

void EraserTool::Release(QPoint at, QPointF last) {
    if (last.y() != -1)
        m_Host.DrawSegment(at, RoundedPoint(last), false);
    m_Host.MarkDirty();
}

} // namespace quillary
