// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DrawTool.h"

namespace quillary {

// Freehand black strokes.
class PencilTool : public DrawTool {
public:
    using DrawTool::DrawTool;
    void Press(QPoint at) override;
    void Move(QPointF at, QPointF last) override;
    void Release(QPoint at, QPointF last) override;
};

} // namespace quillary
