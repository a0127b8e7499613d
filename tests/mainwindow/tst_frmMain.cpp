// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainWindowFixture.h"

#include "draw/ctlDrawBox.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/MainStatusBar.h"
#include "session/NotesSession.h"
#include "storage/PdbFormat.h"
#include "storage/VersionStore.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

using namespace quillary;
using namespace quillary::test;

namespace {

void Trigger(frmMain& w, const char* name) {
    QAction* action = w.Commands().Action(QString::fromLatin1(name));
    QVERIFY2(action, name);
    QVERIFY(action->isEnabled());
    action->trigger();
}

// Two users with a database each: Ann (3 notes) and Bob (2 notes).
void TwoUsers(MainWindowFixture& f) {
    f.WriteUsers({{101, "Ann", "ann"}, {202, "Bob", "bob"}});
    MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"),
                                     {"ann one", "ann two\nline", "ann three"});
    MainWindowFixture::WriteDatabase(f.UserFile("bob", "Bob"), {"bob one", "bob two"});
}

std::vector<uint8_t> PictureBytes(const clsDatabase& db, int index) {
    std::vector<uint8_t> bytes;
    db.GetRecordObject(index)->GetBitmapData(bytes);
    return bytes;
}

QString NoteText(const QString& path, int index) {
    auto db = MainWindowFixture::ReadDatabase(path);
    const clsQuillaryItem* note = db->GetRecordObject(index);
    return note ? QString::fromStdString(note->RawText()) : QString("<missing>");
}

} // namespace

class tst_frmMain : public QObject {
    Q_OBJECT

public:
    // New notes are titled in the system's date format: the C locale's, wherever this runs.
    static void initMain() { qputenv("LC_ALL", "C.UTF-8"); }

private slots:
    void firstStartWithoutSettingsOrUsers() {
        MainWindowFixture f;
        frmMain& w = f.Start();
        QCOMPARE(w.UserSelector()->count(), 1);
        QCOMPARE(w.UserSelector()->itemText(0), QString(" tester"));
        const QString path = f.DesktopDir() + "/tester/QLtester.pdb";
        QVERIFY(!QFileInfo::exists(path)); // written on the first save only
        QCOMPARE(w.NoteSelector()->count(), 1);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("14 mar 2026 4:07 pm - "));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
        QVERIFY(!w.windowIcon().pixmap(32).isNull()); // the window brings its own icon
        // The first typing goes into the new note, after its title.
        QCOMPARE(w.focusWidget(), w.TextEditor());
        QVERIFY(w.TextEditor()->textCursor().atEnd());
        QCOMPARE(w.CurrentNoteIndex(), 0);
        QCOMPARE(w.StatusPanelTexts().at(4), QString("New Record"));
        QVERIFY(f.services.messages.isEmpty());

        Trigger(w, "mnuSave");
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(MainWindowFixture::ReadDatabase(path)->GetNumRecords(), 1);
        QCOMPARE(f.Settings().GetSetting("Recent File0"), path);
        QVERIFY(w.Commands().Action("mnuRecentFile0")->isVisible());
    }

    void userSwitchAsksAboutUnsavedChanges_data() {
        QTest::addColumn<MsgResult>("answer");
        QTest::addColumn<bool>("switched");
        QTest::addColumn<bool>("saved");
        QTest::newRow("yes") << MsgResult::Yes << true << true;
        QTest::newRow("no") << MsgResult::No << true << false;
        QTest::newRow("cancel") << MsgResult::Cancel << false << false;
    }
    void userSwitchAsksAboutUnsavedChanges() {
        QFETCH(MsgResult, answer);
        QFETCH(bool, switched);
        QFETCH(bool, saved);
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QCOMPARE(w.CurrentUserIndex(), 0);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));
        QTest::keyClicks(w.TextEditor(), "!");
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));

        f.services.messageAnswers << answer;
        QTest::keyClick(w.UserSelector(), Qt::Key_Down);

        QCOMPARE(f.services.messages.size(), 1);
        QCOMPARE(
            f.services.messages.first().text,
            QString("Do you want to save your changes for user \rAnn for the current session?"));
        QCOMPARE(f.services.messages.first().buttons, MsgButtons::YesNoCancel);
        QCOMPARE(NoteText(f.UserFile("ann", "Ann"), 0), saved ? "ann one!" : "ann one");
        if (switched) {
            QCOMPARE(w.CurrentUserIndex(), 1);
            QCOMPARE(w.UserSelector()->currentIndex(), 1);
            QCOMPARE(w.TextEditor()->toPlainText(), QString("bob one"));
            QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
            QCOMPARE(f.Settings().GetSetting("Default User ID"), QString("202"));
        } else {
            QCOMPARE(w.CurrentUserIndex(), 0);
            QCOMPARE(w.UserSelector()->currentIndex(), 0);
            QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one!"));
            QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        }
    }

    void switchingUsersWithoutChangesAsksNothing() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QTest::keyClick(w.UserSelector(), Qt::Key_Down);
        QTest::keyClick(w.UserSelector(), Qt::Key_Up);
        QVERIFY(f.services.messages.isEmpty());
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));
    }

    void editDrawAddRemoveSaveAndRefresh() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        const QString ann = f.UserFile("ann", "Ann");

        // Typing marks the database at the first keystroke and renames the entry live.
        QTest::keyClick(w.TextEditor(), Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClicks(w.TextEditor(), "New first");
        QTest::keyClick(w.TextEditor(), Qt::Key_Return);
        QCOMPARE(w.NoteSelector()->itemText(0), QString("New first"));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));

        // Drawing marks the note and the database.
        w.NextNote();
        QCOMPARE(w.CurrentNoteIndex(), 1);
        f.DrawDot(QPoint(20, 30));
        QVERIFY(w.PictureEditor()->DirtyFlag());
        Trigger(w, "mnuSave");
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
        {
            auto db = MainWindowFixture::ReadDatabase(ann);
            QCOMPARE(QString::fromStdString(db->GetRecordObject(0)->RawText()),
                     QString("New first\nann one"));
            QVERIFY(db->GetRecordObject(0)->DirtyFlag());
            clsBitmap picture;
            QVERIFY(db->GetRecordObject(1)->GetBitmap(picture));
            QVERIFY(picture.GetPixel(20, 30));
            QVERIFY(!picture.GetPixel(200, 200));
            QVERIFY(db->GetRecordObject(1)->DirtyFlag());
            QVERIFY(!db->GetRecordObject(2)->DirtyFlag());
        }

        // A new note goes first and is selected.
        Trigger(w, "mnuAddRecord");
        QCOMPARE(w.NoteSelector()->count(), 4);
        QCOMPARE(w.CurrentNoteIndex(), 0);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("14 mar 2026 4:07 pm - "));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));

        // Removing asks; No keeps the note.
        f.services.messageAnswers << MsgResult::No;
        w.RemoveNote();
        QCOMPARE(w.NoteSelector()->count(), 4);
        // Removing the last note selects the new last one.
        w.NoteSelector()->setCurrentIndex(3);
        f.services.messageAnswers << MsgResult::Yes;
        w.RemoveNote();
        QCOMPARE(w.NoteSelector()->count(), 3);
        QCOMPARE(w.CurrentNoteIndex(), 2);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann two\nline"));

        // Refresh rereads the file without asking: the new note is gone again.
        const int asked = f.services.messages.size();
        Trigger(w, "mnuRefresh");
        QCOMPARE(f.services.messages.size(), asked);
        QCOMPARE(w.NoteSelector()->count(), 3);
        QCOMPARE(w.NoteSelector()->itemText(0), QString("New first"));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
    }

    // Thousands of notes: reading and saving in the window show their progress and
    // write exactly what the storage writes, untouched notes byte for byte.
    void thousandsOfNotesOpenAndSaveExactlyWithProgress() {
        MainWindowFixture f;
        f.WriteUsers({{1, "Many", "many"}});
        const QString path = f.UserFile("many", "Many");
        {
            clsDatabase db;
            db.AddNewDatabase();
            for (int i = 0; i < 5000; ++i) {
                db.AddNewRecord(i);
                clsQuillaryItem* note = db.GetRecordObject(i);
                note->SetText("note " + std::to_string(i) + "\nline two");
                clsBitmap picture;
                picture.InitializeBitmap(160, 120, 1);
                for (int x = 0; x < 160; x += 1 + i % 7)
                    picture.SetPixel(x, (x * (i + 3)) % 120, true);
                QVERIFY(note->SetBitmap(picture));
            }
            db.SetFileName(path.toStdString());
            QVERIFY(db.SaveDatabase());
        }
        frmMain& w = f.Start();
        QCOMPARE(w.NoteSelector()->count(), 5000);

        QList<int> shown; // values set while the bar was visible
        QObject::connect(w.ProgressBar(), &QProgressBar::valueChanged, &w, [&](int value) {
            if (w.ProgressBar()->isVisible())
                shown << value;
        });
        Trigger(w, "mnuRefresh");
        QCOMPARE(w.NoteSelector()->count(), 5000);
        QVERIFY2(shown.size() >= 10 && shown.last() == 1000,
                 qPrintable(QString::number(shown.size())));
        QVERIFY(w.ProgressBar()->isHidden());

        w.TextEditor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.TextEditor(), "!");
        shown.clear();
        Trigger(w, "mnuSave");
        QVERIFY2(shown.size() >= 10 && shown.last() == 1000,
                 qPrintable(QString::number(shown.size())));
        QVERIFY(w.ProgressBar()->isHidden());

        auto saved = MainWindowFixture::ReadDatabase(path);
        QCOMPARE(saved->GetNumRecords(), 5000);
        QCOMPARE(QString::fromStdString(saved->GetRecordObject(0)->RawText()),
                 QString("note 0\nline two!"));
        QVERIFY(saved->GetRecordObject(0)->DirtyFlag());
        // Every other note as it was written.
        const std::vector<VersionInfo> versions = VersionStore(path.toStdString()).List();
        QCOMPARE(versions.size(), size_t(1));
        std::vector<uint8_t> before;
        QVERIFY(VersionStore(path.toStdString()).Read(versions[0], before, nullptr));
        clsDatabase original;
        QVERIFY(original.LoadDatabaseBytes(before.data(), before.size(), "before"));
        original.GetRecordObject(0)->SetText("note 0\nline two!");
        original.GetRecordObject(0)->SetDirtyFlag(true);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const std::vector<uint8_t> want = original.GetDatabaseBytes();
        QCOMPARE(bytes,
                 QByteArray(reinterpret_cast<const char*>(want.data()), qsizetype(want.size())));
    }

    // A read or save reports a value for every per cent; drawing the bar each time cost as
    // much as the reading. The values still change the bar, which is drawn only when the
    // reporter says (once the job has taken a while, then every few dozen ms).
    void progressValuesDoNotRedrawTheBarEachTime() {
        MainWindowFixture f;
        f.WriteUsers({{1, "Solo", "solo"}});
        frmMain& w = f.Start();
        struct PaintCounter : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                paints += event->type() == QEvent::Paint;
                return false;
            }
        } counter;
        w.ProgressBar()->installEventFilter(&counter);
        SessionView* view = w.Session().View();
        view->ShowProgress(true);
        QSignalSpy values(w.ProgressBar(), &QProgressBar::valueChanged);
        const std::function<void(int)> report = view->ProgressReporter();
        for (int value = 10; value <= 1000; value += 10)
            report(value);
        QCOMPARE(w.ProgressBar()->value(), 1000);
        view->ShowProgress(false);
        QCOMPARE(values.size(), 100);
        // Drawn each time, it was 100 paints; a busy machine may let the first drawing in.
        QVERIFY2(counter.paints <= 3, qPrintable(QString::number(counter.paints)));

        // Shown for another job (printing), the bar is drawn when that job repaints it.
        w.ShowProgressBar(true);
        counter.paints = 0;
        w.ProgressBar()->setValue(500);
        w.ProgressBar()->repaint();
        QVERIFY(counter.paints >= 1);
        w.ShowProgressBar(false);
        QVERIFY(w.ProgressBar()->isHidden());
        QVERIFY(w.ProgressBar()->updatesEnabled());
    }

    // Saving the most notes a file holds moves the bar while the new file is written: each
    // value comes with more of the file on the disk, and the bar ends full.
    void longSaveMovesTheProgressBarAsTheFileIsWritten() {
        MainWindowFixture f;
        f.WriteUsers({{1, "Most", "most"}});
        const QString path = f.UserFile("most", "Most");
        {
            clsDatabase db;
            db.AddNewDatabase();
            clsBitmap picture;
            picture.InitializeBitmap(8, 8, 1);
            picture.SetPixel(3, 4, true);
            std::vector<uint8_t> encoded;
            picture.GetPalmBitmap(encoded);
            for (int i = 0; i < kPdbMaxRecords; ++i) {
                QVERIFY(db.AddNewRecord(i));
                db.GetRecordObject(i)->SetText("note " + std::to_string(i));
                QVERIFY(db.GetRecordObject(i)->SetBitmapData(encoded));
            }
            db.SetFileName(path.toStdString());
            QVERIFY(db.SaveDatabase());
        }
        frmMain& w = f.Start();
        QCOMPARE(w.NoteSelector()->count(), kPdbMaxRecords);

        const QDir folder = QFileInfo(path).dir();
        const QStringList newFile{QLatin1Char('.') + QFileInfo(path).fileName() +
                                  QStringLiteral(".*.tmp")};
        struct Step {
            int value;
            qint64 written; // bytes of the new file then; -1 when there was none
        };
        QList<Step> steps;
        QObject::connect(w.ProgressBar(), &QProgressBar::valueChanged, &w, [&](int value) {
            if (!w.ProgressBar()->isVisible())
                return;
            qint64 written = -1;
            for (const QFileInfo& info :
                 folder.entryInfoList(newFile, QDir::Files | QDir::Hidden | QDir::System))
                written = info.size();
            steps << Step{value, written};
        });
        w.TextEditor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.TextEditor(), "!");
        Trigger(w, "mnuSave");
        QVERIFY(w.ProgressBar()->isHidden());

        QVERIFY2(steps.size() >= 2, qPrintable(QString::number(steps.size())));
        QCOMPARE(steps.last().value, 1000);
        for (qsizetype i = 0; i < steps.size(); ++i) {
            QVERIFY2(steps[i].written > 0, qPrintable(QString::number(steps[i].value)));
            if (i > 0) {
                QVERIFY(steps[i].value > steps[i - 1].value);
                QVERIFY(steps[i].written >= steps[i - 1].written);
            }
        }
        QVERIFY(steps.first().written < steps.last().written);

        auto saved = MainWindowFixture::ReadDatabase(path);
        QCOMPARE(saved->GetNumRecords(), kPdbMaxRecords);
        QCOMPARE(QString::fromStdString(saved->GetRecordObject(0)->RawText()),
                 QString("note 0!"));
    }

    // The notes file is read once when it is opened or read again, and not at all when it
    // is saved: the watch on the file, the version kept and the report of what changed use
    // what that one read or write saw. Counted in the bytes the process read (/proc/self/io).
    void theNotesFileIsReadOnceOnOpenAndRereadAndNeverOnSave() {
        QFile io(QStringLiteral("/proc/self/io"));
        if (!io.exists())
            QSKIP("the system does not count the bytes a process reads");
        const auto bytesRead = [] {
            QFile counts(QStringLiteral("/proc/self/io"));
            if (!counts.open(QIODevice::ReadOnly))
                return qint64(-1);
            for (const QByteArray& line : counts.readAll().split('\n'))
                if (line.startsWith("rchar:"))
                    return line.mid(6).trimmed().toLongLong();
            return qint64(-1);
        };
        MainWindowFixture f;
        f.WriteUsers({{1, "Ann", "ann"}});
        const QString path = f.UserFile("ann", "Ann");
        // Pictures that do not compress, so the file is large next to anything else read.
        clsBitmap noise;
        noise.InitializeBitmap(480, 480, 1);
        QRandomGenerator random(7);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 480; ++x)
                noise.SetPixel(x, y, random.bounded(2) == 1);
        std::vector<uint8_t> picture;
        noise.GetPalmBitmap(picture);
        const auto writeFile = [&](const std::string& firstText) {
            clsDatabase db;
            db.AddNewDatabase();
            for (int i = 0; i < 300; ++i) {
                QVERIFY(db.AddNewRecord(i));
                db.GetRecordObject(i)->SetText(i == 0 ? firstText : "note " + std::to_string(i));
                QVERIFY(db.GetRecordObject(i)->SetBitmapData(picture));
            }
            db.SetFileName(path.toStdString());
            db.m_VersionPolicy.keep = false; // another program, keeping nothing
            QVERIFY(db.SaveDatabase());
        };
        writeFile("first");
        const qint64 fileBytes = QFileInfo(path).size();
        QVERIFY(fileBytes > 8'000'000);
        frmMain& w = f.Start();
        QCOMPARE(w.TextEditor()->toPlainText(), QString("first"));

        // "" when act read the file fileReads times; what else is read (settings, headers, the
        // versions' list) is small next to the file, one more read of the file as large as it.
        const auto reads = [&](const char* name, const std::function<void()>& act,
                               int fileReads) {
            const qint64 before = bytesRead();
            act();
            const qint64 read = bytesRead() - before;
            const qint64 once = fileBytes * fileReads;
            if (read >= once && read < once + fileBytes / 2)
                return QString();
            return QStringLiteral("%1: %2 bytes read, the file has %3")
                .arg(QLatin1String(name))
                .arg(read)
                .arg(fileBytes);
        };
        writeFile("changed elsewhere");
        QString wrong = reads("reread after another program's change",
                              [&] { w.ReloadCurrentUser(); }, 1);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QCOMPARE(w.TextEditor()->toPlainText(), QString("changed elsewhere"));
        wrong = reads("refresh", [&] { Trigger(w, "mnuRefresh"); }, 1);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        w.TextEditor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.TextEditor(), "!");
        wrong = reads("save", [&] { Trigger(w, "mnuSave"); }, 0);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        // The notes shown before the reread, and the file the save replaced.
        QCOMPARE(VersionStore(path.toStdString()).List().size(), size_t(2));
        bool opened = false;
        wrong = reads("open", [&] { opened = w.Session().OpenFile(path); }, 1);
        QVERIFY(opened);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QCOMPARE(w.TextEditor()->toPlainText(), QString("changed elsewhere!"));
    }

    void lastNoteCannotBeRemoved() {
        MainWindowFixture f;
        f.WriteUsers({{1, "Solo", "solo"}});
        MainWindowFixture::WriteDatabase(f.UserFile("solo", "Solo"), {"only"});
        frmMain& w = f.Start();
        Trigger(w, "mnuRemoveRecord");
        QCOMPARE(f.services.messageTexts(), QStringList("Must have at least one note in database"));
        QCOMPARE(w.NoteSelector()->count(), 1);
    }

    void closingAndStartingAgainShowsTheSameNote() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QTest::keyClick(w.UserSelector(), Qt::Key_Down); // Bob
        w.NextNote();
        w.resize(700, 480);
        w.move(150, 120);
        f.Restart();
        frmMain& again = f.Window();
        QCOMPARE(again.CurrentUserIndex(), 1);
        QCOMPARE(again.CurrentNoteIndex(), 1);
        QCOMPARE(again.TextEditor()->toPlainText(), QString("bob two"));
        QCOMPARE(again.focusWidget(), again.TextEditor()); // a stored note takes the typing too
        QCOMPARE(again.size(), QSize(700, 480));
        QCOMPARE(f.Settings().GetSetting("Form Main Width"), QString::number(700 * 15));
    }

    void rememberedNoteIndexIsClamped_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("beyond") << "9" << 2;
        QTest::newRow("negative") << "-4" << 0;
        QTest::newRow("garbage") << "x" << 0;
    }
    void rememberedNoteIndexIsClamped() {
        QFETCH(QString, stored);
        QFETCH(int, shown);
        MainWindowFixture f;
        TwoUsers(f);
        f.WriteSetting("Default Record Index", stored);
        frmMain& w = f.Start();
        QCOMPARE(w.CurrentNoteIndex(), shown);
    }

    void closeWithUnsavedChangesAsks() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QTest::keyClicks(w.TextEditor(), "?");
        f.services.messageAnswers << MsgResult::Cancel;
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        f.services.messageAnswers << MsgResult::No;
        QVERIFY(w.close());
        QCOMPARE(NoteText(f.UserFile("ann", "Ann"), 0), QString("ann one"));
    }

    void corruptDatabaseLeavesTheWindowAsItWas() {
        MainWindowFixture f;
        TwoUsers(f);
        QFile bad(f.UserFile("bob", "Bob"));
        QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
        bad.write("this is not a notes database");
        bad.close();
        frmMain& w = f.Start();
        QTest::keyClick(w.UserSelector(), Qt::Key_Down);
        QCOMPARE(f.services.messages.size(), 1);
        QVERIFY(f.services.messages.first().text.contains("QLBob.pdb"));
        QCOMPARE(w.CurrentUserIndex(), 0);
        QCOMPARE(w.UserSelector()->currentIndex(), 0);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));
        QCOMPARE(QString::fromStdString(f.Database().GetFileName()), f.UserFile("ann", "Ann"));
        QCOMPARE(f.Settings().GetSetting("Default User ID"), QString("101"));
    }

    void rereadOfADamagedFileKeepsTheUserShown() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QFile bad(f.UserFile("ann", "Ann"));
        QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
        bad.write("garbage");
        bad.close();
        w.ReloadCurrentUser();
        QCOMPARE(f.services.messages.size(), 1);
        QCOMPARE(w.CurrentUserIndex(), 0);
        QCOMPARE(w.UserSelector()->currentIndex(), 0);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));
    }

    void failedSaveKeepsTheChanges() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QTest::keyClicks(w.TextEditor(), "#");
        // The user's folder vanishes: nothing can be written there.
        QVERIFY(QDir(f.DesktopDir() + "/ann").removeRecursively());
        QFile blocker(f.DesktopDir() + "/ann");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Trigger(w, "mnuSave");
        QCOMPARE(f.services.messages.size(), 1);
        QVERIFY(f.services.messages.first().text.contains("QLAnn.pdb"));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        QVERIFY(f.Database().m_FileDirtyFlag);
        // Yes to the prompt with a save that fails again must not discard anything.
        f.services.messageAnswers << MsgResult::Yes;
        QVERIFY(!w.close());
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one#"));
    }

    void textKeepsWithinWhatTheHandheldStores() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QPlainTextEdit* text = w.TextEditor();
        text->selectAll();
        text->insertPlainText(QString(2100, 'a'));
        QCOMPARE(text->toPlainText().size(), 1999);
        QVERIFY(w.statusBar()->currentMessage().contains("1999"));
        QTest::keyClicks(text, "b");
        QCOMPARE(text->toPlainText().size(), 1999);

        text->selectAll();
        text->insertPlainText(QString::fromUtf8("caf\u00e9 \u20ac \U0001F600 \u4e2d!"));
        QCOMPARE(text->toPlainText(), QString::fromUtf8("caf\u00e9 \u20ac  !"));
        QVERIFY(w.statusBar()->currentMessage().contains("U+4E2D") ||
                w.statusBar()->currentMessage().contains("U+1F600"));
        Trigger(w, "mnuSave");
        auto db = MainWindowFixture::ReadDatabase(f.UserFile("ann", "Ann"));
        QCOMPARE(db->GetRecordObject(0)->RawText(), std::string("caf\xe9 \x80  !"));
    }

    void recentFileThatFailsIsRemoved() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        const QString ann = f.UserFile("ann", "Ann");
        const QString bob = f.UserFile("bob", "Bob");
        QTest::keyClick(w.UserSelector(), Qt::Key_Down);
        QCOMPARE(f.Settings().GetSetting("Recent File0"), bob);
        QCOMPARE(f.Settings().GetSetting("Recent File1"), ann);
        // Opening Ann's file from the list while Bob stays the selected user.
        Trigger(w, "mnuRecentFile1");
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));
        QCOMPARE(w.UserSelector()->currentIndex(), 1);
        QCOMPARE(f.Settings().GetSetting("Recent File0"), ann);
        // A listed file that has gone is dropped from the list.
        QVERIFY(QFile::remove(bob));
        Trigger(w, "mnuRecentFile1");
        QCOMPARE(f.services.messages.size(), 1);
        QCOMPARE(f.Settings().GetSetting("Recent File0"), ann);
        QCOMPARE(f.Settings().GetSetting("Recent File1"), QString());
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));
        QCOMPARE(QString::fromStdString(f.Database().GetFileName()), ann);
    }

    void failedOpenAtStartOrRefreshKeepsAnOwner_data() {
        QTest::addColumn<bool>("atStart");
        QTest::newRow("start-up") << true;
        QTest::newRow("refresh") << false;
    }
    void failedOpenAtStartOrRefreshKeepsAnOwner() {
        QFETCH(bool, atStart);
        MainWindowFixture f;
        TwoUsers(f);
        const QString ann = f.UserFile("ann", "Ann");
        auto damage = [&] {
            QFile bad(ann);
            QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
            bad.write("damaged");
        };
        if (atStart)
            damage();
        frmMain& w = f.Start();
        if (atStart) {
            Trigger(w, "mnuAddRecord");
        } else {
            QTest::keyClicks(w.TextEditor(), "#");
            damage();
            Trigger(w, "mnuRefresh");
            QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one#"));
            QCOMPARE(QString::fromStdString(f.Database().GetFileName()), ann);
        }
        QCOMPARE(f.services.messages.size(), 1);
        QVERIFY(f.services.messages.first().text.contains("QLAnn.pdb"));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        QCOMPARE(w.CurrentUserIndex(), 0);
        QCOMPARE(w.UserSelector()->currentIndex(), 0);
        qint32 id = 0;
        QVERIFY(w.CurrentUserId(&id)); // what a HotSync is refused for while unsaved
        QCOMPARE(id, 101);

        // Choosing another user asks first; Cancel keeps everything.
        f.services.messageAnswers << MsgResult::Cancel;
        QTest::keyClick(w.UserSelector(), Qt::Key_Down);
        QCOMPARE(f.services.messages.size(), 2);
        QVERIFY(f.services.messages.last().text.contains("Ann"));
        QCOMPARE(w.UserSelector()->currentIndex(), 0);
        QVERIFY(f.Database().m_FileDirtyFlag);
        // Closing asks too.
        f.services.messageAnswers << MsgResult::Cancel;
        QVERIFY(!w.close());
        QCOMPARE(f.services.messages.size(), 3);
        f.services.messageAnswers << MsgResult::No;
        QVERIFY(w.close());
        QCOMPARE(QFile(ann).size(), qint64(7)); // the damaged file was not written over
    }

    void pictureTooLargeStaysUnsaved() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        // Noise does not compress: far more than a note can hold.
        QImage noise(800, 800, QImage::Format_Mono);
        auto* rng = QRandomGenerator::global();
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.bytesPerLine(); ++x)
                noise.scanLine(y)[x] = uchar(rng->generate());
        w.PictureEditor()->SetPicture(noise.convertToFormat(QImage::Format_RGB32));
        f.DrawDot(QPoint(20, 30));
        QVERIFY(w.PictureEditor()->DirtyFlag());
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));

        Trigger(w, "mnuSave");
        QCOMPARE(f.services.messages.size(), 1);
        QVERIFY(f.services.messages.first().text.contains("at most"));
        QVERIFY(w.PictureEditor()->DirtyFlag());
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        // A second save does not quietly drop it either.
        Trigger(w, "mnuSave");
        QCOMPARE(f.services.messages.size(), 2);
        QVERIFY(w.PictureEditor()->DirtyFlag());
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        // Nor does going to another note.
        QTest::keyClick(w.NoteSelector(), Qt::Key_Down);
        QCOMPARE(f.services.messages.size(), 3);
        QCOMPARE(w.CurrentNoteIndex(), 0);
        QCOMPARE(w.NoteSelector()->currentIndex(), 0);
        QVERIFY(w.PictureEditor()->DirtyFlag());
        // Closing with Yes cannot store it: the window stays; No discards knowingly.
        f.services.messageAnswers << MsgResult::Yes;
        QVERIFY(!w.close());
        f.services.messageAnswers << MsgResult::No;
        QVERIFY(w.close());
    }

    void unreadablePictureIsAnnouncedAndKeptUnlessReplaced() {
        MainWindowFixture f;
        TwoUsers(f);
        const QString ann = f.UserFile("ann", "Ann");
        {
            // Note 2's picture: a header whose rows cannot hold its width.
            auto db = MainWindowFixture::ReadDatabase(ann);
            std::vector<uint8_t> bad = {0, 64, 0, 2, 0, 2, 0, 0, 0, 0,
                                        0, 0,  0, 0, 0, 0, 0, 2, 0, 0};
            std::string error;
            QVERIFY(db->GetRecordObject(1)->SetBitmapData(bad, &error));
            QVERIFY(db->SaveDatabase({}, &error));
        }
        const QByteArray stored = [&] {
            QFile file(ann);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        frmMain& w = f.Start();
        QVERIFY(!w.PictureProblem()->isVisible());
        QTest::keyClick(w.NoteSelector(), Qt::Key_Down);
        QCOMPARE(w.CurrentNoteIndex(), 1);
        QVERIFY(w.PictureProblem()->isVisible());
        QVERIFY(w.PictureProblem()->text().contains("cannot be shown"));
        QTRY_VERIFY(w.statusBar()->currentMessage().contains("cannot be shown"));
        // A line over the picture, which moves down under it.
        const QRect line = w.PictureProblem()->geometry();
        const QRect picture = w.PictureEditor()->geometry();
        QVERIFY(line.height() > 0);
        QCOMPARE(line.bottom() + 1, picture.top());
        QCOMPARE(line.left(), picture.left());
        // Without a picture edit the bytes stay as read, even through a save.
        QTest::keyClicks(w.TextEditor(), "!");
        Trigger(w, "mnuSave");
        auto saved = MainWindowFixture::ReadDatabase(ann);
        QCOMPARE(saved->GetRecordObject(1)->RawText(), std::string("ann two\nline!"));
        auto original = std::make_unique<clsDatabase>();
        QVERIFY(original->LoadDatabaseBytes(reinterpret_cast<const uint8_t*>(stored.constData()),
                                            size_t(stored.size()), ann.toStdString(), {}, nullptr));
        QVERIFY(PictureBytes(*saved, 1) == PictureBytes(*original, 1));
        QVERIFY(f.services.messages.isEmpty());

        // The first drawing asks before it replaces them; No keeps them.
        f.DrawDot(QPoint(20, 30));
        f.services.messageAnswers << MsgResult::No;
        Trigger(w, "mnuSave");
        QCOMPARE(f.services.messages.size(), 1);
        QVERIFY(f.services.messages.first().text.contains("could not be read"));
        saved = MainWindowFixture::ReadDatabase(ann);
        QVERIFY(PictureBytes(*saved, 1) == PictureBytes(*original, 1));
        QVERIFY(!w.PictureEditor()->DirtyFlag());
        // Yes stores the drawing, and the warning goes.
        f.DrawDot(QPoint(20, 30));
        f.services.messageAnswers << MsgResult::Yes;
        Trigger(w, "mnuSave");
        QCOMPARE(f.services.messages.size(), 2);
        QVERIFY(!w.PictureProblem()->isVisible());
        saved = MainWindowFixture::ReadDatabase(ann);
        clsBitmap drawn;
        QVERIFY(saved->GetRecordObject(1)->GetBitmap(drawn));
        QVERIFY(drawn.GetPixel(20, 30));
    }

    void saveCreatesAMissingUserFolderAndHidesProgressOnFailure() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QTest::keyClicks(w.TextEditor(), "#");
        // Bob's folder is listed but missing, two levels deep.
        f.WriteUsers({{101, "Ann", "ann"}, {202, "Bob", "bob"}, {303, "Cy", "deep/cy"}});
        QVERIFY(QDir(f.DesktopDir() + "/deep").removeRecursively());
        Trigger(w, "mnuRefresh");
        QTest::keyClick(w.UserSelector(), Qt::Key_End);
        QCOMPARE(w.UserSelector()->currentText(), QString(" Cy"));
        QTest::keyClicks(w.TextEditor(), "cy");
        Trigger(w, "mnuSave");
        QVERIFY2(f.services.messages.isEmpty(), qPrintable(f.services.messages.value(0).text));
        QCOMPARE(NoteText(f.UserFile("deep/cy", "Cy"), 0).right(2), QString("cy"));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));

        // A save that fails shows its message without the progress bar over the status bar.
        QTest::keyClicks(w.TextEditor(), "!");
        QVERIFY(QDir(f.DesktopDir() + "/deep/cy").removeRecursively());
        QFile blocker(f.DesktopDir() + "/deep/cy");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        bool progressShown = true;
        f.services.onMessage = [&](const auto&) { progressShown = w.ProgressBar()->isVisible(); };
        Trigger(w, "mnuSave");
        QCOMPARE(f.services.messages.size(), 1);
        QVERIFY(!progressShown);
        QVERIFY(w.statusBar()->isVisible());
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        f.services.onMessage = nullptr;
        // Outside the desktop folder nothing is created.
        f.Database().SetFileName((f.Root() + "/elsewhere/notes.pdb").toStdString());
        Trigger(w, "mnuSave");
        QCOMPARE(f.services.messages.size(), 2);
        QVERIFY(!QFileInfo::exists(f.Root() + "/elsewhere"));
    }

    void undoTakesBackACutEditWhole_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("kept");
        QTest::newRow("past 1999 characters") << QString(2100, 'a') << QString(1999, 'a');
        QTest::newRow("outside Windows-1252")
            << QString::fromUtf8("x\u4e2d\u6587y") << QString("xy");
        QTest::newRow("both") << QString::fromUtf8("\u4e2d") + QString(2100, 'b')
                              << QString(1999, 'b');
    }
    // A paste the note cannot hold whole is cut within the same undo step: Undo brings
    // back what it replaced, Redo the cut paste.
    void undoTakesBackACutEditWhole() {
        QFETCH(QString, pasted);
        QFETCH(QString, kept);
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QPlainTextEdit* text = w.TextEditor();
        text->setFocus();
        QTest::keyClicks(text, "!");
        text->selectAll();
        f.services.clipText = pasted;
        Trigger(w, "mnuPaste");
        QCOMPARE(text->toPlainText(), kept);
        QTest::keySequence(text, QKeySequence::Undo);
        QCOMPARE(text->toPlainText(), QString("ann one!"));
        QVERIFY(text->document()->isRedoAvailable());
        QTest::keySequence(text, QKeySequence::Redo);
        QCOMPARE(text->toPlainText(), kept);
        QTest::keySequence(text, QKeySequence::Undo);
        QCOMPARE(text->toPlainText(), QString("ann one!"));
        QTest::keySequence(text, QKeySequence::Undo);
        QCOMPARE(text->toPlainText(), QString("ann one"));
    }

    void typingKeepsOutWhatTheNoteCannotHold() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QPlainTextEdit* text = w.TextEditor();
        text->setFocus();
        // What a keyboard layout or compose key delivers: key events carrying the text.
        for (const QString& typed : {QString("x"), QString::fromUtf8("\u4e2d"), QString("y")})
            QTest::sendKeyEvent(QTest::Click, text, Qt::Key_unknown, typed, Qt::NoModifier);
        QCOMPARE(text->toPlainText(), QString("ann onexy"));
        QVERIFY(w.statusBar()->currentMessage().contains("U+4E2D"));
        QTest::keySequence(text, QKeySequence::Undo);
        QCOMPARE(text->toPlainText(), QString("ann one"));
        text->selectAll();
        f.services.clipText = QString(1998, 'c');
        Trigger(w, "mnuPaste");
        QTest::keyClicks(text, "de");
        QCOMPARE(text->toPlainText(), QString(1998, 'c') + 'd');
        QVERIFY(w.statusBar()->currentMessage().contains("1999"));
        // A typed character that replaces a selection still fits.
        QTest::keyClick(text, Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClicks(text, "e");
        QCOMPARE(text->toPlainText(), QString(1998, 'c') + 'e');
    }

    void aMessageIsReadableAtAnyWindowWidth_data() {
        QTest::addColumn<int>("width");  // 0: the smallest the window goes
        QTest::addColumn<bool>("typed"); // a character the handheld cannot store, or a short one
        QTest::addColumn<bool>("wraps");
        QTest::addColumn<bool>("cut"); // no room to wrap in: the tool tip holds it
        QTest::newRow("narrow, long") << 600 << true << true << false;
        QTest::newRow("narrow, short") << 600 << false << false << false;
        QTest::newRow("wide, long") << 1600 << true << false << false;
        QTest::newRow("smallest, long") << 0 << true << false << true;
    }
    void aMessageIsReadableAtAnyWindowWidth() {
        QFETCH(int, width);
        QFETCH(bool, typed);
        QFETCH(bool, wraps);
        QFETCH(bool, cut);
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        w.resize(width ? width : 1, w.height());
        if (width)
            QTRY_COMPARE(w.width(), width);
        else
            QTRY_VERIFY(w.width() < 450); // where the layout stops it
        auto* bar = qobject_cast<MainStatusBar*>(w.statusBar());
        QVERIFY(bar);
        const int oneLine = bar->height();
        if (typed)
            QTest::sendKeyEvent(QTest::Click, w.TextEditor(), Qt::Key_unknown,
                                QString::fromUtf8("\u4e2d"), Qt::NoModifier);
        else
            bar->showMessage("Saved.");
        const QString message = bar->currentMessage();
        QVERIFY(!message.isEmpty());
        // The panels stay; the message wraps in its own place, the bar growing for it.
        const auto panels = bar->findChildren<QLabel*>(QRegularExpression("^pnl"));
        QCOMPARE(panels.size(), 5);
        for (const QLabel* panel : panels)
            QVERIFY(panel->isVisible());
        QCOMPARE(bar->MessageLines() > 1, wraps);
        QTRY_VERIFY(bar->height() >=
                    oneLine + (bar->MessageLines() - 1) * bar->fontMetrics().lineSpacing());
        const QRect room = bar->MessageRect();
        for (const QLabel* panel : panels)
            QVERIFY(room.right() < panel->x());
        QCOMPARE(bar->toolTip(), cut ? message : QString());
        if (cut) {
            QCOMPARE(bar->height(), oneLine); // no lines grown for nothing to read
        } else {
            const QRect drawn = bar->fontMetrics().boundingRect(
                room, Qt::AlignLeading | Qt::AlignVCenter | Qt::TextWordWrap, message);
            QVERIFY2(room.contains(drawn), qPrintable(message));
        }
        bar->clearMessage();
        QTRY_COMPARE(bar->height(), oneLine);
        QCOMPARE(bar->toolTip(), QString());
    }

    // The room for a message ends at the first panel. When the panels widen while it shows
    // (a note in a longer category, a bigger size), the message gets the lines it now
    // wraps to instead of being cut off at its top and bottom.
    void aMessageRefitsWhenThePanelsWiden() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        w.resize(900, w.height());
        QTRY_COMPARE(w.width(), 900);
        auto* bar = qobject_cast<MainStatusBar*>(w.statusBar());
        QVERIFY(bar);
        const int oneLine = bar->height();
        // A message that just fits on one line beside the panels as they are.
        const int room = bar->MessageRect().width();
        QString message = "This note's picture cannot be shown:";
        while (bar->fontMetrics().horizontalAdvance(message + " word") < room - 4)
            message += " word";
        bar->showMessage(message);
        QCOMPARE(bar->MessageLines(), 1);
        std::string name;
        const int count = w.Database().AddCategory(name);
        w.Database().RenameCategory(count - 1, "Holidays abroad");
        w.SetCurrentNoteCategory(count - 1);
        QCOMPARE(w.StatusPanelTexts().at(0), QString("Holidays abroad"));
        auto fits = [bar] {
            const QRect room = bar->MessageRect();
            const QRect drawn = bar->fontMetrics().boundingRect(
                room, Qt::AlignLeading | Qt::AlignVCenter | Qt::TextWordWrap,
                bar->currentMessage());
            return room.contains(drawn);
        };
        QTRY_COMPARE(bar->MessageLines(), 2);
        // The bar grows by a line for it (a font whose two lines need more than one line's
        // bar would cut them otherwise), and stays inside the window.
        QTRY_VERIFY(bar->height() >= oneLine + bar->fontMetrics().lineSpacing());
        QTRY_VERIFY(fits());
        QTRY_VERIFY(bar->geometry().bottom() <= w.rect().bottom()); // inside the window
        bar->clearMessage();
    }

    void databaseReloadedFollowsWhatReallyHappened() {
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QSignalSpy spy(&w, &frmMain::databaseReloaded);
        QTest::keyClicks(w.TextEditor(), "#");
        Trigger(w, "mnuSave");
        QCOMPARE(spy.count(), 1);
        QFile bad(f.UserFile("bob", "Bob"));
        QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
        bad.write("damaged");
        bad.close();
        QTest::keyClick(w.UserSelector(), Qt::Key_Down);
        QCOMPARE(f.services.messages.size(), 1);
        QCOMPARE(spy.count(), 1);
        w.ReloadCurrentUser();
        QCOMPARE(spy.count(), 2);
    }

    // A note edited only in its picture, with the mouse and never saved, is as unsaved as
    // typed text: the window says so and asks before anything could drop it.
    void drawingAloneIsAnUnsavedChange_data() {
        QTest::addColumn<bool>("byClosing"); // else by choosing another user
        QTest::newRow("choosing another user") << false;
        QTest::newRow("closing the window") << true;
    }
    void drawingAloneIsAnUnsavedChange() {
        QFETCH(bool, byClosing);
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
        f.DrawStroke(QPoint(20, 30), QPoint(80, 30));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        QVERIFY(f.Database().m_FileDirtyFlag);
        QVERIFY(f.Database().GetRecordObject(0)->DirtyFlag());
        QCOMPARE(w.TextEditor()->toPlainText(), QString("ann one"));

        const QString prompt = QStringLiteral(
            "Do you want to save your changes for user \rAnn for the current session?");
        const auto leave = [&](MsgResult answer) {
            f.services.messageAnswers << answer;
            if (byClosing)
                return w.close();
            QTest::keyClick(w.UserSelector(), Qt::Key_Down);
            return w.CurrentUserIndex() == 1;
        };
        QVERIFY(!leave(MsgResult::Cancel));
        QCOMPARE(f.services.messageTexts(), QStringList(prompt));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        QVERIFY(w.PictureEditor()->GetNoteBitmap().GetPixel(50, 30));

        QVERIFY(leave(MsgResult::Yes));
        QCOMPARE(f.services.messageTexts(), QStringList({prompt, prompt}));
        auto db = MainWindowFixture::ReadDatabase(f.UserFile("ann", "Ann"));
        clsBitmap picture;
        QVERIFY(db->GetRecordObject(0)->GetBitmap(picture));
        for (int x : {20, 50, 80})
            QVERIFY2(picture.GetPixel(x, 30), qPrintable(QString::number(x)));
        QVERIFY(!picture.GetPixel(50, 60));
        QVERIFY(db->GetRecordObject(0)->DirtyFlag());
        QCOMPARE(QString::fromStdString(db->GetRecordObject(0)->RawText()), QString("ann one"));
    }

    // A database without notes (another program may write one) still gets a note to write
    // in, when it is opened and when it is read again.
    void databaseWithoutNotesGetsOne_data() {
        QTest::addColumn<bool>("refresh");
        QTest::newRow("opened") << false;
        QTest::newRow("read again") << true;
    }
    void databaseWithoutNotesGetsOne() {
        QFETCH(bool, refresh);
        MainWindowFixture f;
        f.WriteUsers({{101, "Ann", "ann"}});
        const QString path = f.UserFile("ann", "Ann");
        MainWindowFixture::WriteDatabase(path, refresh ? std::vector<std::string>{"ann one"}
                                                       : std::vector<std::string>{});
        frmMain& w = f.Start();
        if (refresh) {
            MainWindowFixture::WriteDatabase(path, {});
            Trigger(w, "mnuRefresh");
        }
        QCOMPARE(w.NoteSelector()->count(), 1);
        QCOMPARE(w.CurrentNoteIndex(), 0);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("14 mar 2026 4:07 pm - "));
        QVERIFY(f.services.messages.isEmpty());
        QTest::keyClick(w.TextEditor(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(w.TextEditor(), "kept");
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
        Trigger(w, "mnuSave");
        auto db = MainWindowFixture::ReadDatabase(path);
        QCOMPARE(db->GetNumRecords(), 1);
        QCOMPARE(QString::fromStdString(db->GetRecordObject(0)->RawText()),
                 QString("14 mar 2026 4:07 pm - kept"));
    }

    // New notes are titled with the date and the time on the 12-hour clock, from the
    // window's clock: midnight and noon are 12, never 0.
    void newNoteTitleUsesTheTwelveHourClock_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("title");
        QTest::newRow("00:05") << QTime(0, 5) << "14 mar 2026 12:05 am - ";
        QTest::newRow("09:41") << QTime(9, 41) << "14 mar 2026 9:41 am - ";
        QTest::newRow("12:00") << QTime(12, 0) << "14 mar 2026 12:00 pm - ";
        QTest::newRow("16:07") << QTime(16, 7) << "14 mar 2026 4:07 pm - ";
        QTest::newRow("23:59") << QTime(23, 59) << "14 mar 2026 11:59 pm - ";
    }
    void newNoteTitleUsesTheTwelveHourClock() {
        QFETCH(QTime, time);
        QFETCH(QString, title);
        MainWindowFixture f;
        TwoUsers(f);
        frmMain& w = f.Start();
        f.services.clock = QDateTime(QDate(2026, 3, 14), time);
        Trigger(w, "mnuAddRecord");
        QCOMPARE(w.CurrentNoteIndex(), 0);
        QCOMPARE(w.TextEditor()->toPlainText(), title);
        QCOMPARE(w.NoteSelector()->itemText(0), title);
    }

    // A no-break space (0xA0) is an ordinary Windows-1252 character of a note, whether it
    // came with the file or was typed.
    void noBreakSpaceInANoteSurvives_data() {
        QTest::addColumn<bool>("typed");
        QTest::newRow("stored in the file") << false;
        QTest::newRow("typed into the box") << true;
    }
    void noBreakSpaceInANoteSurvives() {
        QFETCH(bool, typed);
        MainWindowFixture f;
        f.WriteUsers({{7, "Ann", "ann"}});
        const QString path = f.UserFile("ann", "Ann");
        MainWindowFixture::WriteDatabase(path, {typed ? "ab"
                                                      : "a\xA0"
                                                        "b",
                                                "other"});
        frmMain& w = f.Start();
        if (typed) {
            QTest::keyClick(w.TextEditor(), Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(w.TextEditor(), Qt::Key_Left);
            QTest::keyClicks(w.TextEditor(), QString(QChar(0xA0)));
        }
        // Leave the note and come back, then save.
        w.NextNote();
        w.PreviousNote();
        Trigger(w, "mnuSave");
        auto db = MainWindowFixture::ReadDatabase(path);
        QCOMPARE(db->GetRecordObject(0)->RawText(), std::string("a\xA0"
                                                                "b"));
    }

    // A note that was only looked at is not rewritten, not even its no-break spaces.
    void viewingANoteWithANoBreakSpaceMarksNothing() {
        MainWindowFixture f;
        f.WriteUsers({{7, "Ann", "ann"}});
        MainWindowFixture::WriteDatabase(f.UserFile("ann", "Ann"), {"a\xA0"
                                                                    "b",
                                                                    "other"});
        frmMain& w = f.Start();
        w.NextNote();
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
        QVERIFY(!f.Database().m_FileDirtyFlag);
        QCOMPARE(w.Database().GetRecordObject(0)->RawText(), std::string("a\xA0"
                                                                         "b"));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmMain.moc"
