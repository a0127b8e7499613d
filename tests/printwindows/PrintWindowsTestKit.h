// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared by the printing window tests: a main window over notes with pictures, the print
// windows registered on it, and helpers that drive those windows with real events.
#include "../mainwindow/MainWindowFixture.h"

#include "mainwindow/MainCommands.h"
#include "printwindows/PrintWindows.h"
#include "printwindows/PrintWindowsHost.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

namespace quillary::test {

// A picture with a filled square whose size depends on the note, so pages differ.
inline clsBitmap NotePicture(int note) {
    clsBitmap b;
    b.InitializeBitmap(160, 160, 1);
    const int side = 40 + (note * 17) % 100;
    for (int y = 10; y < 10 + side; ++y)
        for (int x = 10; x < 10 + side; ++x)
            b.SetPixel(x, y, (x + y) % 3 != 0);
    return b;
}

// Notes "Note 1" ... "Note n" (a second line each), each with a picture.
inline void WritePictureDatabase(const QString& path, int notes) {
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string("note"); };
    db.AddNewDatabase();
    for (int i = 0; i < notes; ++i) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->SetText("Note " + std::to_string(i + 1) + "\nsecond line of note " +
                                       std::to_string(i + 1));
        db.GetRecordObject(i)->SetBitmap(NotePicture(i));
    }
    db.SetFileName(path.toStdString());
    db.SaveDatabase();
}

// The most notes a file holds, "Note 1" ... "Note 32767", each with a second line and an
// 8 x 8 picture of its own (a diagonal that moves along): big in count, small on disk.
constexpr int kMostNotes = 32767;
inline void WriteMostNotesDatabase(const QString& path) {
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string("note"); };
    db.AddNewDatabase();
    for (int i = 0; i < kMostNotes; ++i) {
        db.AddNewRecord(i);
        clsQuillaryItem* note = db.GetRecordObject(i);
        note->SetText("Note " + std::to_string(i + 1) + "\nsecond line of note " +
                      std::to_string(i + 1));
        clsBitmap picture;
        picture.InitializeBitmap(8, 8, 1);
        for (int p = 0; p < 8; ++p)
            picture.SetPixel((i + p) % 8, p, true);
        note->SetBitmap(picture);
    }
    db.SetFileName(path.toStdString());
    db.SaveDatabase();
}

class PrintFixture : public MainWindowFixture {
public:
    // A user "Ann" with `notes` notes; the window started with the print windows on it
    // and its printer writing a PDF into the fixture's folder.
    frmMain& StartWithNotes(int notes) {
        WriteUsers({{7, "Ann", "ann"}});
        WritePictureDatabase(UserFile("ann", "Ann"), notes);
        frmMain& w = Start();
        RegisterPrintWindows(w);
        QPrinter& printer = Host().Printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(PdfPath());
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setPageOrientation(QPageLayout::Portrait);
        return w;
    }
    PrintWindowsHost& Host() {
        auto* host = Window().findChild<PrintWindowsHost*>();
        Q_ASSERT(host);
        return *host;
    }
    QString PdfPath() const { return Root() + QStringLiteral("/printed.pdf"); }
    // The person presses Print in the next print dialog (on the windows' own printer).
    void AnswerPrintDialog() {
        services.printDialogAnswers.enqueue(
            [this](QPrinter* printer) { return printer == &Host().Printer(); });
    }
    // Queues a script for the next window shown through the platform services.
    void Then(std::function<void(QDialog&)> script) {
        services.dialogScripts.enqueue(std::move(script));
    }
};

template <typename T> T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qWarning("no child %s", name);
    return child;
}

inline void Click(QDialog& dialog, const char* button) {
    QPushButton* b = Child<QPushButton>(dialog, button);
    QVERIFY(b);
    QVERIFY(b->isEnabled());
    QTest::mouseClick(b, Qt::LeftButton);
}

// Replaces a box's text as a person would: focus, select all, type.
inline void TypeInto(QLineEdit* box, const QString& text) {
    QVERIFY(box);
    box->setFocus();
    QApplication::processEvents();
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
}

// Leaves a box by moving the focus on (its editingFinished runs).
inline void Leave(QLineEdit* box) {
    QTest::keyClick(box, Qt::Key_Tab);
    QApplication::processEvents();
}

} // namespace quillary::test

namespace quillary::test {

// Makes a window just shown the active one, so focus and keys go where a person's would.
inline void Activate(QWidget& window) {
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

} // namespace quillary::test
