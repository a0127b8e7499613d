// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;
class clsDatabase;

namespace quillary {

class NotesSession;
class PlatformServices;

// "Edit Categories": adds, renames and removes the user categories (1 to 15) of the open
// notes database. Every change goes into the database at once and marks it changed; there
// is no cancel. Renaming follows every keystroke, and a name another category has is
// never taken over, not even on the way to a longer one.
class frmEditCategories : public QDialog {
    Q_OBJECT
public:
    frmEditCategories(NotesSession& session, QWidget* parent = nullptr);

    void cmdAdd_Click();
    void cmdRemove_Click();

    QListWidget* CategoryList() const { return m_lstCategories; }
    QLineEdit* NameBox() const { return m_txtCatName; }
    // What the name box last said about text it left out ("" when nothing).
    QString Message() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadList();
    void OnSelectionChanged();
    void OnNameChanged(const QString& text);
    void SelectRow(int row);

    PlatformServices& m_Services;
    NotesSession& m_Session;
    clsDatabase& m_Database;
    QListWidget* m_lstCategories = nullptr;
    QLineEdit* m_txtCatName = nullptr;
    QLabel* m_lblMessage = nullptr;
    QWidget* m_picButtons = nullptr;
    QPushButton* m_cmdAdd = nullptr;
    QPushButton* m_cmdRemove = nullptr;
    QPushButton* m_cmdDone = nullptr;
};

} // namespace quillary
