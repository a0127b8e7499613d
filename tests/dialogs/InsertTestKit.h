// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers for the insert database and import window tests: a real main window for the
// user Ann with the windows registered, and insert database files written and read back.

#include "dialogs/InsertWindows.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/MainWindowFixture.h"
#include "storage/clsInsertDatabase.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <string>
#include <utility>
#include <vector>

namespace quillary::test {

using Inserts = std::vector<std::pair<std::string, std::string>>; // title, text (LF)

inline frmMain& StartAnn(MainWindowFixture& f, const std::vector<std::string>& notes = {"one"}) {
    f.WriteUsers({{7, "Ann", "ann"}});
    MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), notes);
    frmMain& w = f.Start();
    RegisterInsertWindows(w);
    return w;
}

inline QString InsertFolder(MainWindowFixture& f) {
    return f.DesktopDir() + QStringLiteral("/ann/QLInsertPDB");
}

inline QString InsertFile(MainWindowFixture& f, const QString& name) {
    return InsertFolder(f) + '/' + name + QStringLiteral(".pdb");
}

inline void WriteInsertDb(const QString& path, const std::string& name, const Inserts& inserts,
                          const char* type = "Inst") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    clsInsertDatabase db;
    db.AddNewDatabase();
    db.m_PalmFileName = name;
    for (size_t i = 0; i < inserts.size(); ++i) {
        db.AddNewRecord(int(i));
        db.GetRecordObject(int(i))->Title = inserts[i].first;
        db.GetRecordObject(int(i))->SetText(inserts[i].second);
        db.GetRecordObject(int(i))->UniqueID = uint32_t(0x100 + i);
    }
    std::vector<uint8_t> bytes = db.GetDatabaseBytes();
    std::copy(type, type + 4, bytes.begin() + 60); // the header's type field
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline Inserts ReadInserts(const QString& path, std::string* name = nullptr) {
    clsInsertDatabase db;
    db.SetFileName(path.toStdString());
    std::string error;
    if (!db.OpenDatabase({}, &error))
        qWarning("%s", error.c_str());
    Inserts out;
    for (int i = 0; i < db.GetNumRecords(); ++i)
        out.emplace_back(db.GetRecordObject(i)->Title, db.GetRecordObject(i)->RawText());
    if (name)
        *name = db.m_PalmFileName;
    return out;
}

template <class T = QWidget> T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qWarning("no child %s in %s", name, qPrintable(parent.objectName()));
    return child;
}

inline void Click(QWidget& dialog, const char* button) {
    auto* b = Child<QPushButton>(dialog, button);
    QVERIFY(b);
    QVERIFY2(b->isEnabled(), button);
    QTest::mouseClick(b, Qt::LeftButton);
}

// Types text key by key; characters outside ASCII arrive as key events carrying their text,
// as from a keyboard layout that has them.
inline void TypeText(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80) {
            QTest::keyClick(widget, char(ch.unicode()));
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

// Replaces a line edit's text by typing, as a person would.
inline void TypeInto(QWidget& dialog, const char* edit, const QString& text) {
    auto* e = Child<QLineEdit>(dialog, edit);
    QVERIFY(e);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    TypeText(e, text);
}

inline void Trigger(frmMain& w, const char* action) {
    QAction* a = w.Commands().Action(QString::fromLatin1(action));
    QVERIFY(a);
    QVERIFY(a->isEnabled());
    a->trigger();
}

} // namespace quillary::test
