// SPDX-License-Identifier: GPL-3.0-or-later
// Main window speed: switching between two 500 x 500 notes, and opening a 5000-note
// database up to the first note being shown. Run on the offscreen platform.
#include "../../tests/mainwindow/MainWindowFixture.h"

#include "storage/clsBitmap.h"

#include <QApplication>
#include <QComboBox>

#include <benchmark/benchmark.h>

#include <random>

using namespace quillary;
using namespace quillary::test;

namespace {

// A sketch: a few hundred random strokes, so pictures compress like real drawings.
clsBitmap Sketch(unsigned seed) {
    clsBitmap b;
    b.InitializeBitmap(500, 500, 1);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> coord(0, 499);
    for (int stroke = 0; stroke < 60; ++stroke) {
        int x = coord(rng), y = coord(rng);
        for (int step = 0; step < 80; ++step) {
            b.SetPixel(x, y, true);
            x = std::clamp(x + int(rng() % 3) - 1, 0, 499);
            y = std::clamp(y + int(rng() % 3) - 1, 0, 499);
        }
    }
    return b;
}

void WriteSketchDatabase(const QString& path, int notes) {
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string("note - "); };
    db.AddNewDatabase();
    for (int i = 0; i < notes; ++i) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->SetText("Sketch " + std::to_string(i) + "\nwith a second line");
        db.GetRecordObject(i)->SetBitmap(Sketch(unsigned(i % 97)));
    }
    db.SetFileName(path.toStdString());
    db.SaveDatabase();
}

void BM_SwitchNote(benchmark::State& state) {
    MainWindowFixture f;
    f.WriteUsers({{1, "Bench", "bench"}});
    WriteSketchDatabase(f.UserFile("bench", "Bench"), 2);
    frmMain& w = f.Start();
    int next = 1;
    for (auto _ : state) {
        w.NoteSelector()->setCurrentIndex(next);
        next = 1 - next;
        benchmark::DoNotOptimize(w.CurrentNoteIndex());
    }
}
BENCHMARK(BM_SwitchNote)->Unit(benchmark::kMillisecond);

void BM_Open5000NotesToFirstNote(benchmark::State& state) {
    MainWindowFixture f;
    f.WriteUsers({{1, "Bench", "bench"}});
    WriteSketchDatabase(f.UserFile("bench", "Bench"), 5000);
    frmMain& w = f.Start();
    for (auto _ : state) {
        w.ReloadCurrentUser(); // reads the file and shows its first note
        benchmark::DoNotOptimize(w.CurrentNoteIndex());
    }
}
BENCHMARK(BM_Open5000NotesToFirstNote)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
