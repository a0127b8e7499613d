// SPDX-License-Identifier: GPL-3.0-or-later
// Printing windows speed, on the offscreen platform: opening the print selection for 5000
// notes (target: under 200 ms) and turning a preview page of 2 x 2 notes with pictures
// (target: under 50 ms).
#include "printwindows/PrintWindowsTestKit.h"

#include "core/clsSettings.h"
#include "printwindows/frmPrintPreview.h"
#include "printwindows/frmPrintSelection.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>

#include <benchmark/benchmark.h>

using namespace quillary;
using namespace quillary::test;

namespace {

void BM_OpenPrintSelection5000Notes(benchmark::State& state) {
    PrintFixture f;
    f.WriteUsers({{1, "Bench", "bench"}});
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i)
        texts.push_back("Note " + std::to_string(i + 1) + "\nits text");
    MainWindowFixture::WriteDatabase(f.UserFile("bench", "Bench"), texts);
    frmMain& w = f.Start();
    RegisterPrintWindows(w);
    PrintWindowsHost& host = f.Host();
    state.counters["notes"] = w.NoteSelector()->count();
    for (auto _ : state) {
        frmPrintSelection dialog(host, &w);
        dialog.show();
        QApplication::processEvents(); // laid out and painted once
        benchmark::DoNotOptimize(dialog.NoteList()->count());
        dialog.close();
    }
}
BENCHMARK(BM_OpenPrintSelection5000Notes)->Unit(benchmark::kMillisecond);

void BM_TurnPreviewPage2x2Pictures(benchmark::State& state) {
    PrintFixture f;
    frmMain& w = f.StartWithNotes(8);
    f.Settings().SetSetting(QStringLiteral("PrintNotesWide"), QStringLiteral("2"));
    f.Settings().SetSetting(QStringLiteral("PrintNotesHigh"), QStringLiteral("2"));
    f.Settings().SetSetting(QStringLiteral("PrintNotesSelectedString"),
                            QStringLiteral("0,1,2,3,4,5,6,7"));
    frmPrintPreview preview(f.Host(), &w);
    preview.show();
    QApplication::processEvents();
    int page = 1;
    for (auto _ : state) {
        page = 3 - page;
        preview.ShowPage(page);
        QApplication::processEvents(); // the new page painted on the screen
        benchmark::DoNotOptimize(preview.PageShown());
    }
}
BENCHMARK(BM_TurnPreviewPage2x2Pictures)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
