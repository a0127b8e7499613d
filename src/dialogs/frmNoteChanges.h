// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/NoteChanges.h"

#include <QDialog>

class QTreeWidget;
class QTreeWidgetItem;

namespace quillary {

class NotesSession;

// The notes a reread (HotSync, Refresh, another program) added, changed, moved or removed,
// by their first lines. Choosing one that is still there shows it in the main window.
class frmNoteChanges : public QDialog {
    Q_OBJECT
public:
    frmNoteChanges(NotesSession& session, const NoteChangeReport& report, const QString& title,
                   QWidget* parent);

    QTreeWidget* ChangeList() const { return m_lstChanges; }

private:
    void ShowChosenNote(QTreeWidgetItem* item);

    NotesSession& m_Session;
    NoteChangeReport m_Report;
    QTreeWidget* m_lstChanges = nullptr;
};

} // namespace quillary
