// SPDX-License-Identifier: GPL-3.0-or-later
// 5000 notes, each with a picture, out to an archive and back in, each next to its
// baseline: writing (tar x) or reading (tar c) the very same files without any
// conversion. Target: each under 2x its baseline.

#include "BenchDatabase.h"
#include "core/NoteArchive.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;
using quillary::NoteArchive;

namespace {

constexpr int kNotes = 5000;

// A sketch of its own in every note: what export and archive spend their time on.
const std::vector<uint8_t>& DatabaseBytes() {
    static const std::vector<uint8_t> bytes = [] {
        clsDatabase db;
        db.AddNewDatabase();
        for (int i = 0; i < kNotes; ++i) {
            db.AddNewRecord(i);
            clsQuillaryItem& note = *db.GetRecordObject(i);
            note.SetText("Shopping list " + std::to_string(i) + "\nmilk\nbread\ncall Anna at 5");
            note.SetBitmap(quillary::bench::MakeSketch(unsigned(i)));
            note.UniqueID = uint32_t(i + 1);
        }
        return db.GetDatabaseBytes();
    }();
    return bytes;
}

QTemporaryDir& Scratch() {
    static QTemporaryDir dir;
    return dir;
}

// The archive once, and its files in memory for the baselines.
const QString& ArchiveDir() {
    static const QString dir = [] {
        const QString path = Scratch().filePath("reference");
        QString error;
        NoteArchive::Write(DatabaseBytes(), path, &error);
        return path;
    }();
    return dir;
}

const std::map<std::string, std::string>& ArchiveFiles() {
    static const std::map<std::string, std::string> files = [] {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::directory_iterator(ArchiveDir().toStdString())) {
            std::ifstream in(e.path(), std::ios::binary);
            out[e.path().filename().string()] =
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return out;
    }();
    return files;
}

std::string FreshDir(int& counter) {
    return Scratch().filePath(QStringLiteral("out%1").arg(counter++)).toStdString();
}

void BM_ArchiveOut(benchmark::State& state) {
    int counter = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string dir = FreshDir(counter);
        state.ResumeTiming();
        QString error;
        if (NoteArchive::Write(DatabaseBytes(), QString::fromStdString(dir), &error) != kNotes)
            state.SkipWithError(error.toUtf8().constData());
        state.PauseTiming();
        fs::remove_all(dir);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ArchiveOut)->Unit(benchmark::kMillisecond)->UseRealTime();

// tar x: the same files written as they are.
void BM_ArchiveOutTarBaseline(benchmark::State& state) {
    int counter = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string dir = FreshDir(counter);
        state.ResumeTiming();
        fs::create_directories(dir);
        for (const auto& [name, bytes] : ArchiveFiles()) {
            std::FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        state.PauseTiming();
        fs::remove_all(dir);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ArchiveOutTarBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ArchiveIn(benchmark::State& state) {
    ArchiveFiles();
    for (auto _ : state) {
        std::vector<uint8_t> bytes;
        NoteArchive::ReadReport report;
        if (!NoteArchive::Read(ArchiveDir(), bytes, report) || bytes != DatabaseBytes())
            state.SkipWithError("the archive did not come back");
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_ArchiveIn)->Unit(benchmark::kMillisecond)->UseRealTime();

// tar c: the same files listed and read into one buffer.
void BM_ArchiveInTarBaseline(benchmark::State& state) {
    ArchiveFiles();
    for (auto _ : state) {
        std::string all;
        for (const auto& e : fs::directory_iterator(ArchiveDir().toStdString())) {
            std::FILE* f = std::fopen(e.path().c_str(), "rb");
            char buffer[65536];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
                all.append(buffer, n);
            std::fclose(f);
        }
        benchmark::DoNotOptimize(all.data());
    }
}
BENCHMARK(BM_ArchiveInTarBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
