// SPDX-License-Identifier: GPL-3.0-or-later
// The note manager, opened through the main window's Note Manager command.
#include "NoteWindowsTestKit.h"

#include "dialogs/NoteOrderModel.h"
#include "dialogs/NoteOrderView.h"
#include "dialogs/frmSortNotes.h"
#include "core/TextCodec.h"

#include <QComboBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace quillary;
using namespace quillary::test;

namespace {

frmSortNotes& Sorter(QDialog& d) {
    return static_cast<frmSortNotes&>(d);
}
QPushButton* Button(QDialog& d, const char* name) {
    return d.findChild<QPushButton*>(name);
}
NoteOrderView* List(QDialog& d) {
    return d.findChild<NoteOrderView*>("lstCurList");
}

QStringList Shown(QDialog& d) {
    QStringList texts;
    for (const auto& e : Sorter(d).Model().Entries())
        texts << e.text;
    return texts;
}

QList<int> SelectedRows(QDialog& d) {
    QList<int> rows;
    const auto flags = List(d)->SelectedFlags();
    for (size_t r = 0; r < flags.size(); ++r)
        if (flags[r])
            rows << int(r);
    return rows;
}

void Select(QDialog& d, const QList<int>& rows) {
    bool first = true;
    for (int row : rows) {
        ClickRow(List(d), row, first ? Qt::NoModifier : Qt::ControlModifier);
        first = false;
    }
    QCOMPARE(SelectedRows(d), rows);
}

// Opens the note manager from the Record menu and runs `script` in it.
void Manage(MainWindowFixture& f, const std::function<void(QDialog&)>& script) {
    bool ran = false;
    f.services.dialogScripts.enqueue([&](QDialog& d) {
        QCOMPARE(d.windowTitle(), QString("Record Manager"));
        script(d);
        ran = true;
    });
    Trigger(f.Window(), "mnuNoteManager");
    QVERIFY(ran);
}

std::vector<std::string> Strings(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

} // namespace

class tst_frmSortNotes : public QObject {
    Q_OBJECT

private slots:
    void opensWithEveryNote() {
        MainWindowFixture f;
        StartWithNotes(f, Notes({"alpha\nsecond line", "", "gamma"}));
        Manage(f, [&](QDialog& d) {
            QCOMPARE(Shown(d), QStringList({" alpha", " ", " gamma"}));
            QCOMPARE(SelectedRows(d), QList<int>({0}));
            QCOMPARE(List(d)->currentIndex().row(), 0);
            QVERIFY(!Button(d, "cmdApply")->isEnabled());
            for (const char* name : {"cmdUp", "cmdDn", "cmdSort", "cmdRSort", "cmdCurrentSelectAll",
                                     "cmdDone", "cmdCancel"})
                QVERIFY2(Button(d, name) && Button(d, name)->isVisible(), name);
            QCOMPARE(Button(d, "cmdSort")->text(), QString("Sort List"));
            QCOMPARE(Button(d, "cmdRSort")->text(), QString("R-Sort List"));
            QCOMPARE(Button(d, "cmdCurrentSelectAll")->text(), QString("Select All"));
            ClickButton(Button(d, "cmdCurrentSelectAll"));
            QCOMPARE(SelectedRows(d), QList<int>({0, 1, 2}));
            ClickButton(Button(d, "cmdCancel"));
        });
        QVERIFY(f.services.messageTexts().filter("not available").isEmpty());
    }

    void movesAtTheEnds_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QList<int>>("selectedAfter");
        QTest::addColumn<bool>("changed");
        const QStringList abc{"A", "B", "C"};
        const QStringList abcd{"A", "B", "C", "D"};
        QTest::newRow("up") << abc << QList<int>{1} << QStringList{"cmdUp"}
                            << QStringList{"B", "A", "C"} << QList<int>{0} << true;
        QTest::newRow("up at the top stays")
            << abc << QList<int>{1} << QStringList{"cmdUp", "cmdUp"} << QStringList{"B", "A", "C"}
            << QList<int>{0} << true;
        QTest::newRow("first only: nothing")
            << abc << QList<int>{0} << QStringList{"cmdUp"} << abc << QList<int>{0} << false;
        QTest::newRow("block down") << abcd << QList<int>{1, 2} << QStringList{"cmdDn"}
                                    << QStringList{"A", "D", "B", "C"} << QList<int>{2, 3} << true;
        QTest::newRow("block at the bottom stays")
            << abcd << QList<int>{1, 2} << QStringList{"cmdDn", "cmdDn", "cmdDn"}
            << QStringList{"A", "D", "B", "C"} << QList<int>{2, 3} << true;
        QTest::newRow("last only: nothing")
            << abcd << QList<int>{3} << QStringList{"cmdDn"} << abcd << QList<int>{3} << false;
        QTest::newRow("gapped selection up")
            << abcd << QList<int>{0, 2, 3} << QStringList{"cmdUp"}
            << QStringList{"A", "C", "D", "B"} << QList<int>{0, 1, 2} << true;
        QTest::newRow("up then down") << abcd << QList<int>{2} << QStringList{"cmdUp", "cmdDn"}
                                      << abcd << QList<int>{2} << true;
    }
    void movesAtTheEnds() {
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, selected);
        QFETCH(QStringList, buttons);
        QFETCH(QStringList, order);
        QFETCH(QList<int>, selectedAfter);
        QFETCH(bool, changed);
        MainWindowFixture f;
        StartWithNotes(f, Notes(Strings(texts)));
        Manage(f, [&](QDialog& d) {
            Select(d, selected);
            for (const QString& b : buttons)
                ClickButton(Button(d, b.toLatin1().constData()));
            QStringList expected;
            for (const QString& t : order)
                expected << QChar(' ') + t;
            QCOMPARE(Shown(d), expected);
            QCOMPARE(SelectedRows(d), selectedAfter);
            QCOMPARE(Button(d, "cmdApply")->isEnabled(), changed);
            ClickButton(Button(d, "cmdDone"));
        });
        QCOMPARE(Texts(f.Database()), Strings(order));
    }

    void sortsAreStableBothWays_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("order");
        const QStringList cased{"beta", "Alpha", "alpha"};
        QTest::newRow("ascending, case counts")
            << cased << "cmdSort" << QStringList{"Alpha", "alpha", "beta"};
        QTest::newRow("descending, case counts")
            << cased << "cmdRSort" << QStringList{"beta", "alpha", "Alpha"};
        const QStringList equal{"same\n1", "b", "same\n2", "a", "same\n3"};
        QTest::newRow("ascending, equal first lines keep their order")
            << equal << "cmdSort" << QStringList{"a", "b", "same\n1", "same\n2", "same\n3"};
        QTest::newRow("descending, equal first lines keep their order")
            << equal << "cmdRSort" << QStringList{"same\n1", "same\n2", "same\n3", "b", "a"};
        QTest::newRow("empty first line first")
            << QStringList{"b", "", "\nx", "a"} << "cmdSort" << QStringList{"", "\nx", "a", "b"};
        QTest::newRow("code page letters by character code")
            << QStringList{QString::fromUtf8("Émile"), "Zoe", "emile"} << "cmdSort"
            << QStringList{"Zoe", "emile", QString::fromUtf8("Émile")};
    }
    void sortsAreStableBothWays() {
        QFETCH(QStringList, texts);
        QFETCH(QString, button);
        QFETCH(QStringList, order);
        MainWindowFixture f;
        std::vector<std::string> stored;
        for (const QString& t : texts)
            stored.push_back(ToCp1252(t));
        StartWithNotes(f, Notes(stored));
        Manage(f, [&](QDialog& d) {
            ClickButton(Button(d, button.toLatin1().constData()));
            QVERIFY(Button(d, "cmdApply")->isEnabled());
            ClickButton(Button(d, "cmdDone"));
        });
        std::vector<std::string> expected;
        for (const QString& t : order)
            expected.push_back(ToCp1252(t));
        QCOMPARE(Texts(f.Database()), expected);
    }

    void applyKeepsTheShownNote() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes({"A", "B", "C"}));
        w.NextNote(); // B
        QTest::keyClicks(w.TextEditor(), "ee");
        Manage(f, [&](QDialog& d) {
            QCOMPARE(Shown(d), QStringList({" A", " Bee", " C"})); // committed before opening
            Select(d, {2});
            ClickButton(Button(d, "cmdUp"));
            ClickButton(Button(d, "cmdUp"));
            ClickButton(Button(d, "cmdApply"));
            QVERIFY(!Button(d, "cmdApply")->isEnabled());
            QCOMPARE(Texts(f.Database()), (std::vector<std::string>{"C", "A", "Bee"}));
            // The entries now carry their new positions: moving again and applying again
            // gives the order shown.
            Select(d, {1});
            ClickButton(Button(d, "cmdDn"));
            QCOMPARE(Shown(d), QStringList({" C", " Bee", " A"}));
            ClickButton(Button(d, "cmdApply"));
            QCOMPARE(Texts(f.Database()), (std::vector<std::string>{"C", "Bee", "A"}));
            ClickButton(Button(d, "cmdDone"));
        });
        QCOMPARE(w.CurrentNoteIndex(), 1);
        QCOMPARE(w.TextEditor()->toPlainText(), QString("Bee"));
        QCOMPARE(w.NoteSelector()->itemText(0), QString("C"));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
    }

    void cancelDropsWhatWasNotApplied() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes({"A", "B", "C"}));
        Manage(f, [&](QDialog& d) {
            ClickButton(Button(d, "cmdDn")); // A below B
            ClickButton(Button(d, "cmdApply"));
            ClickButton(Button(d, "cmdDn")); // A below C, not applied
            ClickButton(Button(d, "cmdCancel"));
        });
        QCOMPARE(Texts(f.Database()), (std::vector<std::string>{"B", "A", "C"}));
        QCOMPARE(w.CurrentNoteIndex(), 1); // A, shown before, is shown still
        QCOMPARE(w.TextEditor()->toPlainText(), QString("A"));
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary*"));
    }

    void okWithoutMovesChangesNothing() {
        MainWindowFixture f;
        frmMain& w = StartWithNotes(f, Notes({"A", "B"}));
        const auto before = f.Database().GetDatabaseBytes();
        Manage(f, [&](QDialog& d) { ClickButton(Button(d, "cmdDone")); });
        QCOMPARE(f.Database().GetDatabaseBytes(), before);
        QCOMPARE(w.windowTitle().section(" - ", 0, 0), QString("Quillary"));
        // The Sort Notes toolbar button opens it as well.
        Manage(f, [&](QDialog& d) { ClickButton(Button(d, "cmdCancel")); });
        f.services.dialogScripts.enqueue([](QDialog& d) { d.reject(); });
        w.Commands().RunToolbarTag("NoteFlag");
        QCOMPARE(f.services.dialogsShown.size(), 3);
    }

    void emptyListAppliesAnEmptyOrder() {
        ScriptedPlatformServices services;
        QStringList received;
        int marked = 0;
        frmSortNotes dialog(services, {},
                            {[&](const std::string& order) {
                                 received << QString::fromStdString(order);
                                 return true;
                             },
                             [&] { ++marked; }});
        QCOMPARE(dialog.Model().rowCount(), 0);
        dialog.show();
        ClickButton(Button(dialog, "cmdUp"));
        ClickButton(Button(dialog, "cmdSort"));
        ClickButton(Button(dialog, "cmdDone"));
        QCOMPARE(received, QStringList({""}));
        QCOMPARE(marked, 0);
        QVERIFY(!dialog.isVisible());
    }

    void aRefusedOrderIsReported() {
        ScriptedPlatformServices services;
        frmSortNotes dialog(services, {"a", "b"},
                            {[](const std::string&) { return false; }, [] {}});
        dialog.show();
        ClickButton(Button(dialog, "cmdDn"));
        ClickButton(Button(dialog, "cmdDone"));
        QCOMPARE(services.messages.size(), 1);
        QVERIFY(services.messages.first().text.contains("could not be applied"));
        QVERIFY(dialog.isVisible()); // the person can still cancel
        QVERIFY(Button(dialog, "cmdApply")->isEnabled());
    }

    void selectedNotesCanBeDragged() {
        MainWindowFixture f;
        std::vector<std::string> texts;
        for (int i = 0; i < 8; ++i)
            texts.push_back(std::string(1, char('A' + i)));
        StartWithNotes(f, Notes(texts));
        Manage(f, [&](QDialog& d) {
            NoteOrderView* view = List(d);
            Select(d, {1, 2}); // B, C
            QWidget* port = view->viewport();
            const QRect from = view->visualRect(view->model()->index(2, 0));
            const QRect to = view->visualRect(view->model()->index(5, 0));
            QPoint at = from.center();
            QTest::mousePress(port, Qt::LeftButton, {}, at);
            // Carry them by hand, a few pixels at a time, to the lower half of F.
            const QPoint target(to.center().x(), to.center().y() + to.height() / 4);
            while (at.y() < target.y()) {
                at.setY(std::min(target.y(), at.y() + 3));
                QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton,
                                 Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(port, &move);
            }
            QCOMPARE(view->DropRow(), 6);
            QTest::mouseRelease(port, Qt::LeftButton, {}, at);
            QCOMPARE(Shown(d), QStringList({" A", " D", " E", " F", " B", " C", " G", " H"}));
            QCOMPARE(SelectedRows(d), QList<int>({4, 5}));
            QVERIFY(Button(d, "cmdApply")->isEnabled());

            // The keyboard moves them too.
            QTest::keyClick(view, Qt::Key_Up, Qt::AltModifier);
            QCOMPARE(SelectedRows(d), QList<int>({3, 4}));
            QTest::keyClick(view, Qt::Key_Down, Qt::AltModifier);
            QCOMPARE(SelectedRows(d), QList<int>({4, 5}));

            // A plain click on one selected entry selects just it.
            ClickRow(view, 5);
            QCOMPARE(SelectedRows(d), QList<int>({5}));
            ClickButton(Button(d, "cmdDone"));
        });
        QCOMPARE(Texts(f.Database()),
                 (std::vector<std::string>{"A", "D", "E", "F", "B", "C", "G", "H"}));
    }

    // Shift extends the selection from the note that was moved, at its new row, however it
    // was moved; the next move carries only what the person chose.
    void shiftExtendsFromTheMovedNote_data() {
        QTest::addColumn<QString>("moveBy");
        QTest::addColumn<QString>("extendBy");
        QTest::addColumn<QList<int>>("selectedAfter");
        QTest::addColumn<QStringList>("orderAfterNextMove");
        QTest::newRow("Alt+Down, Shift+click")
            << "keys"
            << "click" << QList<int>{3, 4, 5}
            << QStringList{"A", "C", "D", "G", "B", "E", "F", "H"};
        QTest::newRow("Alt+Down, Shift+Down")
            << "keys"
            << "key" << QList<int>{3, 4} << QStringList{"A", "C", "D", "F", "B", "E", "G", "H"};
        QTest::newRow("down button, Shift+click")
            << "button"
            << "click" << QList<int>{3, 4, 5}
            << QStringList{"A", "C", "D", "G", "B", "E", "F", "H"};
        QTest::newRow("sort, Shift+click") << "sort"
                                           << "click" << QList<int>{1, 2, 3, 4, 5}
                                           << QStringList{"A", "G", "B", "C", "D", "E", "F", "H"};
    }
    void shiftExtendsFromTheMovedNote() {
        QFETCH(QString, moveBy);
        QFETCH(QString, extendBy);
        QFETCH(QList<int>, selectedAfter);
        QFETCH(QStringList, orderAfterNextMove);
        MainWindowFixture f;
        std::vector<std::string> texts{"A", "B", "C", "D", "E", "F", "G", "H"};
        StartWithNotes(f, Notes(texts));
        Manage(f, [&](QDialog& d) {
            NoteOrderView* view = List(d);
            if (moveBy == "sort") {
                // Descending first, so that the ascending sort moves B from row 6 to row 1.
                ClickButton(Button(d, "cmdRSort"));
                ClickRow(view, 6); // B
                ClickButton(Button(d, "cmdSort"));
            } else {
                ClickRow(view, 1); // B
                for (int i = 0; i < 2; ++i) {
                    if (moveBy == "keys")
                        QTest::keyClick(view, Qt::Key_Down, Qt::AltModifier);
                    else
                        ClickButton(Button(d, "cmdDn"));
                }
            }
            const int bRow = moveBy == "sort" ? 1 : 3;
            QCOMPARE(Shown(d).at(bRow), QString(" B"));
            QCOMPARE(SelectedRows(d), QList<int>({bRow}));
            if (extendBy == "click")
                ClickRow(view, 5, Qt::ShiftModifier);
            else
                QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
            QCOMPARE(SelectedRows(d), selectedAfter);
            QTest::keyClick(view, Qt::Key_Down, Qt::AltModifier);
            QStringList expected;
            for (const QString& t : orderAfterNextMove)
                expected << QChar(' ') + t;
            QCOMPARE(Shown(d), expected);
            ClickButton(Button(d, "cmdCancel"));
        });
    }

    // Held still near the bottom edge, the pointer keeps the list scrolling, and the drop
    // place follows what comes into view.
    void dragScrollsWhilePointerRestsAtTheEdge() {
        MainWindowFixture f;
        std::vector<std::string> texts;
        for (int i = 0; i < 200; ++i)
            texts.push_back("note " + std::to_string(1000 + i));
        StartWithNotes(f, Notes(texts));
        Manage(f, [&](QDialog& d) {
            NoteOrderView* view = List(d);
            ClickRow(view, 0);
            QWidget* port = view->viewport();
            QPoint at = view->visualRect(view->model()->index(0, 0)).center();
            QTest::mousePress(port, Qt::LeftButton, {}, at);
            const int bottom = port->height() - 2;
            while (at.y() < bottom) {
                at.setY(std::min(bottom, at.y() + 3));
                QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton,
                                 Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(port, &move);
            }
            QScrollBar* bar = view->verticalScrollBar();
            const int reached = bar->value();
            const int shownRows = port->height() / view->sizeHintForRow(0);
            // No more pointer events: only resting at the edge can scroll it further.
            QTRY_VERIFY(bar->value() >= reached + 10);
            QTRY_VERIFY(view->DropRow() > shownRows + 10);
            QTest::mouseRelease(port, Qt::LeftButton, {}, at);
            const int row = SelectedRows(d).value(0, -1);
            QVERIFY(row >= shownRows + 10);
            QCOMPARE(Shown(d).at(row), QString(" note 1000"));
            ClickButton(Button(d, "cmdCancel"));
        });
    }

    void movedSelectionStaysInSight() {
        MainWindowFixture f;
        std::vector<std::string> texts;
        for (int i = 0; i < 300; ++i)
            texts.push_back("note " + std::to_string(i));
        StartWithNotes(f, Notes(texts));
        Manage(f, [&](QDialog& d) {
            NoteOrderView* view = List(d);
            ClickRow(view, 0);
            const QRect port = view->viewport()->rect();
            for (int i = 0; i < 60; ++i) {
                ClickButton(Button(d, "cmdDn"));
                const QRect shown = view->visualRect(view->model()->index(i + 1, 0));
                QVERIFY2(port.intersects(shown), qPrintable(QString::number(i)));
            }
            QCOMPARE(SelectedRows(d), QList<int>({60}));
            QVERIFY(view->verticalScrollBar()->value() > 0);
            ClickButton(Button(d, "cmdCancel"));
        });
    }
};

QTEST_MAIN(tst_frmSortNotes)
#include "tst_frmSortNotes.moc"
