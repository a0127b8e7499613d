// SPDX-License-Identifier: GPL-3.0-or-later
// Find and the note manager with 5000 notes of up to 1999 characters: one keystroke in the
// find window (search and result list), and the note manager's block moves, both sorts
// and applying the order. Run on the offscreen platform.
#include "../../tests/mainwindow/MainWindowFixture.h"

#include "dialogs/FindResultsModel.h"
#include "dialogs/NoteManagementWindows.h"
#include "dialogs/NoteOrderModel.h"
#include "dialogs/NoteOrderView.h"
#include "dialogs/NoteSearchIndex.h"
#include "dialogs/frmFindList.h"
#include "dialogs/frmSortNotes.h"
#include "mainwindow/MainCommands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

using namespace quillary;
using namespace quillary::test;

namespace {

constexpr int kNotes = 5000;

// Words with and without Windows-1252 letters, put together into notes of random length
// (up to the 1999 characters a note holds) and a few lines.
std::string NoteText(std::mt19937& rng) {
    static const char* words[] = {"meeting",
                                  "caf\xe9",
                                  "Stra\xdf"
                                  "e",
                                  "\x9c"
                                  "uvre",
                                  "ideas",
                                  "SHOPPING",
                                  "\x8akoda",
                                  "call",
                                  "garden",
                                  "r\xe9sum\xe9",
                                  "notes",
                                  "Tuesday"};
    std::uniform_int_distribution<int> length(20, 1999);
    std::uniform_int_distribution<int> pick(0, int(std::size(words)) - 1);
    const size_t wanted = size_t(length(rng));
    std::string text;
    while (text.size() < wanted) {
        text += words[pick(rng)];
        text += rng() % 9 == 0 ? '\n' : ' ';
    }
    text.resize(wanted);
    return text;
}

void WriteNotes(const QString& path) {
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string(); };
    db.AddNewDatabase();
    std::mt19937 rng(1234);
    for (int i = 0; i < kNotes; ++i) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->SetText(NoteText(rng));
    }
    db.SetFileName(path.toStdString());
    db.SaveDatabase();
}

// One keystroke in the find window: a letter, or taking it back, in turn. The search
// text "garden x" matches no note, so every note is read to the end; "garde" matches many.
void BM_FindKeystroke(benchmark::State& state) {
    const bool caseSensitive = state.range(0) != 0;
    const QString base = state.range(1) != 0 ? QStringLiteral("garden ") : QStringLiteral("gard");
    MainWindowFixture f;
    f.WriteUsers({{1, "Bench", "bench"}});
    WriteNotes(f.UserFile("bench", "Bench"));
    f.WriteSetting("FindCaseSensitive", caseSensitive ? "1" : "0");
    f.WriteSetting("FindString", base);
    frmMain& w = f.Start();
    RegisterNoteManagementWindows(w);
    w.Commands().Action("mnuFind")->trigger();
    auto* find = qobject_cast<frmFindList*>(w.FindWindow());
    QLineEdit* box = find->SearchBox();
    box->setFocus();
    QApplication::processEvents();
    bool add = true;
    for (auto _ : state) {
        if (add)
            QTest::keyClick(box, Qt::Key_X);
        else
            QTest::keyClick(box, Qt::Key_Backspace);
        add = !add;
        QApplication::processEvents(); // the list paints its rows
        benchmark::DoNotOptimize(find->Results().Records().size());
    }
    state.counters["matches"] = double(find->Results().Records().size());
}
BENCHMARK(BM_FindKeystroke)
    ->ArgNames({"case", "nomatch"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

// The search alone, without the window: what a keystroke costs before any painting.
void BM_SearchIndexOnly(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("notes.pdb");
    WriteNotes(path);
    clsDatabase db;
    db.SetFileName(path.toStdString());
    db.OpenDatabase();
    NoteSearchIndex index;
    const bool caseSensitive = state.range(0) != 0;
    index.Find(db, "x", caseSensitive); // prepared once, as the window's first search does
    for (auto _ : state)
        benchmark::DoNotOptimize(index.Find(db, "garden x", caseSensitive).size());
}
BENCHMARK(BM_SearchIndexOnly)->ArgName("case")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The note manager over the 5000 notes, shown.
struct Manager {
    clsDatabase db;
    ScriptedPlatformServices services;
    std::unique_ptr<frmSortNotes> dialog;

    Manager() {
        QTemporaryDir dir;
        const QString path = dir.filePath("notes.pdb");
        WriteNotes(path);
        db.SetFileName(path.toStdString());
        db.OpenDatabase();
        const frmSortNotes::RecordOrderTarget target{
            [this](const std::string& order) { return db.NewSortOrder(order); }, [] {}};
        dialog = std::make_unique<frmSortNotes>(services, frmSortNotes::FirstLinesOf(db), target);
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

void BM_ManagerMoveBlock(benchmark::State& state) {
    Manager m;
    const int count = int(state.range(0));
    m.SelectBlock(std::min(2000, kNotes - count), count);
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
BENCHMARK(BM_ManagerMoveBlock)->Arg(1)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_ManagerSort(benchmark::State& state) {
    Manager m;
    m.SelectBlock(10, 100);
    const bool descending = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        m.dialog->Model().SetFirstLines(frmSortNotes::FirstLinesOf(m.db)); // unsorted again
        m.SelectBlock(10, 100);
        state.ResumeTiming();
        if (descending)
            m.dialog->cmdRSort_Click();
        else
            m.dialog->cmdSort_Click();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ManagerSort)->ArgName("descending")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ManagerApply(benchmark::State& state) {
    Manager m;
    bool descending = false;
    for (auto _ : state) {
        state.PauseTiming();
        if (descending)
            m.dialog->cmdRSort_Click();
        else
            m.dialog->cmdSort_Click();
        descending = !descending;
        QApplication::processEvents();
        state.ResumeTiming();
        m.dialog->cmdApply_Click();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ManagerApply)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
