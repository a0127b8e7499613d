// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DrawTool.h"

namespace quillary {

// Straight black lines: a preview follows the pointer, the surface changes on release.
class LineTool : public DrawTool {
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
