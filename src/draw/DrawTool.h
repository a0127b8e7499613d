// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QPointF>

namespace quillary {

class DrawToolHost;

// One tool of the picture editor. The control forwards the left button's press, moves and
// release on the surface; the tool decides what they do.
class DrawTool {
public:
    explicit DrawTool(DrawToolHost& host) : m_Host(host) {}
    virtual ~DrawTool() = default;
    DrawTool(const DrawTool&) = delete;
    DrawTool& operator=(const DrawTool&) = delete;

    // at: the press position rounded to whole pixels.
    virtual void Press(QPoint at) = 0;
    // at: the pointer now; last: its previous position in this stroke.
    virtual void Move(QPointF at, QPointF last) = 0;
    // at: the release position rounded; last: the stroke's last position, or (-1, -1) when
    // the button went down elsewhere (e.g. the second release of a double click).
    virtual void Release(QPoint at, QPointF last) = 0;

protected:
    DrawToolHost& m_Host;
};

// Rounds a pointer position to the pixel it names.
QPoint RoundedPoint(QPointF p);

} // namespace quillary
