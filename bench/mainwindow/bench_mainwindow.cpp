// SPDX-License-Identifier: GPL-3.0-or-later
// Main window speed: switching between two 500 x 500 notes, opening a 5000-note database
// up to the first note being shown, the memory a window with that file open takes above
// the same window with no notes, and saving 5000 and 32,767 notes against cp of the same
// file. Run on the offscreen platform.
#include "../../tests/mainwindow/MainWindowFixture.h"

#include "session/NotesSession.h"
#include "storage/PdbFormat.h"
#include "storage/clsBitmap.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <random>
#include <unistd.h>

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
    std::vector<std::vector<uint8_t>> pictures(97); // what SetBitmap would encode, once each
    for (unsigned k = 0; k < pictures.size(); ++k)
        Sketch(k).GetPalmBitmap(pictures[k]);
    for (int i = 0; i < notes; ++i) {
        db.AddNewRecord(i);
        db.GetRecordObject(i)->SetText("Sketch " + std::to_string(i) + "\nwith a second line");
        db.GetRecordObject(i)->SetBitmapData(pictures[size_t(i) % pictures.size()]);
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

// The storage's own open of the same file in the same process, for comparison with the
// window's (the target's anchor is bench_storage's BM_OpenDatabase, a file of the same size).
void BM_StorageOpen5000(benchmark::State& state) {
    MainWindowFixture f;
    const QString path = f.UserFile("bench", "Bench");
    QDir().mkpath(QFileInfo(path).absolutePath());
    WriteSketchDatabase(path, 5000);
    for (auto _ : state) {
        clsDatabase db;
        db.SetFileName(path.toStdString());
        if (!db.OpenDatabase())
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(db.GetNumRecords());
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}
BENCHMARK(BM_StorageOpen5000)->Unit(benchmark::kMillisecond)->Iterations(30);

// Saving from the window after one note changed: the whole file is written anew, flushed
// to the disk, and the file it replaces is kept as an earlier version. Each save starts with
// no earlier versions, as after the retention pruned them.
void BM_Save(benchmark::State& state) {
    const int notes = int(state.range(0));
    MainWindowFixture f;
    f.WriteUsers({{1, "Bench", "bench"}});
    const QString path = f.UserFile("bench", "Bench");
    WriteSketchDatabase(path, notes);
    frmMain& w = f.Start();
    const QString versions = QFileInfo(path).absolutePath() + QStringLiteral("/.quillary-versions");
    // What the person sees move: the times the progress bar is drawn during a save.
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    w.ProgressBar()->installEventFilter(&counter);
    int edit = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(versions).removeRecursively();
        w.Session().Database().GetRecordObject(0)->SetText("Edit " + std::to_string(++edit));
        w.Session().MarkChanged();
        state.ResumeTiming();
        if (!w.Session().Save())
            state.SkipWithError("save failed");
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
    state.counters["bar_drawn_per_save"] = double(counter.paints) / double(state.iterations());
}
BENCHMARK(BM_Save)->Arg(5000)->Arg(kPdbMaxRecords)->Unit(benchmark::kMillisecond)->Iterations(5);

// The anchor for BM_Save, measured in the same run: cp of the same file to a new file, and
// cp again for the earlier version a save keeps. cp does not flush what it wrote to the disk;
// a save must, before it renames the new file over the old one, so the second form (flushed)
// adds sync of the two copies: what the same copies cost when they are to survive a crash.
void BM_SaveAnchorCp(benchmark::State& state) {
    const int notes = int(state.range(0));
    const bool flushed = state.range(1) != 0;
    MainWindowFixture f;
    const QString path = f.UserFile("bench", "Bench");
    QDir().mkpath(QFileInfo(path).absolutePath());
    WriteSketchDatabase(path, notes);
    const QString copy = path + QStringLiteral(".copy");
    const QString version = path + QStringLiteral(".version");
    const std::string command = "cp '" + path.toStdString() + "' '" + copy.toStdString() +
                                "' && cp '" + path.toStdString() + "' '" +
                                version.toStdString() + "'" +
                                (flushed ? " && sync '" + copy.toStdString() + "' '" +
                                               version.toStdString() + "'"
                                         : std::string());
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(copy);
        QFile::remove(version);
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp failed");
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}
BENCHMARK(BM_SaveAnchorCp)
    ->ArgsProduct({{5000, kPdbMaxRecords}, {0, 1}})
    ->ArgNames({"notes", "flushed"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// A line of /proc/self/status in KiB ("VmRSS", "VmHWM"); -1 when there is none.
long StatusKiB(const std::string& key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0)
            return std::stol(line.substr(key.size() + 1));
    return -1;
}

// Peak resident memory while the window opens the 5000-note file and shows its first
// note, above the same window holding an empty new database: counters give it in bytes
// and as a multiple of the file's size.
void BM_OpenMemory5000Notes(benchmark::State& state) {
    MainWindowFixture f;
    f.WriteUsers({{1, "Bench", "bench"}});
    const QString path = f.UserFile("other", "Other");
    QDir().mkpath(QFileInfo(path).absolutePath());
    WriteSketchDatabase(path, 5000);
    const double fileBytes = double(QFileInfo(path).size());
    frmMain& w = f.Start(); // no file for this user: an empty new database
    QApplication::processEvents();
    long growthKiB = -1;
    for (auto _ : state) {
        state.PauseTiming();
        ::malloc_trim(0); // what the file's writer freed is not the window's
        const long baseline = StatusKiB("VmRSS");
        const int refs = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
        const bool reset = refs >= 0 && ::write(refs, "5", 1) == 1;
        if (refs >= 0)
            ::close(refs);
        state.ResumeTiming();
        if (!w.Session().OpenFile(path))
            state.SkipWithError("open failed");
        QApplication::processEvents();
        benchmark::DoNotOptimize(w.CurrentNoteIndex());
        if (reset && baseline >= 0)
            growthKiB = StatusKiB("VmHWM") - baseline;
    }
    if (growthKiB < 0) {
        state.SkipWithError("peak memory cannot be read here");
        return;
    }
    state.counters["file_MB"] = fileBytes / 1e6;
    state.counters["peak_growth_MB"] = double(growthKiB) * 1024 / 1e6;
    state.counters["growth_per_file_byte"] = double(growthKiB) * 1024 / fileBytes;
}
BENCHMARK(BM_OpenMemory5000Notes)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
