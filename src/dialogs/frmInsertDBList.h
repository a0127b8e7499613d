// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/InsertFolder.h"

#include <QDialog>
#include <QString>

#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace quillary {

class frmMain;

// "Insert Database Manager": the insert databases of the user shown in the main window.
// Lists them (bitmap insert databases marked as such), shows the details of the chosen
// one, creates, renames and deletes them, and opens the insert editor and the
// import/export dialog for it. Everything is written to the user's insert folder only.
class frmInsertDBList : public QDialog {
    Q_OBJECT
public:
    explicit frmInsertDBList(frmMain& main, QWidget* parent = nullptr);
    ~frmInsertDBList() override;

    // Shared with frmAddInsertDatabase: the database being created or renamed.
    QString AddDatabaseFileName; // full path
    QString AddDatabasePalmName;
    // 1 while a rename is in progress; the add dialog sets it to 0 on Done, so 1 afterwards
    // means the rename was cancelled.
    int ReturnFlag = 0;

    // The databases listed, in list order.
    const std::vector<InsertDatabaseInfo>& Databases() const { return m_Databases; }
    // The insert folder the list shows.
    QString Folder() const { return m_Folder; }

    void NewDatabase();
    void RenameDatabase();
    void DeleteDatabase();
    void EditDatabase();
    void ImportExport();

private:
    // Rereads the folder and selects the line at index (limited to the list), or the line
    // of the database at selectPath when it is listed.
    void Refresh(int index, const QString& selectPath = QString());
    void ShowDetails();
    int SelectedIndex() const;

    frmMain& m_Main;
    QString m_Folder;
    std::vector<InsertDatabaseInfo> m_Databases;

    QLabel* m_lblDatabaseList = nullptr;
    QListWidget* m_lstInsertDB = nullptr;
    QLabel* m_lblWinFileName = nullptr;
    QLabel* m_lblPalmFileName = nullptr;
    QLabel* m_lblDBSize = nullptr;
    QLabel* m_lblDBType = nullptr;
    QList<QPushButton*> m_NeedSelection;
};

} // namespace quillary
