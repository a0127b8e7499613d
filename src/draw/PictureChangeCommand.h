// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QPointer>
#include <QRect>
#include <QUndoCommand>

#include <cstddef>

class QUndoStack;

namespace quillary {

class ctlDrawBox;

// One step of the picture's history: the changed rectangle's pixels before and after, as
// 1-bit rows, so a step costs about twice the rectangle in bits, never a copy of the picture.
// Pushing does not redo: the change is already on the surface when the step is recorded.
class PictureChangeCommand : public QUndoCommand {
public:
    PictureChangeCommand(ctlDrawBox& box, const QRect& rect, QByteArray before, QByteArray after,
                         const QString& text);

    void undo() override;
    void redo() override;

    QRect Rect() const { return m_Rect; }
    // Memory the step holds.
    std::size_t Bytes() const;

    // The memory of every picture step on the stack.
    static std::size_t StackBytes(const QUndoStack& stack);

private:
    QPointer<ctlDrawBox> m_Box;
    QRect m_Rect;
    QByteArray m_Before;
    QByteArray m_After;
    bool m_Pushed = false;
};

} // namespace quillary
