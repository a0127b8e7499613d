// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QRadioButton;

namespace quillary {

class NotesSession;

// "Import/Export Insert Databases" for one insert database file: raw text inserts or the
// inserts of another insert database appended (and the file saved), or a copy written
// under a new name. Done reads the file afresh. "Delete Existing Records Before Importing"
// empties the database after a confirmation, once the file to import has been chosen and
// can be read. A bitmap insert database can only be exported, as a whole-file copy.
class frmImportInsert : public QDialog {
    Q_OBJECT
public:
    frmImportInsert(NotesSession& session, const QString& databaseFile, bool bitmapDatabase,
                    QWidget* parent = nullptr);

    static constexpr int kRawText = 0, kInsertFormat = 1, kPalmDatabase = 2, kExport = 3;

    void Done();

private:
    int ChosenIndex() const;
    // False when the dialog should stay open.
    bool Run(int index, bool overwriteChecked);

    NotesSession& m_Session;
    QString m_File;
    bool m_Bitmap;
    QList<QRadioButton*> m_optImport;
    QCheckBox* m_chkNewDB = nullptr;
};

} // namespace quillary
