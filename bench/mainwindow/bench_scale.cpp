// SPDX-License-Identifier: GPL-3.0-or-later
// Every interaction of the window at the most notes a file can hold (32,767, each with an
// 8 x 8 picture): opening the note selector's list, next/previous note, a keystroke in the
// find window, the note manager (open, sort, move), the print selection, the preview (open
// and page turn) and the categories editor. Target: each under 50 ms. Offscreen platform.
#include "printwindows/PrintWindowsTestKit.h"

#include "core/clsSettings.h"
#include "dialogs/FindResultsModel.h"
#include "dialogs/NoteManagementWindows.h"
#include "dialogs/NoteOrderModel.h"
#include "dialogs/NoteOrderView.h"
#include "dialogs/frmFindList.h"
#include "dialogs/frmSortNotes.h"
#include "printwindows/frmPrintPreview.h"
#include "printwindows/frmPrintSelection.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

using namespace quillary;
using namespace quillary::test;

namespace {

constexpr int kNotes = kMostNotes;

QString AllNotes() {
    QStringList positions;
    positions.reserve(kNotes);
    for (int i = 0; i < kNotes; ++i)
        positions << QString::number(i);
    return positions.join(QLatin1Char(','));
}

// One window over the big file for all cases: writing and opening it takes seconds. It
// goes before the application does.
std::unique_ptr<PrintFixture> f;

PrintFixture& Fixture() {
    if (!f) {
        f = std::make_unique<PrintFixture>();
        f->WriteUsers({{1, "Bench", "bench"}});
        WriteMostNotesDatabase(f->UserFile("bench", "Bench"));
        frmMain& w = f->Start();
        RegisterPrintWindows(w);
        RegisterNoteManagementWindows(w);
        w.show();
        QApplication::processEvents();
    }
    return *f;
}

// The note selector's list opened (laid out and painted) and closed again. Each time over a
// freshly loaded list, as the first opening after a file is read.
void BM_Scale_OpenNoteList(benchmark::State& state) {
    frmMain& w = Fixture().Window();
    QComboBox* notes = w.NoteSelector();
    for (auto _ : state) {
        state.PauseTiming();
        w.RefreshDisplayFromDatabaseObject();
        QApplication::processEvents();
        state.ResumeTiming();
        notes->showPopup();
        QApplication::processEvents();
        benchmark::DoNotOptimize(notes->view()->isVisible());
        notes->hidePopup();
        QApplication::processEvents();
    }
    state.counters["notes"] = notes->count();
}
BENCHMARK(BM_Scale_OpenNoteList)->Unit(benchmark::kMillisecond)->Iterations(10);

// The main window reading its note list anew, as it does after the note manager, the
// categories editor, an import or a refresh.
void BM_Scale_ReloadNoteList(benchmark::State& state) {
    frmMain& w = Fixture().Window();
    for (auto _ : state) {
        w.RefreshDisplayFromDatabaseObject();
        QApplication::processEvents();
        benchmark::DoNotOptimize(w.NoteSelector()->count());
    }
}
BENCHMARK(BM_Scale_ReloadNoteList)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_Scale_NextPreviousNote(benchmark::State& state) {
    frmMain& w = Fixture().Window();
    w.NoteSelector()->setCurrentIndex(kNotes / 2);
    bool forward = true;
    for (auto _ : state) {
        if (forward)
            w.NextNote();
        else
            w.PreviousNote();
        forward = !forward;
        QApplication::processEvents(); // the note painted
        benchmark::DoNotOptimize(w.CurrentNoteIndex());
    }
}
BENCHMARK(BM_Scale_NextPreviousNote)->Unit(benchmark::kMillisecond);

// A letter typed into the find window, or taken back: "Note 1" matches 11,111 notes.
void BM_Scale_FindKeystroke(benchmark::State& state) {
    PrintFixture& f = Fixture();
    frmMain& w = f.Window();
    f.Settings().SetSetting(QStringLiteral("FindString"), QStringLiteral("Note "));
    w.Commands().Action(QStringLiteral("mnuFind"))->trigger();
    auto* find = qobject_cast<frmFindList*>(w.FindWindow());
    QLineEdit* box = find->SearchBox();
    box->setFocus();
    box->setText(QStringLiteral("Note "));
    QApplication::processEvents();
    bool add = true;
    for (auto _ : state) {
        QTest::keyClick(box, add ? Qt::Key_1 : Qt::Key_Backspace);
        add = !add;
        QApplication::processEvents(); // the list paints its rows
        benchmark::DoNotOptimize(find->Results().Records().size());
    }
    find->close();
    QApplication::processEvents();
}
BENCHMARK(BM_Scale_FindKeystroke)->Unit(benchmark::kMillisecond);

// Edit > Find over notes the window has not searched yet, and the first letter typed
// ("7": in 11,060 notes): the search index is built here.
void BM_Scale_FindOpenAndFirstKey(benchmark::State& state) {
    PrintFixture& f = Fixture();
    frmMain& w = f.Window();
    f.Settings().SetSetting(QStringLiteral("FindString"), QString());
    for (auto _ : state) {
        state.PauseTiming();
        w.CloseFindWindow(); // a new window, a new index
        QApplication::processEvents();
        state.ResumeTiming();
        w.Commands().Action(QStringLiteral("mnuFind"))->trigger();
        auto* find = qobject_cast<frmFindList*>(w.FindWindow());
        QLineEdit* box = find->SearchBox();
        box->setFocus();
        box->selectAll(); // the last search comes back: the key replaces it
        QTest::keyClick(box, Qt::Key_7);
        QApplication::processEvents();
        state.counters["matches"] = double(find->Results().Records().size());
    }
    w.CloseFindWindow();
    QApplication::processEvents();
}
BENCHMARK(BM_Scale_FindOpenAndFirstKey)->Unit(benchmark::kMillisecond)->Iterations(10);

// Record > Note Manager: the window built, shown and painted, then closed (the main window
// reloads its list afterwards, which is counted too).
void BM_Scale_NoteManagerOpen(benchmark::State& state) {
    frmMain& w = Fixture().Window();
    for (auto _ : state) {
        w.Commands().Action(QStringLiteral("mnuNoteManager"))->trigger();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Scale_NoteManagerOpen)->Unit(benchmark::kMillisecond)->Iterations(10);

struct Manager {
    std::unique_ptr<frmSortNotes> dialog;
    Manager() {
        PrintFixture& f = Fixture();
        clsDatabase& db = f.Window().Database();
        const frmSortNotes::RecordOrderTarget target{
            [&db](const std::string& order) { return db.NewSortOrder(order); }, [] {}};
        dialog = std::make_unique<frmSortNotes>(f.services, frmSortNotes::FirstLinesOf(db), target);
        dialog->show();
        QApplication::processEvents();
    }
    void SelectBlock(int first, int count) {
        NoteOrderModel::Flags flags(size_t(kNotes), 0);
        for (int r = first; r < std::min(first + count, kNotes); ++r)
            flags[size_t(r)] = 1;
        dialog->List()->SetSelectedFlags(flags, first);
    }
};

// Moving a block of notes up or down one place: 1, 3,000 or all of them.
void BM_Scale_NoteManagerMove(benchmark::State& state) {
    Manager m;
    const int count = int(state.range(0));
    m.SelectBlock(std::min(16000, kNotes - count), count);
    bool up = true;
    for (auto _ : state) {
        if (up)
            m.dialog->cmdUp_Click();
        else
            m.dialog->cmdDn_Click();
        up = !up;
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Scale_NoteManagerMove)->Arg(1)->Arg(3000)->Arg(kNotes)->Unit(benchmark::kMillisecond);

void BM_Scale_NoteManagerSort(benchmark::State& state) {
    Manager m;
    bool descending = false;
    for (auto _ : state) {
        if (descending)
            m.dialog->cmdRSort_Click();
        else
            m.dialog->cmdSort_Click();
        descending = !descending;
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Scale_NoteManagerSort)->Unit(benchmark::kMillisecond);

// File > Print: the selection window built over every note, shown and painted, cancelled.
void BM_Scale_PrintSelectionOpen(benchmark::State& state) {
    PrintFixture& f = Fixture();
    for (auto _ : state) {
        f.Host().ShowPrintSelection();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Scale_PrintSelectionOpen)->Unit(benchmark::kMillisecond);

// The preview over all 32,767 notes, 2 x 2 to a page: built, shown with its first page, closed.
void BM_Scale_PreviewOpen(benchmark::State& state) {
    PrintFixture& f = Fixture();
    f.Settings().SetSetting(QStringLiteral("PrintNotesWide"), QStringLiteral("2"));
    f.Settings().SetSetting(QStringLiteral("PrintNotesHigh"), QStringLiteral("2"));
    f.Settings().SetSetting(QStringLiteral("PrintNotesSelectedString"), AllNotes());
    for (auto _ : state) {
        f.Host().ShowPrintPreview();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Scale_PreviewOpen)->Unit(benchmark::kMillisecond);

void BM_Scale_PreviewPageTurn(benchmark::State& state) {
    PrintFixture& f = Fixture();
    f.Settings().SetSetting(QStringLiteral("PrintNotesWide"), QStringLiteral("2"));
    f.Settings().SetSetting(QStringLiteral("PrintNotesHigh"), QStringLiteral("2"));
    f.Settings().SetSetting(QStringLiteral("PrintNotesSelectedString"), AllNotes());
    frmPrintPreview preview(f.Host(), &f.Window());
    preview.show();
    QApplication::processEvents();
    int page = 4000;
    for (auto _ : state) {
        page = 8001 - page;
        preview.ShowPage(page);
        QApplication::processEvents();
        benchmark::DoNotOptimize(preview.PageShown());
    }
}
BENCHMARK(BM_Scale_PreviewPageTurn)->Unit(benchmark::kMillisecond);

// Record > Edit Categories: shown, painted, closed; the main window reloads its list.
void BM_Scale_CategoriesEditor(benchmark::State& state) {
    frmMain& w = Fixture().Window();
    for (auto _ : state) {
        w.Commands().Action(QStringLiteral("mnuEditCategories"))->trigger();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Scale_CategoriesEditor)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    f.reset();
    benchmark::Shutdown();
    return 0;
}
