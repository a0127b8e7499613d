// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping an earlier version before a save of 5000 notes, against the save alone. Keeping
// a version should add less than half to the save (a clone or hard link where the file
// system allows). The copy a file system without links gets is measured too.
//
// Run in a Release build: build-rel/bin/bench_versions

#include "storage/VersionStore.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kNotes = 5000;

struct Fixture {
    fs::path dir;
    clsDatabase db;
    int round = 0;

    Fixture() {
        dir = fs::temp_directory_path() / ("quillary_bench_versions_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        db.AddNewDatabase();
        clsBitmap picture;
        picture.InitializeBitmap(500, 500, 1);
        for (int i = 0; i < 400; ++i)
            picture.SetPixel(i, (i * 7) % 500, true);
        for (int i = 0; i < kNotes; ++i) {
            db.AddNewRecord(i);
            db.GetRecordObject(i)->SetText("Note " + std::to_string(i) + "\nsome words of text");
            db.GetRecordObject(i)->SetBitmap(picture);
        }
        db.SetFileName((dir / "notes.pdb").string());
        db.SaveDatabase();
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    // Each save writes something new, as a person's would.
    void Edit() { db.GetRecordObject(0)->SetText("Edit " + std::to_string(++round)); }
};

void BM_Save5000(benchmark::State& state) {
    Fixture f;
    f.db.m_VersionPolicy.keep = false; // the save alone
    for (auto _ : state) {
        f.Edit();
        if (!f.db.SaveDatabase())
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_Save5000)->Unit(benchmark::kMillisecond);

// What every save does: keep the file (linked right before the rename), save, prune.
void BM_SaveKeepingVersion5000(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.Edit();
        if (!f.db.SaveDatabase())
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveKeepingVersion5000)->Unit(benchmark::kMillisecond);

// A file system without links or clones: the version is a copy.
void BM_SaveKeepingCopiedVersion5000(benchmark::State& state) {
    Fixture f;
    f.db.m_VersionPolicy.keep = false; // kept here as a copy instead
    quillary::VersionStore store(f.db.GetFileName());
    for (auto _ : state) {
        f.Edit();
        if (!store.KeepFile(nullptr, nullptr, nullptr, false) || !f.db.SaveDatabase())
            state.SkipWithError("save failed");
        store.Prune(quillary::VersionRetention{});
    }
}
BENCHMARK(BM_SaveKeepingCopiedVersion5000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
