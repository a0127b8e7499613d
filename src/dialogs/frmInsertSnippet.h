// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/SnippetCatalog.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace quillary {

class PlatformServices;

// "Insert Snippet": chooses one of the user's text inserts and has it put into the note.
// A filter box over a list of "database — title" rows and a preview of the chosen text;
// Up and Down move in the list from the filter box, Enter or a double click inserts and
// closes, Escape closes. Databases that could not be read, and bitmap insert databases,
// are named under the list.
//
// The window does not touch the note itself: insert puts the text in and returns false
// (with the length it needs and the room there is) when it does not fit; the window then
// says so and stays open for another choice.
class frmInsertSnippet : public QDialog {
    Q_OBJECT
public:
    using Inserter = std::function<bool(const QString& text, int* length, int* room)>;

    frmInsertSnippet(PlatformServices& services, const QString& folder, Inserter insert,
                     QWidget* parent = nullptr);

    const SnippetCatalog& Catalog() const { return m_Catalog; }
    // Inserts the chosen snippet and closes; false when none is chosen or it did not fit.
    bool InsertChosen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyFilter();
    void ShowChosen();
    int ChosenIndex() const; // into the catalog; -1 for none

    PlatformServices& m_Services;
    Inserter m_Insert;
    SnippetCatalog m_Catalog;

    QLineEdit* m_txtFilter = nullptr;
    QListWidget* m_lstSnippets = nullptr;
    QLabel* m_lblNothing = nullptr;
    QLabel* m_lblNotListed = nullptr;
    QPlainTextEdit* m_txtPreview = nullptr;
    QPushButton* m_cmdInsert = nullptr;
};

} // namespace quillary
