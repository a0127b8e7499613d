// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineTool.h"

#include "DrawToolHost.h"

namespace quillary {

void LineTool::Press(QPoint at) {
    m_Host.CommitSelection();
    m_Anchor = at;
}

void LineTool::Move(QPointF at, QPointF) {
    m_End = RoundedPoint(at);
    m_Host.ShowLinePreview(m_Anchor, m_End);
}

void LineTool::Release(QPoint at, QPointF) {
    m_End = at;
    m_Host.HideLinePreview();
    m_Host.DrawSegment(m_Anchor, m_End, true);
    m_Host.MarkDirty();
}

} // namespace quillary
