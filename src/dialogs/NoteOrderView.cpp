// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NoteOrderView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace quillary {

NoteOrderView::NoteOrderView(QWidget* parent) : QListView(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setDragEnabled(false); // dragging is done here, without leaving the list
    m_EdgeScroll.setInterval(40);
    connect(&m_EdgeScroll, &QTimer::timeout, this, &NoteOrderView::ScrollAtEdge);
}

NoteOrderModel::Flags NoteOrderView::SelectedFlags() const {
    NoteOrderModel::Flags flags(size_t(model() ? model()->rowCount() : 0), 0);
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            if (row >= 0 && row < int(flags.size()))
                flags[size_t(row)] = 1;
    return flags;
}

void NoteOrderView::SetSelectedFlags(const NoteOrderModel::Flags& selected, int currentRow) {
    QItemSelection selection;
    const int count = model()->rowCount();
    int firstSelected = -1;
    for (int row = 0; row < count && row < int(selected.size());) {
        if (!selected[size_t(row)]) {
            ++row;
            continue;
        }
        int end = row;
        while (end + 1 < count && end + 1 < int(selected.size()) && selected[size_t(end + 1)])
            ++end;
        selection.select(model()->index(row, 0), model()->index(end, 0));
        if (firstSelected < 0)
            firstSelected = row;
        row = end + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (currentRow >= 0 && currentRow < count)
        selectionModel()->setCurrentIndex(model()->index(currentRow, 0),
                                          QItemSelectionModel::NoUpdate);
    const int shown = currentRow >= 0 && currentRow < count ? currentRow : firstSelected;
    if (shown >= 0)
        scrollTo(model()->index(shown, 0));
}

int NoteOrderView::RowBefore(const QPoint& pos) const {
    const int count = model()->rowCount();
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return pos.y() < 0 ? 0 : count;
    const QRect rect = visualRect(index);
    return pos.y() > rect.center().y() ? index.row() + 1 : index.row();
}

void NoteOrderView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    m_PressOnSelected = event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier &&
                        index.isValid() && selectionModel()->isSelected(index);
    if (!m_PressOnSelected) {
        QListView::mousePressEvent(event);
        return;
    }
    // Keep the selection: this may become a drag of all the selected entries.
    m_PressPos = event->position().toPoint();
    m_PressIndex = index;
    m_Dragging = false;
    setFocus(Qt::MouseFocusReason);
    event->accept();
}

void NoteOrderView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_PressOnSelected || !(event->buttons() & Qt::LeftButton)) {
        QListView::mouseMoveEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (!m_Dragging && (pos - m_PressPos).manhattanLength() >= QApplication::startDragDistance()) {
        m_Dragging = true;
        setCursor(Qt::DragMoveCursor);
    }
    if (!m_Dragging)
        return;
    m_DragPos = pos;
    m_DropRow = RowBefore(pos);
    // Near the edges the list scrolls, so an entry can be carried past what is shown; it
    // goes on scrolling while the pointer rests there.
    if (EdgeDirection(pos) != 0) {
        if (!m_EdgeScroll.isActive()) {
            ScrollAtEdge();
            m_EdgeScroll.start();
        }
    } else {
        m_EdgeScroll.stop();
    }
    viewport()->update();
    event->accept();
}

int NoteOrderView::EdgeDirection(const QPoint& pos) const {
    const int edge = std::max(4, sizeHintForRow(0) / 2);
    if (pos.y() < edge)
        return -1;
    if (pos.y() > viewport()->height() - edge)
        return 1;
    return 0;
}

void NoteOrderView::ScrollAtEdge() {
    const int direction = m_Dragging ? EdgeDirection(m_DragPos) : 0;
    QScrollBar* bar = verticalScrollBar();
    const int before = bar->value();
    if (direction != 0)
        bar->setValue(before + direction * std::max(1, bar->singleStep()));
    if (direction == 0 || bar->value() == before) {
        m_EdgeScroll.stop(); // left the edge, or nothing more to show
        return;
    }
    m_DropRow = RowBefore(m_DragPos);
    viewport()->update();
}

void NoteOrderView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_PressOnSelected) {
        QListView::mouseReleaseEvent(event);
        return;
    }
    const bool dropped = m_Dragging && event->button() == Qt::LeftButton;
    const int row = RowBefore(event->position().toPoint());
    const QPersistentModelIndex pressed = m_PressIndex;
    EndDrag();
    if (dropped) {
        emit dropRequested(row);
    } else if (pressed.isValid()) {
        // A plain click on a selected entry selects just that entry, as anywhere else.
        selectionModel()->setCurrentIndex(pressed, QItemSelectionModel::ClearAndSelect);
    }
    event->accept();
}

void NoteOrderView::EndDrag() {
    m_EdgeScroll.stop();
    m_PressOnSelected = false;
    m_Dragging = false;
    m_DropRow = -1;
    m_PressIndex = QPersistentModelIndex();
    unsetCursor();
    viewport()->update();
}

void NoteOrderView::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::AltModifier &&
        (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        emit moveRequested(event->key() == Qt::Key_Up);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void NoteOrderView::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    if (!m_Dragging || m_DropRow < 0)
        return;
    const int count = model()->rowCount();
    int y = 0;
    if (count > 0) {
        y = m_DropRow < count ? visualRect(model()->index(m_DropRow, 0)).top()
                              : visualRect(model()->index(count - 1, 0)).bottom() + 1;
    }
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawLine(0, y, viewport()->width(), y);
}

} // namespace quillary
