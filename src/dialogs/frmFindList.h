// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/NoteSearchIndex.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;
class QStatusBar;

namespace quillary {

class FindResultsModel;
class NotesSession;

// "Find Note": a modeless window without an owner that lists the notes containing a
// search text, keeps the list current while the person types, and shows a note in the main
// window when its entry is chosen. The main window keeps the one instance (SetFindWindow)
// and deletes it before a user change and when it closes.
//
// Settings "FindString", "FindCaseSensitive", "FindDisableAutoFind", "FindFloatOnTop" are
// read by Form_Load and written when the window closes.
class frmFindList : public QWidget {
    Q_OBJECT
public:
    // owner: the window it is placed beside and goes back to; not its parent, so both
    // stay usable.
    frmFindList(NotesSession& session, QWidget& owner);
    ~frmFindList() override;

    // Size, place, check boxes and search text from the settings; fills the list when
    // AutoFind is on. Runs on construction and again when a closed window is shown anew.
    void Form_Load();
    // Follows the main window's note: selects its entry, or none.
    void Form_Activate();
    // Commits the main window's note and lists the notes that contain the search text.
    void Search();

    QLineEdit* SearchBox() const { return m_txtFind; }
    QListView* ResultList() const { return m_lstFindItems; }
    const FindResultsModel& Results() const { return *m_Results; }
    // The first status bar panel ("3 out of 12 notes").
    QString CountText() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnTextChanged();
    void OnCaseClicked();
    void OnAutoFindToggled(bool disabled);
    void OnFloatToggled(bool onTop);
    void OnEntryChosen(const QModelIndex& index);
    void OnEntryDoubleClicked(const QModelIndex& index);
    void OnNotesReloaded();
    int MainSelection() const;
    void SelectRow(int row);
    bool AutoFind() const;
    void Form_Unload();

    NotesSession& m_Session;
    QWidget& m_Owner;
    NoteSearchIndex m_Index;
    FindResultsModel* m_Results = nullptr;
    bool m_Syncing = false;

    QLineEdit* m_txtFind = nullptr;
    QPushButton* m_cmdFind = nullptr;
    QCheckBox* m_chkCase = nullptr;
    QCheckBox* m_chkDisableAutoFind = nullptr;
    QCheckBox* m_chkFloat = nullptr;
    QListView* m_lstFindItems = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_lblCount = nullptr;
};

} // namespace quillary
