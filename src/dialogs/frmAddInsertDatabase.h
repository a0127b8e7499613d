// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace quillary {

class frmInsertDBList;
class NotesSession;

// "Add Insert Database": the Palm name (31 characters at most) and Windows file name of a
// new insert database, or the new names of a renamed one. Works on the list window's
// AddDatabaseFileName, AddDatabasePalmName and ReturnFlag (1: rename mode).
//
// While "Disable Synchronized Insert Database Names" is clear, the file name follows the
// Palm name inside the user's insert folder. Done refuses an empty name and a Palm name
// another insert database of the folder already carries (the handheld keeps one database
// per name), and asks before replacing an existing file. A rename copies the file to its
// new name before removing the old one and rewrites only the name field.
class frmAddInsertDatabase : public QDialog {
    Q_OBJECT
public:
    frmAddInsertDatabase(NotesSession& session, frmInsertDBList& list, QWidget* parent = nullptr);

    static constexpr int kMaxPalmNameChars = 31;

private:
    void OnSyncClicked();
    void OnPalmNameChanged();
    void Done();
    bool Confirm(QString& palmName, QString& fileName);
    bool RenameFiles(const QString& palmName, const QString& fileName);
    void Tell(const QString& message);
    // Under the boxes: what the Palm name box left out.
    void ShowMessage(const QString& message);

    NotesSession& m_Session;
    frmInsertDBList& m_List;
    QLineEdit* m_txtPalmFileName = nullptr;
    QLineEdit* m_txtWindowsFileName = nullptr;
    QCheckBox* m_chkInsertSyncFileName = nullptr;
    QLabel* m_lblMessage = nullptr; // what the Palm name box left out
};

} // namespace quillary
