// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/VersionStore.h"

#include <QDialog>
#include <QStringList>

#include <memory>
#include <vector>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QTreeWidget;
class clsDatabase;

namespace quillary {

class NotesSession;

// "Earlier Versions": the kept versions of the open notes file (date, time, notes, size),
// the notes of the chosen one read-only (text and picture), and two ways back: copy the
// chosen notes into the open database as new notes, or replace the whole database by the
// version (after a confirmation; the notes replaced are kept as a version themselves).
class frmVersions : public QDialog {
    Q_OBJECT
public:
    frmVersions(NotesSession& session, QWidget* parent);
    ~frmVersions() override;

    QTreeWidget* VersionList() const { return m_lstVersions; }
    QListWidget* NoteList() const { return m_lstNotes; }
    QPlainTextEdit* NoteText() const { return m_txtNote; }
    QLabel* NotePicture() const { return m_picNote; }
    QPushButton* CopyButton() const { return m_cmdCopy; }
    QPushButton* ReplaceButton() const { return m_cmdReplace; }
    // The version shown, or nullptr.
    const clsDatabase* ShownVersion() const { return m_Shown.get(); }

    // Fills the list anew from the folder.
    void LoadVersions();

private:
    void OnVersionChosen();
    void OnNoteChosen();
    void CopyNotes();
    void ReplaceDatabase();
    void UpdateButtons();

    NotesSession& m_Session;
    std::vector<VersionInfo> m_Versions;
    QStringList m_TimeTexts; // the time of each version, as the list shows it
    std::unique_ptr<clsDatabase> m_Shown;
    int m_ShownVersion = -1;
    QTreeWidget* m_lstVersions = nullptr;
    QListWidget* m_lstNotes = nullptr;
    QPlainTextEdit* m_txtNote = nullptr;
    QLabel* m_picNote = nullptr;
    QScrollArea* m_picScroll = nullptr;
    QLabel* m_lblProblem = nullptr;
    QPushButton* m_cmdCopy = nullptr;
    QPushButton* m_cmdReplace = nullptr;
};

} // namespace quillary
