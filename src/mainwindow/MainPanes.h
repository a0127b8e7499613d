// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow/MainLayout.h"

#include <QWidget>

class QComboBox;
class QLabel;

namespace quillary {

class NoteEditorPane;
class NoteListModel;
class NotesSession;

// The main window's central area: the selector row (notes, "User:" and the users), under
// it the note's picture, the divider and the note's text. Places them by MainLayout, the
// divider where the person dragged it (within the layout's clamps).
class MainPanes : public QWidget {
    Q_OBJECT
public:
    MainPanes(NotesSession& session, QWidget* parent);

    QComboBox* NoteSelector() const { return m_lstNotes; }
    NoteListModel& NoteList() const { return *m_NoteList; }
    QComboBox* UserSelector() const { return m_cmbUser; }
    QLabel* UserLabel() const { return m_lblUser; }
    NoteEditorPane& Editor() const { return *m_Editor; }
    QWidget* Divider() const { return m_fmeDivide; }
    QWidget* TopRow() const { return m_TopRow; }

    // Lays the panes out for the area's size (and the stored note font).
    void Layout();
    // Back to the first divider position (Refresh).
    void ResetDivider();
    int DividerOffset() const { return m_DividerOffset; }
    // The divider offset the person chose by dragging; the layout's clamps only limit what
    // is shown, so a window shrunk and grown again gets its panes back.
    int WantedDividerOffset() const { return m_WantedOffset; }
    const MainLayout& CurrentLayout() const { return m_Layout; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    NotesSession& m_Session;
    QWidget* m_TopRow = nullptr;
    QComboBox* m_lstNotes = nullptr;
    NoteListModel* m_NoteList = nullptr;
    QLabel* m_lblUser = nullptr;
    QComboBox* m_cmbUser = nullptr;
    NoteEditorPane* m_Editor = nullptr;
    QWidget* m_fmeDivide = nullptr;
    int m_DividerOffset = MainLayout::kInitialOffset;
    int m_WantedOffset = MainLayout::kInitialOffset;
    MainLayout m_Layout;
    double m_DragOrigin = 0;
};

} // namespace quillary
