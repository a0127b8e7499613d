// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCursor>
#include <QIcon>
#include <QString>

namespace quillary {

// The picture editor's own images: the tool bar buttons and the two tool cursors.
class DrawBoxImages {
public:
    // Button picture of tool bar position index (0 "Pencil" .. 6 "Rectangle").
    static QIcon ToolIcon(int index);
    // The pointer over the surface for Pencil (tool 0) and Eraser (tool 1).
    static QCursor PencilCursor();
    static QCursor EraserCursor();

private:
    static QCursor SvgCursor(const QString& path, int hotX, int hotY);
};

} // namespace quillary
