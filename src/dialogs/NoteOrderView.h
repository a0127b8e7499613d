// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/NoteOrderModel.h"

#include <QListView>
#include <QTimer>

namespace quillary {

// The note manager's list view: extended selection, and the selected entries can be
// dragged as a block to another place in the list. The view only reports where they were
// dropped (dropRequested); the window moves them.
class NoteOrderView : public QListView {
    Q_OBJECT
public:
    explicit NoteOrderView(QWidget* parent = nullptr);

    // The selection as one flag per row.
    NoteOrderModel::Flags SelectedFlags() const;
    // Selects exactly the flagged rows, makes `currentRow` current (when valid) and
    // scrolls so that it, or the first selected row, can be seen.
    void SetSelectedFlags(const NoteOrderModel::Flags& selected, int currentRow);
    // While dragging: the row the entries would be put before, else -1.
    int DropRow() const { return m_Dragging ? m_DropRow : -1; }

signals:
    void dropRequested(int beforeRow);
    // Alt+Up / Alt+Down: move the selected entries one place.
    void moveRequested(bool up);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int RowBefore(const QPoint& pos) const;
    void EndDrag();
    // While dragging near the top or bottom edge: one step of scrolling, and the drop place
    // follows what came into view. The timer repeats it while the pointer is held still.
    void ScrollAtEdge();
    int EdgeDirection(const QPoint& pos) const;

    QPoint m_PressPos;
    QPersistentModelIndex m_PressIndex;
    bool m_PressOnSelected = false;
    bool m_Dragging = false;
    int m_DropRow = -1;
    QPoint m_DragPos;
    QTimer m_EdgeScroll;
};

} // namespace quillary
