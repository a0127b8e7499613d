// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace quillary {

class PrintWindowsHost;

// "Select Records to Print": the main window's notes, entry for entry; Print and Preview
// store the chosen positions under "PrintNotesSelectedString" and close the window, the
// host then prints or previews. Setup opens the page setup on top of this window.
class frmPrintSelection : public QDialog {
    Q_OBJECT
public:
    enum class Chosen { Nothing, Print, Preview };

    frmPrintSelection(PrintWindowsHost& host, QWidget* parent = nullptr);

    // What closed the window (Nothing for Cancel, Escape or the close box).
    Chosen Choice() const { return m_Choice; }
    // The selected positions joined by "," ("" when nothing is selected).
    QString SelectionString() const;

    QListWidget* NoteList() const { return m_lstNotes; }

private:
    void SaveSelection();
    void Choose(Chosen choice);

    PrintWindowsHost& m_Host;
    Chosen m_Choice = Chosen::Nothing;

    QListWidget* m_lstNotes = nullptr;
    QWidget* m_picButtons = nullptr;
    QPushButton* m_cmdSelectAll = nullptr;
    QPushButton* m_cmdPrint = nullptr;
    QPushButton* m_cmdPreview = nullptr;
    QPushButton* m_cmdPageSetup = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace quillary
