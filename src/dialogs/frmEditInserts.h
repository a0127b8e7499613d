// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class clsInsertDatabase;

namespace quillary {

class NotesSession;
class StoredTextGuard;

// The editor for the text inserts of one insert database ("Insert Databases"): a list of
// titles, the title and text of the chosen insert, add, delete, sort, apply and cancel.
// The caller opens the database before showing the window; the window changes it in place
// and writes it only on Apply or OK. Cancel drops the changes with the database object.
//
// Titles and texts are Windows-1252 bytes in the file; the boxes keep out what cannot be
// stored and stop typing at 1999 characters, as the main window does for notes.
class frmEditInserts : public QDialog {
    Q_OBJECT
public:
    frmEditInserts(NotesSession& session, clsInsertDatabase& database, QWidget* parent = nullptr);

    bool Changed() const { return m_Changed; }
    // The four status bar panel texts, in order.
    QStringList StatusPanelTexts() const;

protected:
    // Closing the window (or the main window's exit) with unapplied changes asks whether to
    // save them; the Cancel button drops them without asking.
    void closeEvent(QCloseEvent* event) override;

private:
    void FillList(int select);
    void SelectLine(int row);
    void OnTitleChanged();
    void OnTextChanged();
    void MarkChanged();
    void UpdateStatusTexts();
    void UpdateStatusBar(qint64 dbSize, qint64 noteSize, int count, quint32 id);
    void ShowCurrentSizes();
    void AddItem();
    void DeleteItem();
    void SortItems();
    bool Save();
    void Report(const QString& message);

    NotesSession& m_Session;
    clsInsertDatabase& m_Database;
    bool m_Changed = false;
    bool m_Loading = false;

    QListWidget* m_lstInsertItems = nullptr;
    QLineEdit* m_txtInsertName = nullptr;
    QPlainTextEdit* m_txtInsert = nullptr;
    StoredTextGuard* m_TextGuard = nullptr;
    QLabel* m_lblHeader = nullptr;
    QLabel* m_lblDatabase = nullptr;
    QPushButton* m_cmdApply = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QList<QLabel*> m_Panels;
};

} // namespace quillary
