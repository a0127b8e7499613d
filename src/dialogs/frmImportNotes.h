// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/ImportResult.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QRadioButton;

namespace quillary {

class NotesSession;

// "Import/Export Notes": brings raw text notes, an import list or the notes of another
// notes database into the main window's database, or writes a copy of it under a new file
// name. "Delete Existing Records Before Importing" empties the database first, after a
// confirmation, and only once the file to import has been chosen and can be read: a
// cancelled or unreadable file, or texts refused for characters the handheld cannot
// store, change nothing. The main window commits the note being edited before it shows
// the dialog and refreshes its note list afterwards; the status bar then says how many
// notes came in, were split or were refused.
class frmImportNotes : public QDialog {
    Q_OBJECT
public:
    explicit frmImportNotes(NotesSession& session, QWidget* parent = nullptr);

    // The option indexes that carry an action.
    static constexpr int kRawText = 0, kList = 1, kPalmDatabase = 2, kExport = 5;

    void Done();

private:
    int ChosenIndex() const;
    // What a text or database import did; nothing for an export or a cancelled one.
    std::optional<ImportResult> Import(int index, bool overwrite);

    NotesSession& m_Session;
    QList<QRadioButton*> m_optImport; // in the order kRawText, kList, kPalmDatabase, kExport
    QCheckBox* m_chkNewDB = nullptr;
};

} // namespace quillary
