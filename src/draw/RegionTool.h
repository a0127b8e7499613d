// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DrawTool.h"

namespace quillary {

// Drags a rubber band; a rectangle more than two pixels across in either direction becomes
// a floating selection.
class RegionTool : public DrawTool {
public:
    using DrawTool::DrawTool;
    void Press(QPoint at) override;
    void Move(QPointF at, QPointF last) override;
    void Release(QPoint at, QPointF last) override;

private:
    QPoint m_Anchor;
    QPoint m_End;
};

} // namespace quillary
