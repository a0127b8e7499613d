// SPDX-License-Identifier: GPL-3.0-or-later
#include "RegionTool.h"

#include "DrawToolHost.h"

namespace quillary {

void RegionTool::Press(QPoint at) {
    m_Host.CommitSelection();
    m_Anchor = at;
}

void RegionTool::Move(QPointF at, QPointF) {
    m_End = RoundedPoint(at);
    m_Host.NormalizeSelection(m_Anchor, m_End);
    m_Host.ShowSelectionFrame();
}

void RegionTool::Release(QPoint at, QPointF) {
    m_End = at;
    const QRect r = m_Host.NormalizeSelection(m_Anchor, m_End);
    // A click or a tiny jiggle selects nothing, and so does a drag that holds no pixel of
    // the surface (a press rounded to the column just beyond its right or bottom edge).
    if (!r.isEmpty() && (r.height() - 1 > 1 || r.width() - 1 > 1))
        m_Host.FloatSelection();
    else
        m_Host.SelectNothing();
}

} // namespace quillary
