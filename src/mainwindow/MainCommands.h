// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QActionGroup;
class QMenu;
class QToolBar;

namespace quillary {

class frmMain;

// The main window's commands: one QAction per command (objectName "mnu..."), shared by the
// menus and the two toolbars, and the clipboard commands that act on the focused pane.
//
// Commands whose windows live elsewhere (page setup, print, find, note manager, categories,
// insert databases, insert snippet, import/export) run through SetDialogHandler; without a handler they
// tell the person the command is not available yet.
class MainCommands : public QObject {
    Q_OBJECT
public:
    explicit MainCommands(frmMain& window);

    QAction* Action(const QString& objectName) const;
    QList<QAction*> RecentFileActions() const { return m_Recent; }
    QAction* RecentLine() const { return m_RecentLine; }
    QToolBar* MainToolBar() const { return m_tbrMain; }
    QToolBar* NoteToolBar() const { return m_tbrNote; }
    // Record > Category: one checkable entry per category (objectName "mnuCategory0" for
    // Unfiled, "mnuCategory1", ...) and "Edit Categories..."; filled as it opens.
    QMenu* CategoryMenu() const { return m_CategoryMenu; }
    // The status bar's category panel, clicked: the categories and "Edit Categories..." as
    // a menu of the platform services.
    void ShowCategoryPopup();

    // Dialog commands: "PageSetup", "Print", "Find", "NoteManager", "EditCategories",
    // "EditInserts", "Import", "InsertSnippet".
    void SetDialogHandler(const QString& command, std::function<void()> handler);
    void RunDialog(const QString& command);

    // Toolbar dispatch by tag ("Save", "Print", "Cut", ..., "NoteFlag").
    void RunToolbarTag(const QString& tag);

    void Copy();
    void Paste();
    void Clear();
    void SelectAll();
    void Cut();
    // Undo and Redo of the focused pane: the text boxes' own, or the picture's history.
    void Undo();
    void Redo();
    // Enables Undo and Redo as the focused pane has something to undo or redo.
    void UpdateUndoActions();

    // Shows the note-flag button as changed (image 5) or unchanged (image 4).
    void SetNoteFlag(bool dirty);
    void SetNoteButtons(bool previousEnabled, bool nextEnabled);

private:
    QAction* Add(const QString& name, const QString& caption, const QKeySequence& key,
                 std::function<void()> run);
    void BuildMenus();
    void BuildToolBars();
    QWidget* ActiveControl() const;
    void FillCategoryMenu();
    // Ctrl+Shift+C: the category menu over the status bar's category panel, the note's
    // category highlighted, ready for the arrow keys.
    void PopUpCategoryMenu();

    frmMain& m_Window;
    QHash<QString, QAction*> m_Actions;
    QHash<QString, std::function<void()>> m_DialogHandlers;
    QList<QAction*> m_Recent;
    QAction* m_RecentLine = nullptr;
    QToolBar* m_tbrMain = nullptr;
    QToolBar* m_tbrNote = nullptr;
    QAction* m_NoteFlag = nullptr;
    QAction* m_PreviousNote = nullptr;
    QAction* m_NextNote = nullptr;
    QMenu* m_CategoryMenu = nullptr;
    QActionGroup* m_CategoryGroup = nullptr;
};

} // namespace quillary
