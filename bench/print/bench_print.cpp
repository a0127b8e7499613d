// SPDX-License-Identifier: GPL-3.0-or-later
// A long print job to PDF: notes with 500 x 500 sketches, four to a page. Reports the
// PDF size and the process's peak memory, which must stay flat as the page count grows
// (the PDF goes to a sink that keeps nothing).
#include "print/PrintSettings.h"
#include "print/clsPrintData.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <QGuiApplication>
#include <QIODevice>
#include <QPdfWriter>

#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>

using namespace quillary;

namespace {

// Counts what the PDF writer sends and drops it.
class Sink : public QIODevice {
public:
    qint64 written = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override {
        written += size;
        return size;
    }
};

// A sketch: a few thick strokes and a circle, different for every note.
clsBitmap Sketch(int seed) {
    clsBitmap bitmap;
    bitmap.InitializeBitmap(500, 500, 1);
    for (int stroke = 0; stroke < 6; ++stroke) {
        const double a = (seed * 7 + stroke * 13) % 360 * M_PI / 180;
        for (int t = 0; t < 400; ++t)
            for (int w = 0; w < 3; ++w) {
                const int x = int(250 + (t - 200) * std::cos(a)) + w;
                const int y = int(250 + (t - 200) * std::sin(a) + stroke * 20 - 60);
                if (x >= 0 && x < 500 && y >= 0 && y < 500)
                    bitmap.SetPixel(x, y, true);
            }
    }
    for (int d = 0; d < 360; ++d) {
        const double r = 120 + seed % 50;
        bitmap.SetPixel(int(250 + r * std::cos(d * M_PI / 180)),
                        int(250 + r * std::sin(d * M_PI / 180)), true);
    }
    return bitmap;
}

std::unique_ptr<clsDatabase> Notes(int count) {
    auto db = std::make_unique<clsDatabase>();
    db->AddNewDatabase();
    for (int i = 0; i < count; ++i) {
        db->AddNewRecord(i);
        clsQuillaryItem* item = db->GetRecordObject(i);
        item->SetText("Note " + std::to_string(i + 1) +
                      "\nMeeting notes: call the supplier, check the order, book the room "
                      "for Thursday and send the minutes to everyone.");
        item->SetBitmap(Sketch(i));
    }
    return db;
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_PrintPdf(benchmark::State& state) {
    const int notes = int(state.range(0));
    auto db = Notes(notes);
    clsPrintData print = NewDefaultPrintData();
    print.SetDatabase(db.get());
    std::vector<int32_t> selection;
    for (int i = 0; i < notes; ++i)
        selection.push_back(i);
    print.SetSelection(selection);
    print.SetClock([] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); });

    qint64 bytes = 0;
    const long rssBefore = PeakRssKb();
    for (auto _ : state) {
        Sink sink;
        sink.open(QIODevice::WriteOnly);
        QPdfWriter writer(&sink);
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        if (print.PrintNotes(writer) != clsPrintData::PrintResult::Printed)
            state.SkipWithError("print job failed");
        bytes = sink.written;
    }
    state.counters["pages"] = print.PageCount();
    state.counters["pdf_kb"] = double(bytes) / 1024.0;
    state.counters["peak_rss_growth_kb"] = double(PeakRssKb() - rssBefore);
}
BENCHMARK(BM_PrintPdf)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
