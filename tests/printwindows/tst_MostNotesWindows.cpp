// SPDX-License-Identifier: GPL-3.0-or-later
// Every window over the most notes a file holds (32,767, with 8 x 8 pictures), driven as a
// person would: the note selector's list, next and previous, find while typing, the print
// selection and preview, the categories editor and the note manager. What the windows show
// is checked here; how fast they show it is bench_scale's business.
#include "PrintWindowsTestKit.h"

#include "core/clsSettings.h"
#include "dialogs/FindResultsModel.h"
#include "dialogs/NoteManagementWindows.h"
#include "dialogs/frmEditCategories.h"
#include "dialogs/frmFindList.h"
#include "dialogs/frmSortNotes.h"
#include "printwindows/frmPrintPreview.h"
#include "printwindows/frmPrintSelection.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillary;
using namespace quillary::test;

namespace {

// Counts the rows a list has its delegate measure.
class CountingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    mutable int measured = 0;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        ++measured;
        return QStyledItemDelegate::sizeHint(option, index);
    }
};

} // namespace

class tst_MostNotesWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void noteSelectorListReachesTheLastNote();
    void nextAndPreviousWalkTheNotes();
    void findNarrowsWhileTyping();
    void printSelectionAndPreviewCoverEveryNote();
    void categoriesEditorKeepsTheNotes();
    void noteManagerSortsEveryNote();
    void typingAndRemovingKeepTheListInStep();

private:
    QTemporaryDir m_File;
    std::unique_ptr<PrintFixture> f;
    // Runs a command as its menu entry does; it must be there and enabled.
    void Trigger(const char* name) {
        QAction* action = f->Window().Commands().Action(QString::fromLatin1(name));
        QVERIFY2(action, name);
        QVERIFY2(action->isEnabled(), name);
        action->trigger();
    }
    QString FirstLineShown() {
        return f->Window().TextEditor()->toPlainText().section(QLatin1Char('\n'), 0, 0);
    }
};

void tst_MostNotesWindows::initTestCase() {
    QVERIFY(m_File.isValid());
    WriteMostNotesDatabase(m_File.filePath(QStringLiteral("most.pdb"))); // written once
}

// Each case gets a window of its own over a copy of the file.
void tst_MostNotesWindows::init() {
    f = std::make_unique<PrintFixture>();
    f->WriteUsers({{7, "Ann", "ann"}});
    QVERIFY(QFile::copy(m_File.filePath(QStringLiteral("most.pdb")), f->UserFile("ann", "Ann")));
    frmMain& w = f->Start();
    RegisterPrintWindows(w);
    RegisterNoteManagementWindows(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.Database().GetNumRecords(), kMostNotes);
}

void tst_MostNotesWindows::cleanup() {
    f.reset();
}

void tst_MostNotesWindows::noteSelectorListReachesTheLastNote() {
    frmMain& w = f->Window();
    QComboBox* notes = w.NoteSelector();
    QCOMPARE(notes->count(), kMostNotes);
    QCOMPARE(notes->itemText(0), QStringLiteral("Note 1"));
    QCOMPARE(notes->itemText(kMostNotes - 1), QStringLiteral("Note 32767"));
    // The list measures what it shows, not all 32,767 entries, before it opens.
    QAbstractItemView* list = notes->view();
    QAbstractItemDelegate* own = list->itemDelegate();
    CountingDelegate counting(list);
    list->setItemDelegate(&counting);
    w.RefreshDisplayFromDatabaseObject(); // a list never laid out, as after opening a file
    QCOMPARE(notes->count(), kMostNotes);
    notes->setFocus();
    QTest::keyClick(notes, Qt::Key_F4); // opens the list
    QTRY_VERIFY(list->isVisible());
    QVERIFY2(counting.measured < 1000, qPrintable(QString::number(counting.measured)));
    list->setItemDelegate(own);
    // Every entry one line high: the list shows a screenful and scrolls to the far end.
    const int rowHeight = list->visualRect(list->model()->index(0, 0)).height();
    QVERIFY(rowHeight > 0);
    QTest::keyClick(list, Qt::Key_End);
    const QModelIndex last = list->model()->index(kMostNotes - 1, 0);
    QCOMPARE(list->currentIndex(), last);
    QCOMPARE(list->visualRect(last).height(), rowHeight);
    QVERIFY(list->viewport()->rect().contains(list->visualRect(last).center()));
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!list->isVisible());
    QTRY_COMPARE(w.CurrentNoteIndex(), kMostNotes - 1);
    QCOMPARE(FirstLineShown(), QStringLiteral("Note 32767"));
}

void tst_MostNotesWindows::nextAndPreviousWalkTheNotes() {
    frmMain& w = f->Window();
    w.NoteSelector()->setCurrentIndex(kMostNotes - 1);
    w.PreviousNote();
    QCOMPARE(w.CurrentNoteIndex(), kMostNotes - 2);
    QCOMPARE(FirstLineShown(), QStringLiteral("Note 32766"));
    QCOMPARE(w.NoteSelector()->currentText(), QStringLiteral("Note 32766"));
    w.NextNote();
    QCOMPARE(w.CurrentNoteIndex(), kMostNotes - 1);
    w.NextNote(); // already the last: stays
    QCOMPARE(w.CurrentNoteIndex(), kMostNotes - 1);
    QCOMPARE(FirstLineShown(), QStringLiteral("Note 32767"));
}

void tst_MostNotesWindows::findNarrowsWhileTyping() {
    frmMain& w = f->Window();
    Trigger("mnuFind");
    auto* find = qobject_cast<frmFindList*>(w.FindWindow());
    QVERIFY(find);
    QVERIFY(QTest::qWaitForWindowExposed(find));
    QLineEdit* box = find->SearchBox();
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    // Each key narrows the list at once: "Note 3" matches 1 + 10 + 100 + 1000 + 2768 notes.
    const struct {
        const char* typed;
        std::vector<int> first; // the first records listed
        size_t count;
    } steps[] = {
        {"Note 3", {2, 29, 299, 2999, 29999}, 1 + 10 + 100 + 1000 + 2768},
        {"Note 327", {326, 3269, 32699}, 1 + 10 + 68},
        {"Note 3276", {3275, 32759, 32760}, 1 + 8},
    };
    for (const auto& step : steps) {
        const QString typed = QString::fromLatin1(step.typed);
        QTest::keyClicks(box, typed.mid(box->text().size()));
        QCOMPARE(box->text(), typed);
        std::vector<int> found = find->Results().Records();
        QCOMPARE(found.size(), step.count);
        std::sort(found.begin(), found.end());
        std::vector<int> wanted = step.first;
        std::sort(wanted.begin(), wanted.end());
        for (int record : wanted)
            QVERIFY2(std::binary_search(found.begin(), found.end(), record),
                     qPrintable(QStringLiteral("record %1 for %2").arg(record).arg(typed)));
        QCOMPARE(find->ResultList()->model()->rowCount(), int(step.count));
    }
    find->close();
}

void tst_MostNotesWindows::printSelectionAndPreviewCoverEveryNote() {
    f->Settings().SetSetting(QStringLiteral("PrintNotesWide"), QStringLiteral("2"));
    f->Settings().SetSetting(QStringLiteral("PrintNotesHigh"), QStringLiteral("2"));
    bool selectionRan = false, previewRan = false;
    f->Then([&](QDialog& d) {
        selectionRan = true;
        auto* selection = qobject_cast<frmPrintSelection*>(&d);
        QVERIFY(selection);
        QListWidget* list = selection->NoteList();
        QCOMPARE(list->count(), kMostNotes);
        QCOMPARE(list->item(kMostNotes - 1)->text(), QStringLiteral("Note 32767"));
        Click(d, "cmdSelectAll");
        QCOMPARE(int(list->selectedItems().size()), kMostNotes);
        Click(d, "cmdPreview");
    });
    f->Then([&](QDialog& d) {
        previewRan = true;
        auto* preview = qobject_cast<frmPrintPreview*>(&d);
        QVERIFY(preview);
        // 32,767 notes, four to a page.
        QCOMPARE(preview->PrintData().GetPageCount(), 8192);
        QCOMPARE(Child<QLabel>(d, "lblPageCount")->text(), QStringLiteral("of 8192"));
        QCOMPARE(preview->PageShown(), 1);
        TypeInto(Child<QLineEdit>(d, "txtPageNum"), QStringLiteral("8192"));
        Leave(Child<QLineEdit>(d, "txtPageNum"));
        QCOMPARE(preview->PageShown(), 8192);
        Click(d, "cmdCancel");
    });
    Trigger("mnuPrint");
    QVERIFY(selectionRan);
    QVERIFY(previewRan);
    // The stored selection names every position once, in order.
    const QStringList stored = f->Settings()
                                   .GetSetting(QStringLiteral("PrintNotesSelectedString"))
                                   .split(QLatin1Char(','));
    QCOMPARE(stored.size(), kMostNotes);
    for (int i = 0; i < kMostNotes; ++i)
        QCOMPARE(stored[i], QString::number(i));
}

void tst_MostNotesWindows::categoriesEditorKeepsTheNotes() {
    frmMain& w = f->Window();
    w.NoteSelector()->setCurrentIndex(20000);
    bool ran = false;
    f->Then([&](QDialog& d) {
        ran = true;
        auto* editor = qobject_cast<frmEditCategories*>(&d);
        QVERIFY(editor);
        QVERIFY(editor->CategoryList()->count() >= 1);
        Click(d, "cmdDone");
    });
    Trigger("mnuEditCategories");
    QVERIFY(ran);
    QCOMPARE(w.NoteSelector()->count(), kMostNotes);
    QCOMPARE(w.Database().GetNumRecords(), kMostNotes);
}

void tst_MostNotesWindows::noteManagerSortsEveryNote() {
    frmMain& w = f->Window();
    bool ran = false;
    f->Then([&](QDialog& d) {
        ran = true;
        QVERIFY(qobject_cast<frmSortNotes*>(&d));
        Click(d, "cmdRSort");
        Click(d, "cmdDone");
    });
    Trigger("mnuNoteManager");
    QVERIFY(ran);
    // Descending by first line, as text: "Note 9999" first, "Note 1" last.
    QComboBox* notes = w.NoteSelector();
    QCOMPARE(notes->count(), kMostNotes);
    QCOMPARE(notes->itemText(0), QStringLiteral("Note 9999"));
    QCOMPARE(notes->itemText(1), QStringLiteral("Note 9998"));
    QCOMPARE(notes->itemText(kMostNotes - 1), QStringLiteral("Note 1"));
    const clsDatabase& db = w.Database();
    QCOMPARE(db.GetNumRecords(), kMostNotes);
    QVERIFY(db.GetRecordObject(0)->RawText().rfind("Note 9999\n", 0) == 0);
    QVERIFY(db.GetRecordObject(kMostNotes - 1)->RawText().rfind("Note 1\n", 0) == 0);
}

void tst_MostNotesWindows::typingAndRemovingKeepTheListInStep() {
    frmMain& w = f->Window();
    QComboBox* notes = w.NoteSelector();
    const QString before51 = notes->itemText(51);
    const QString before100 = notes->itemText(100);
    notes->setCurrentIndex(100);
    QTest::keyClick(w.TextEditor(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(w.TextEditor(), "Typed ");
    QCOMPARE(notes->itemText(100), QStringLiteral("Typed ") + before100); // at each key
    notes->setCurrentIndex(50);
    f->services.messageAnswers << MsgResult::Yes;
    w.RemoveNote();
    QCOMPARE(notes->count(), kMostNotes - 1);
    QCOMPARE(w.Database().GetNumRecords(), kMostNotes - 1);
    QCOMPARE(notes->itemText(50), before51);
    QCOMPARE(notes->itemText(99), QStringLiteral("Typed ") + before100);
    QCOMPARE(w.CurrentNoteIndex(), 50);
    QCOMPARE(FirstLineShown(), before51);
}

QTEST_MAIN(tst_MostNotesWindows)
#include "tst_MostNotesWindows.moc"
