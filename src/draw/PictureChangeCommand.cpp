// SPDX-License-Identifier: GPL-3.0-or-later
#include "PictureChangeCommand.h"

#include "ctlDrawBox.h"

#include <QUndoStack>

namespace quillary {

PictureChangeCommand::PictureChangeCommand(ctlDrawBox& box, const QRect& rect, QByteArray before,
                                           QByteArray after, const QString& text)
    : QUndoCommand(text), m_Box(&box), m_Rect(rect), m_Before(std::move(before)),
      m_After(std::move(after)) {}

void PictureChangeCommand::undo() {
    if (m_Box)
        m_Box->RestoreRows(m_Rect, m_Before);
}

void PictureChangeCommand::redo() {
    // QUndoStack::push redoes at once; the surface already shows the change then.
    if (!m_Pushed) {
        m_Pushed = true;
        return;
    }
    if (m_Box)
        m_Box->RestoreRows(m_Rect, m_After);
}

std::size_t PictureChangeCommand::Bytes() const {
    return sizeof(*this) + std::size_t(m_Before.capacity()) + std::size_t(m_After.capacity());
}

std::size_t PictureChangeCommand::StackBytes(const QUndoStack& stack) {
    std::size_t total = 0;
    for (int i = 0; i < stack.count(); ++i)
        if (const auto* step = dynamic_cast<const PictureChangeCommand*>(stack.command(i)))
            total += step->Bytes();
    return total;
}

} // namespace quillary
