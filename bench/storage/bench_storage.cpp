// SPDX-License-Identifier: GPL-3.0-or-later
// Storage speed: open and save of a 5000-note database against a plain file copy, the
// refusal of a 1 GiB file that claims 40,000 notes, the picture codec on 500 x 500 pictures, and
// the two big imports.
//
// Run in a Release build: build-rel/bin/bench_storage

#include "BenchDatabase.h"
#include "storage/ByteOrder.h"
#include "storage/FileIO.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using quillary::bench::MakeSketch;

clsBitmap MakeNoise() {
    clsBitmap b;
    b.InitializeBitmap(500, 500, 1);
    std::mt19937 rng(42);
    for (auto& byte : b.Data())
        byte = uint8_t(rng());
    return b;
}

clsBitmap MakePicture(int kind) {
    if (kind == 0) {
        clsBitmap blank;
        blank.InitializeBitmap(500, 500, 1);
        return blank;
    }
    return kind == 1 ? MakeSketch(1) : MakeNoise();
}

const char* const kKinds[] = {"blank", "sketch", "noise"};

struct Fixture {
    std::string dir;
    std::string database;
    std::string rawText;
    std::string list;
    size_t databaseBytes = 0;
};

const Fixture& Data() {
    static const Fixture f = [] {
        Fixture x;
        x.dir =
            (fs::temp_directory_path() / ("quillary_bench_" + std::to_string(::getpid()))).string();
        fs::create_directories(x.dir);
        x.database = x.dir + "/notes.pdb";
        quillary::bench::WriteBenchDatabase(x.database);
        x.databaseBytes = fs::file_size(x.database);

        x.rawText = x.dir + "/raw.txt";
        std::ofstream raw(x.rawText, std::ios::binary);
        for (int i = 0; i < 10000; ++i)
            raw << "Line " << i << " of the raw notes" << (i % 5 == 4 ? "|" : "") << "\r\n";
        raw.close();

        for (int i = 0; i < 10; ++i) {
            std::ofstream(x.dir + "/t" + std::to_string(i) + ".txt") << "Text of entry " << i;
            MakeSketch(unsigned(100 + i)).SaveWinBmpFile(x.dir + "/p" + std::to_string(i) + ".bmp");
        }
        x.list = x.dir + "/list.txt";
        std::ofstream list(x.list, std::ios::binary);
        list << "0,Quillary import list\r\nnotes for the benchmark\r\n";
        for (int i = 0; i < 1000; ++i)
            list << x.dir << "/t" << i % 10 << ".txt," << x.dir << "/p" << i % 10 << ".bmp\r\n";
        return x;
    }();
    return f;
}

void BM_CopyFileBaseline(benchmark::State& state) {
    const Fixture& f = Data();
    const std::string out = f.dir + "/copy.pdb";
    for (auto _ : state) {
        std::ifstream in(f.database, std::ios::binary);
        std::vector<char> bytes(f.databaseBytes);
        in.read(bytes.data(), std::streamsize(bytes.size()));
        std::ofstream o(out, std::ios::binary | std::ios::trunc);
        o.write(bytes.data(), std::streamsize(bytes.size()));
        o.close();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.databaseBytes));
}
BENCHMARK(BM_CopyFileBaseline)->Unit(benchmark::kMillisecond);

// The same copy written the way a save writes: temporary file, fsync, rename.
void BM_CopyFileDurableBaseline(benchmark::State& state) {
    const Fixture& f = Data();
    const std::string out = f.dir + "/copy.pdb";
    for (auto _ : state) {
        std::vector<uint8_t> bytes;
        quillary::ReadWholeFile(f.database, bytes, nullptr);
        quillary::WriteFileReplacing(out, bytes, nullptr);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.databaseBytes));
}
BENCHMARK(BM_CopyFileDurableBaseline)->Unit(benchmark::kMillisecond);

// What opening must at least do: the same open, fstat and read of the whole file.
void BM_ReadFileBaseline(benchmark::State& state) {
    const Fixture& f = Data();
    for (auto _ : state) {
        std::shared_ptr<const quillary::FileBuffer> bytes;
        if (!quillary::ReadFileBuffer(f.database, bytes, nullptr))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(bytes->data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.databaseBytes));
}
BENCHMARK(BM_ReadFileBaseline)->Unit(benchmark::kMillisecond);

void BM_OpenDatabase(benchmark::State& state) {
    const Fixture& f = Data();
    for (auto _ : state) {
        clsDatabase db;
        db.SetFileName(f.database);
        if (!db.OpenDatabase())
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(db.GetNumRecords());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.databaseBytes));
}
BENCHMARK(BM_OpenDatabase)->Unit(benchmark::kMillisecond);

// A 1 GiB file (sparse) whose header claims 40,000 notes: refused from its first 78 bytes,
// so the time and memory do not depend on the file's size. The label gives the peak
// resident memory of the process afterwards.
void BM_RefuseImpossibleCount(benchmark::State& state) {
    // Not in Data()'s folder: run alone, the label is the refusal's memory, not the fixture's.
    const fs::path dir =
        fs::temp_directory_path() / ("quillary_bench_refuse_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "claims.pdb").string();
    {
        std::vector<uint8_t> header(78, 0);
        quillary::WriteBE16(header.data() + 76, 40000);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(header.data()), 78);
        fs::resize_file(path, uintmax_t(1) << 30);
    }
    for (auto _ : state) {
        clsDatabase db;
        db.SetFileName(path);
        std::string error;
        if (db.OpenDatabase({}, &error))
            state.SkipWithError("a file claiming 40000 notes was opened");
        benchmark::DoNotOptimize(error.data());
    }
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            state.SetLabel("peak resident " + line.substr(6));
    std::error_code ec;
    fs::remove_all(dir, ec);
}
BENCHMARK(BM_RefuseImpossibleCount)->Unit(benchmark::kMicrosecond);

void BM_SaveDatabase(benchmark::State& state) {
    const Fixture& f = Data();
    clsDatabase db;
    db.SetFileName(f.database);
    db.OpenDatabase();
    db.SetFileName(f.dir + "/saved.pdb");
    db.m_VersionPolicy.keep = false; // the write alone; bench_versions measures the versions
    for (auto _ : state) {
        if (!db.SaveDatabase())
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.databaseBytes));
}
BENCHMARK(BM_SaveDatabase)->Unit(benchmark::kMillisecond);

void BM_EncodePicture(benchmark::State& state) {
    const clsBitmap pic = MakePicture(int(state.range(0)));
    std::vector<uint8_t> out;
    for (auto _ : state) {
        pic.GetPalmBitmap(out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(kKinds[state.range(0)]);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pic.Data().size()));
}
BENCHMARK(BM_EncodePicture)->DenseRange(0, 2);

void BM_DecodePicture(benchmark::State& state) {
    const clsBitmap pic = MakePicture(int(state.range(0)));
    std::vector<uint8_t> encoded;
    pic.GetPalmBitmap(encoded);
    clsBitmap out;
    for (auto _ : state) {
        out.LoadPalmBitmap(encoded);
        benchmark::DoNotOptimize(out.Data().data());
    }
    state.SetLabel(kKinds[state.range(0)]);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pic.Data().size()));
}
BENCHMARK(BM_DecodePicture)->DenseRange(0, 2);

void BM_ImportRawText10000Lines(benchmark::State& state) {
    const Fixture& f = Data();
    for (auto _ : state) {
        clsDatabase db;
        db.AddNewDatabase();
        const ImportResult r = db.AppendRawTextNotes(f.rawText);
        if (r.imported != 2000)
            state.SkipWithError("unexpected note count");
    }
}
BENCHMARK(BM_ImportRawText10000Lines)->Unit(benchmark::kMillisecond);

void BM_ImportList1000Entries(benchmark::State& state) {
    const Fixture& f = Data();
    for (auto _ : state) {
        clsDatabase db;
        db.AddNewDatabase();
        const ImportResult r = db.ImportListFormat(f.list);
        if (r.imported != 1000 || !r.messages.empty())
            state.SkipWithError("unexpected import result");
    }
}
BENCHMARK(BM_ImportList1000Entries)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(fs::temp_directory_path() / ("quillary_bench_" + std::to_string(::getpid())),
                   ec);
    return 0;
}
