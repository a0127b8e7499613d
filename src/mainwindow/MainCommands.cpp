// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainCommands.h"
#include "ArchiveCommands.h"

#include "draw/clsPopupMenu.h"
#include "draw/ctlDrawBox.h"
#include "frmMain.h"
#include "NetworkSyncRunner.h"
#include "core/PlatformServices.h"
#include "core/TextCodec.h"
#include "core/clsSettings.h"
#include "shell/frmOptions.h"
#include "shell/frmSplash.h"
#include "core/modGlobals.h"
#include "storage/clsDatabase.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>

namespace quillary {

namespace {

// The manual sits next to the program in a build; an installed program finds it in its
// package's documentation folder.
QString ManualPath() {
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString beside = bin.filePath(QStringLiteral("QuillaryManual.pdf"));
    const QString installed =
        bin.filePath(QStringLiteral("../share/doc/quillary/QuillaryManual.pdf"));
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    return beside;
}

struct DialogCommand {
    const char* id;
    const char* caption;
};
// Commands whose windows are built elsewhere; shown by name until they are plugged in.
constexpr DialogCommand kDialogCommands[] = {
    {"PageSetup", "Page Setup"},         {"Print", "Print"},
    {"Find", "Find"},                    {"NoteManager", "Note Manager"},
    {"EditCategories", "Edit Categories"}, {"EditInserts", "Edit Insert Databases"},
    {"Import", "Import/Export Notes"},   {"InsertSnippet", "Insert Snippet"},
    {"Versions", "Earlier Versions"},    {"NoteChanges", "Changed Notes"},
};

QIcon Icon(const char* name) {
    return QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(name) + QStringLiteral(".svg"));
}

} // namespace

MainCommands::MainCommands(frmMain& window) : QObject(&window), m_Window(window) {
    BuildMenus();
    BuildToolBars();
    // Undo and Redo follow the focus and what the focused pane can undo.
    connect(qApp, &QApplication::focusChanged, this, &MainCommands::UpdateUndoActions);
    if (QPlainTextEdit* text = window.TextEditor()) {
        connect(text, &QPlainTextEdit::undoAvailable, this, &MainCommands::UpdateUndoActions);
        connect(text, &QPlainTextEdit::redoAvailable, this, &MainCommands::UpdateUndoActions);
    }
    if (ctlDrawBox* draw = window.PictureEditor())
        connect(draw, &ctlDrawBox::UndoStateChanged, this, &MainCommands::UpdateUndoActions);
    UpdateUndoActions();
}

QAction* MainCommands::Add(const QString& name, const QString& caption, const QKeySequence& key,
                           std::function<void()> run) {
    auto* action = new QAction(caption, &m_Window);
    action->setObjectName(name);
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    m_Window.addAction(action); // shortcuts work even while the menu bar is hidden
    m_Actions.insert(name, action);
    return action;
}

QAction* MainCommands::Action(const QString& objectName) const {
    return m_Actions.value(objectName);
}

void MainCommands::BuildMenus() {
    frmMain& w = m_Window;
    QMenuBar* bar = w.menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(Add("mnuRefresh", "&Refresh", QKeySequence("Ctrl+R"), [&w] { w.Form_Load(); }));
    file->addAction(Add("mnuSave", "&Save", QKeySequence("Ctrl+S"), [&w] {
        w.SaveChanges();
        w.SaveDatabase();
    }));
    file->addAction(Add("mnuVersions", "Earlier &Versions...", {}, [this, &w] {
        if (w.SaveChanges()) // the window lists and restores the notes as they are in memory
            RunDialog("Versions");
    }));
    file->addAction(Add("mnuImport", "&Import/Export Notes...", QKeySequence("Ctrl+I"),
                        [this, &w] {
                            if (w.QuerySaveChanges())
                                return;
                            RunDialog("Import");
                            w.UpdateFormStatus();
                        }));
    file->addAction(Add("mnuExportArchive", "Export &Archive...", {},
                        [&w] { ArchiveCommands::ExportArchive(w.Session()); }));
    file->addAction(Add("mnuImportArchive", "Import Arc&hive...", {},
                        [&w] { ArchiveCommands::ImportArchive(w.Session()); }));
    file->addSeparator();
    file->addAction(Add("mnuPageSetup", "Page Set&up...", {}, [this] { RunDialog("PageSetup"); }));
    file->addAction(Add("mnuPrint", "&Print...", QKeySequence("Ctrl+P"), [this, &w] {
        if (w.SaveChanges()) // a drawing the note cannot hold stays in the editor
            RunDialog("Print");
    }));
    file->addSeparator()->setObjectName("mnuLine2");
    for (int i = 0; i < 4; ++i) {
        QAction* recent = Add(QStringLiteral("mnuRecentFile%1").arg(i), QString(), {},
                              [&w, i] { w.OpenRecentFile(i); });
        recent->setVisible(false);
        file->addAction(recent);
        m_Recent << recent;
    }
    m_RecentLine = file->addSeparator();
    m_RecentLine->setObjectName("mnuLine");
    m_RecentLine->setVisible(false);
    file->addAction(Add("mnuExit", "E&xit", QKeySequence("Ctrl+Q"), [&w] { w.close(); }));

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->addAction(Add("mnuUndo", "&Undo", QKeySequence("Ctrl+Z"), [this] { Undo(); }));
    QAction* redo = Add("mnuRedo", "&Redo", QKeySequence("Ctrl+Y"), [this] { Redo(); });
    redo->setShortcuts({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")});
    edit->addAction(redo);
    edit->addSeparator();
    edit->addAction(Add("mnuCut", "C&ut", QKeySequence("Ctrl+X"), [this] { Cut(); }));
    edit->addAction(Add("mnuCopy", "&Copy", QKeySequence("Ctrl+C"), [this] { Copy(); }));
    edit->addAction(Add("mnuPaste", "&Paste", QKeySequence("Ctrl+V"), [this] { Paste(); }));
    edit->addAction(Add("mnuClear", "C&lear", {}, [this] { Clear(); }));
    edit->addAction(Add("mnuSelectAll", "Select &All", QKeySequence("Ctrl+A"),
                        [this] { SelectAll(); }));
    // A ready-made text from the user's insert databases, put in at the caret; there is
    // nowhere to put it without a note.
    QAction* snippet = Add("mnuInsertSnippet", "Insert &Snippet...", QKeySequence("Ctrl+Shift+I"),
                           [this] { RunDialog("InsertSnippet"); });
    snippet->setEnabled(w.CurrentNoteIndex() >= 0);
    connect(&w, &frmMain::currentNoteChanged, snippet,
            [snippet](int record) { snippet->setEnabled(record >= 0); });
    edit->addAction(snippet);
    edit->addSeparator();
    edit->addAction(Add("mnuFind", "&Find", QKeySequence("Ctrl+F"), [this] { RunDialog("Find"); }));

    QMenu* record = bar->addMenu(QStringLiteral("&Record"));
    record->addAction(Add("mnuAddRecord", "&Add Record", QKeySequence("Ctrl+N"), [&w] { w.AddNote(); }));
    record->addAction(Add("mnuRemoveRecord", "&Remove Record", QKeySequence("Shift+Del"),
                          [&w] { w.RemoveNote(); }));
    record->addAction(Add("mnuNoteManager", "&Note Manager", QKeySequence("Ctrl+M"), [this, &w] {
        if (!w.SaveChanges())
            return; // the drawing would be lost when the list is rebuilt
        RunDialog("NoteManager");
        w.RefreshDisplayFromDatabaseObject();
        w.UpdateFormStatus();
    }));
    record->addAction(Add("mnuEditCategories", "Edit &Categories", QKeySequence("Shift+F12"),
                          [this] { RunDialog("EditCategories"); }));
    // The category of the note, also from the keyboard (the status bar panel needs a mouse).
    m_CategoryMenu = record->addMenu(QStringLiteral("Cate&gory"));
    m_CategoryMenu->setObjectName(QStringLiteral("mnuCategoryMenu"));
    QAction* category = m_CategoryMenu->menuAction();
    category->setObjectName(QStringLiteral("mnuCategory"));
    category->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+C")));
    category->setShortcutContext(Qt::WindowShortcut);
    category->setToolTip(QStringLiteral("Category of the note (Ctrl+Shift+C)"));
    connect(m_CategoryMenu, &QMenu::aboutToShow, this, &MainCommands::FillCategoryMenu);
    connect(category, &QAction::triggered, this, &MainCommands::PopUpCategoryMenu);
    w.addAction(category);
    m_Actions.insert(category->objectName(), category);
    record->addAction(Add("mnuEditInserts", "&Edit Insert Databases", QKeySequence("Ctrl+D"),
                          [this, &w] {
                              RunDialog("EditInserts");
                              w.UpdateFormStatus();
                          }));
    record->addSeparator();
    record->addAction(Add("mnuExportPicture", "E&xport picture to bitmap file...", {},
                          [&w] { w.PictureEditor()->SaveAsBitmapFile(); }));
    record->addAction(Add("mnuInsertPicture", "&Insert picture from file...", {},
                          [&w] { w.PictureEditor()->InsertPictureFile(); }));

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    options->addAction(Add("mnuSettings", "Settings...", {}, [&w] {
        frmOptions dialog(w.Context().services, w.Context().settings, &w);
        dialog.SetRightJustifyHandler([&w](bool right) {
            w.TextEditor()->document()->setDefaultTextOption(
                QTextOption(right ? Qt::AlignRight : Qt::AlignLeft));
        });
        dialog.SetResizeHandler([&w] { w.ResizeMe(); });
        if (dialog.exec() == QDialog::Accepted)
            NetworkSyncRunner::For(w).ApplySetting();
    }));
    options->addAction(Add("mnuHelp", "&Help...", QKeySequence("F1"), [&w] {
        OpenPdfDocument(w.Context().services, ManualPath());
    }));
    options->addAction(Add("mnuAbout", "About...", {}, [&w] {
        frmSplash about(w.Context().services, &w);
        about.ShowAsAbout();
    }));
}

void MainCommands::FillCategoryMenu() {
    m_CategoryMenu->clear();
    delete m_CategoryGroup;
    m_CategoryGroup = new QActionGroup(m_CategoryMenu);
    const clsDatabase& database = m_Window.Database();
    const int note = m_Window.CurrentNoteIndex();
    std::vector<std::string> labels;
    const int count = database.GetCategoryList(labels);
    const int current = note >= 0 ? database.GetCategoryIndex(note) : -1;
    for (int i = 0; i < count; ++i) {
        QString label = FromCp1252(labels[size_t(i)]);
        QAction* entry = m_CategoryMenu->addAction(label.replace(QChar('&'), QStringLiteral("&&")));
        entry->setObjectName(QStringLiteral("mnuCategory%1").arg(i));
        entry->setCheckable(true);
        entry->setChecked(i == current);
        entry->setEnabled(note >= 0);
        m_CategoryGroup->addAction(entry);
        connect(entry, &QAction::triggered, this,
                [this, i] { m_Window.SetCurrentNoteCategory(i); });
    }
    m_CategoryMenu->addSeparator();
    QAction* edit = m_CategoryMenu->addAction(QStringLiteral("&Edit Categories..."));
    edit->setObjectName(QStringLiteral("mnuCategoryEdit"));
    connect(edit, &QAction::triggered, this,
            [this] { RunDialog(QStringLiteral("EditCategories")); });
}

void MainCommands::ShowCategoryPopup() {
    if (m_Window.CurrentNoteIndex() < 0)
        return;
    std::vector<std::string> labels;
    const int c = m_Window.Database().GetCategoryList(labels);
    QStringList items;
    for (const std::string& label : labels)
        items << FromCp1252(label);
    items << QStringLiteral("-") << QStringLiteral("Edit Categories...");
    const int k = clsPopupMenu().Popup(m_Window.Context().services, items);
    if (k >= 1 && k <= c)
        m_Window.SetCurrentNoteCategory(k - 1);
    else if (k == c + 2)
        RunDialog(QStringLiteral("EditCategories"));
}

void MainCommands::PopUpCategoryMenu() {
    FillCategoryMenu(); // for its size; it fills again as it shows
    QPoint at = m_Window.mapToGlobal(m_Window.rect().center());
    const QWidget* panel = m_Window.CategoryPanel();
    if (panel && panel->isVisible())
        at = panel->mapToGlobal(QPoint(0, -m_CategoryMenu->sizeHint().height()));
    m_CategoryMenu->popup(at);
    const QAction* checked = m_CategoryGroup ? m_CategoryGroup->checkedAction() : nullptr;
    for (QAction* entry : m_CategoryMenu->actions())
        if (entry == checked || (!checked && entry->isEnabled() && !entry->isSeparator())) {
            m_CategoryMenu->setActiveAction(entry);
            break;
        }
}

void MainCommands::BuildToolBars() {
    struct Button {
        const char* tag;
        const char* tip;
        const char* icon;
    };
    auto build = [this](const char* name, const char* title,
                        std::initializer_list<Button> buttons) {
        // The title names the bar in the window's context menu, which hides and shows it.
        auto* bar = new QToolBar(QString::fromLatin1(title), &m_Window);
        bar->setObjectName(QString::fromLatin1(name));
        bar->setMovable(false);
        bar->setIconSize(QSize(20, 20));
        for (const Button& b : buttons) {
            if (!b.tag) {
                bar->addSeparator();
                continue;
            }
            QAction* a = bar->addAction(Icon(b.icon), QString::fromLatin1(b.tip));
            a->setObjectName(QStringLiteral("tbr") + QString::fromLatin1(b.tag));
            a->setData(QString::fromLatin1(b.tag));
            a->setToolTip(QString::fromLatin1(b.tip));
            const QString tag = QString::fromLatin1(b.tag);
            connect(a, &QAction::triggered, this, [this, tag] { RunToolbarTag(tag); });
        }
        m_Window.addToolBar(Qt::TopToolBarArea, bar);
        return bar;
    };
    m_tbrMain = build("tbrMain", "Main Toolbar",
                      {{"Save", "Save Database", "save"},
                       {"Print", "Print", "print"},
                       {nullptr, nullptr, nullptr},
                       {"Cut", "Cut", "cut"},
                       {"Copy", "Copy", "copy"},
                       {"Paste", "Paste", "paste"},
                       {"Find", "Find", "find"},
                       {"Import", "Import Notes", "import"},
                       {"Inserts", "Insert Databases", "inserts"}});
    m_tbrNote = build("tbrNote", "Note Toolbar",
                      {{"PreviousNote", "Previous Note", "previous"},
                       {"AddNote", "Add Note", "add"},
                       {"NextNote", "Next Note", "next"},
                       {nullptr, nullptr, nullptr},
                       {"NoteFlag", "Sort Notes", "noteflag-clean"}});
    for (QAction* a : m_tbrNote->actions()) {
        if (a->data().toString() == QLatin1String("NoteFlag"))
            m_NoteFlag = a;
        else if (a->data().toString() == QLatin1String("PreviousNote"))
            m_PreviousNote = a;
        else if (a->data().toString() == QLatin1String("NextNote"))
            m_NextNote = a;
    }
}

void MainCommands::RunToolbarTag(const QString& tag) {
    static const QHash<QString, QString> kMenuFor = {
        {"Save", "mnuSave"},   {"Cut", "mnuCut"},     {"Copy", "mnuCopy"},
        {"Paste", "mnuPaste"}, {"Print", "mnuPrint"}, {"Find", "mnuFind"},
        {"Import", "mnuImport"}, {"Inserts", "mnuEditInserts"}, {"NoteFlag", "mnuNoteManager"},
    };
    if (tag == QLatin1String("PreviousNote"))
        m_Window.PreviousNote();
    else if (tag == QLatin1String("NextNote"))
        m_Window.NextNote();
    else if (tag == QLatin1String("AddNote"))
        m_Window.AddNote();
    else if (QAction* a = Action(kMenuFor.value(tag)))
        a->trigger();
}

void MainCommands::SetDialogHandler(const QString& command, std::function<void()> handler) {
    m_DialogHandlers.insert(command, std::move(handler));
}

void MainCommands::RunDialog(const QString& command) {
    if (auto handler = m_DialogHandlers.value(command)) {
        handler();
        return;
    }
    QString caption = command;
    for (const DialogCommand& c : kDialogCommands)
        if (command == QLatin1String(c.id))
            caption = QString::fromLatin1(c.caption);
    m_Window.Context().services.messageBox(
        caption + QStringLiteral(" is not available in this version of Quillary yet."), kAppTitle,
        MsgButtons::Ok, MsgIcon::Information);
}

void MainCommands::SetNoteFlag(bool dirty) {
    if (m_NoteFlag)
        m_NoteFlag->setIcon(Icon(dirty ? "noteflag-dirty" : "noteflag-clean"));
}

void MainCommands::SetNoteButtons(bool previousEnabled, bool nextEnabled) {
    if (m_PreviousNote)
        m_PreviousNote->setEnabled(previousEnabled);
    if (m_NextNote)
        m_NextNote->setEnabled(nextEnabled);
}

QWidget* MainCommands::ActiveControl() const {
    QWidget* focus = QApplication::focusWidget();
    // The picture editor's inner widgets count as the editor.
    for (QWidget* w = focus; w; w = w->parentWidget())
        if (qobject_cast<ctlDrawBox*>(w))
            return w;
    // A combo box's popup list belongs to its combo box.
    for (QWidget* w = focus; w; w = w->parentWidget())
        if (qobject_cast<QComboBox*>(w))
            return w;
    return focus;
}

void MainCommands::Copy() {
    PlatformServices& services = m_Window.Context().services;
    QWidget* control = ActiveControl();
    services.clearClipboard();
    if (auto* text = qobject_cast<QPlainTextEdit*>(control)) {
        QString selected = text->textCursor().selectedText();
        selected.replace(QChar::ParagraphSeparator, QChar('\n'));
        services.setClipboardText(selected);
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        services.setClipboardText(line->selectedText());
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        services.setClipboardText(combo->currentText());
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        if (list->currentItem())
            services.setClipboardText(list->currentItem()->text());
    } else if (auto* draw = qobject_cast<ctlDrawBox*>(control)) {
        draw->CopyPicture();
    }
}

void MainCommands::Paste() {
    PlatformServices& services = m_Window.Context().services;
    QWidget* control = ActiveControl();
    if (auto* text = qobject_cast<QPlainTextEdit*>(control)) {
        // One edit block, so that what the note cannot hold is cut within the same undo step.
        QTextCursor cursor = text->textCursor();
        cursor.beginEditBlock();
        cursor.insertText(services.clipboardText());
        cursor.endEditBlock();
    } else if (auto* line = qobject_cast<QLineEdit*>(control))
        line->insert(services.clipboardText());
    else if (auto* draw = qobject_cast<ctlDrawBox*>(control))
        draw->PastePicture();
}

void MainCommands::Clear() {
    QWidget* control = ActiveControl();
    if (auto* text = qobject_cast<QPlainTextEdit*>(control)) {
        QTextCursor cursor = text->textCursor();
        cursor.removeSelectedText();
        text->setTextCursor(cursor);
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        line->del();
    } else if (auto* draw = qobject_cast<ctlDrawBox*>(control)) {
        draw->ClearSelection();
    }
}

void MainCommands::SelectAll() {
    QWidget* control = ActiveControl();
    if (auto* text = qobject_cast<QPlainTextEdit*>(control))
        text->selectAll();
    else if (auto* line = qobject_cast<QLineEdit*>(control))
        line->selectAll();
    else if (auto* draw = qobject_cast<ctlDrawBox*>(control))
        draw->SelectAll();
}

void MainCommands::Cut() {
    QWidget* control = ActiveControl();
    Copy();
    if (!qobject_cast<QComboBox*>(control) && !qobject_cast<QListWidget*>(control))
        Clear();
}

void MainCommands::Undo() {
    QWidget* control = ActiveControl();
    if (auto* text = qobject_cast<QPlainTextEdit*>(control))
        text->undo();
    else if (auto* line = qobject_cast<QLineEdit*>(control))
        line->undo();
    else if (auto* draw = qobject_cast<ctlDrawBox*>(control))
        draw->Undo();
    UpdateUndoActions();
}

void MainCommands::Redo() {
    QWidget* control = ActiveControl();
    if (auto* text = qobject_cast<QPlainTextEdit*>(control))
        text->redo();
    else if (auto* line = qobject_cast<QLineEdit*>(control))
        line->redo();
    else if (auto* draw = qobject_cast<ctlDrawBox*>(control))
        draw->Redo();
    UpdateUndoActions();
}

void MainCommands::UpdateUndoActions() {
    QAction* undo = Action(QStringLiteral("mnuUndo"));
    QAction* redo = Action(QStringLiteral("mnuRedo"));
    if (!undo || !redo)
        return;
    bool canUndo = false;
    bool canRedo = false;
    QWidget* control = ActiveControl();
    if (auto* text = qobject_cast<QPlainTextEdit*>(control)) {
        canUndo = !text->isReadOnly() && text->document()->isUndoAvailable();
        canRedo = !text->isReadOnly() && text->document()->isRedoAvailable();
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        canUndo = line->isUndoAvailable();
        canRedo = line->isRedoAvailable();
    } else if (auto* draw = qobject_cast<ctlDrawBox*>(control)) {
        canUndo = draw->CanUndo();
        canRedo = draw->CanRedo();
    }
    undo->setEnabled(canUndo);
    redo->setEnabled(canRedo);
}

} // namespace quillary
