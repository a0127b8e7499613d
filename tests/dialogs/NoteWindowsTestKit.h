// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "../mainwindow/MainWindowFixture.h"
#include "dialogs/NoteManagementWindows.h"
#include "mainwindow/MainCommands.h"
#include "storage/clsDatabase.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

namespace quillary::test {

// One note of a test database: its text and category index.
struct TestNote {
    std::string text;
    int category = 0;
};

// Writes the user Ann's notes file (categories Unfiled, Business, Personal plus `extra`),
// starts the real main window on it and hands it the note management windows.
inline frmMain& StartWithNotes(MainWindowFixture& f, const std::vector<TestNote>& notes,
                               const std::vector<std::string>& extra = {}) {
    f.WriteUsers({{7, "Ann", "ann"}});
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string("title - "); };
    db.AddNewDatabase();
    for (const std::string& name : extra) {
        std::string generated;
        const int count = db.AddCategory(generated);
        db.RenameCategory(count - 1, name);
    }
    for (size_t i = 0; i < notes.size(); ++i) {
        db.AddNewRecord(int(i));
        db.GetRecordObject(int(i))->SetText(notes[i].text);
        db.SetCategoryIndex(int(i), notes[i].category);
    }
    db.SetFileName(f.UserFile("ann", "Ann").toStdString());
    db.SaveDatabase();
    frmMain& w = f.Start();
    RegisterNoteManagementWindows(w);
    return w;
}

inline std::vector<TestNote> Notes(const std::vector<std::string>& texts) {
    std::vector<TestNote> notes;
    for (const std::string& t : texts)
        notes.push_back({t, 0});
    return notes;
}

// Runs a menu command by the objectName of its action.
inline void Trigger(frmMain& w, const char* action) {
    QAction* a = w.Commands().Action(QString::fromLatin1(action));
    QVERIFY2(a && a->isEnabled(), action);
    a->trigger();
}

inline void ClickButton(QWidget* button) {
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

// Clicks row `row` of an item view, with modifiers.
inline void ClickRow(QAbstractItemView* view, int row, Qt::KeyboardModifiers mods = {}) {
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, view->visualRect(index).center());
}

// Types text one character at a time, each as a key press carrying it (a character
// outside the BMP arrives whole, as an input method sends it).
inline void TypeCharacters(QWidget* widget, const QString& text) {
    for (const uint cp : text.toUcs4()) {
        const char32_t c = char32_t(cp);
        const QString one = QString::fromUcs4(&c, 1);
        if (cp < 0x80) {
            QTest::keyClicks(widget, one);
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, one);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, one);
        QApplication::sendEvent(widget, &release);
    }
}

// The stored texts of the database, in record order.
inline std::vector<std::string> Texts(const clsDatabase& db) {
    std::vector<std::string> texts;
    for (int i = 0; i < db.GetNumRecords(); ++i)
        texts.push_back(db.GetRecordObject(i)->RawText());
    return texts;
}

inline std::vector<std::string> Labels(const clsDatabase& db) {
    std::vector<std::string> labels;
    db.GetCategoryList(labels);
    return labels;
}

} // namespace quillary::test
