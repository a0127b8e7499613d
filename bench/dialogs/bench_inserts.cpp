// SPDX-License-Identifier: GPL-3.0-or-later
// Insert windows: the manager over a folder of 200 insert databases, and the insert editor
// over a database of 1000 inserts, each from the click to the window on screen. Run on
// the offscreen platform.
#include "../../tests/mainwindow/MainWindowFixture.h"

#include "dialogs/frmEditInserts.h"
#include "dialogs/frmInsertDBList.h"
#include "core/DatabaseDialogs.h"
#include "storage/clsInsertDatabase.h"

#include <QApplication>
#include <QDir>

#include <benchmark/benchmark.h>

using namespace quillary;
using namespace quillary::test;

namespace {

void WriteInsertDatabase(const QString& path, const std::string& name, int inserts) {
    clsInsertDatabase db;
    db.AddNewDatabase();
    db.m_PalmFileName = name;
    for (int i = 0; i < inserts; ++i) {
        db.AddNewRecord(i);
        clsTextInsertItem* item = db.GetRecordObject(i);
        item->Title = "Insert " + std::to_string(i) + " caf\xe9";
        item->SetText("Dear customer,\nthank you for your letter of the " + std::to_string(i) +
                      "th. We will reply within a week.\nKind regards");
    }
    db.SetFileName(path.toStdString());
    db.SaveDatabase();
}

QString StartBench(MainWindowFixture& f) {
    f.WriteUsers({{1, "Bench", "bench"}});
    MainWindowFixture::WriteDatabase(f.UserFile("bench", "Bench"), {"note"});
    const QString folder = f.DesktopDir() + "/bench/QLInsertPDB";
    QDir().mkpath(folder);
    return folder;
}

void BM_OpenManager200Databases(benchmark::State& state) {
    MainWindowFixture f;
    const QString folder = StartBench(f);
    for (int i = 0; i < 200; ++i)
        WriteInsertDatabase(folder + QString("/db%1.pdb").arg(i, 3, 10, QChar('0')),
                            "Database " + std::to_string(i), 20);
    frmMain& w = f.Start();
    for (auto _ : state) {
        frmInsertDBList list(w, &w);
        list.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(list.Databases().size());
        list.close();
    }
}
BENCHMARK(BM_OpenManager200Databases)->Unit(benchmark::kMillisecond);

void BM_OpenEditor1000Inserts(benchmark::State& state) {
    MainWindowFixture f;
    const QString folder = StartBench(f);
    const QString file = folder + "/big.pdb";
    WriteInsertDatabase(file, "Big", 1000);
    frmMain& w = f.Start();
    for (auto _ : state) {
        clsInsertDatabase db;
        db.SetFileName(file.toStdString());
        db.m_ScreenDisplayFlag = true;
        w.ShowProgressBar(true);
        OpenDatabaseInteractive(w.Context(), db, w.ProgressBarReporter());
        w.ShowProgressBar(false);
        frmEditInserts editor(w.Session(), db, &w);
        editor.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(db.GetNumRecords());
        editor.reject();
    }
}
BENCHMARK(BM_OpenEditor1000Inserts)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
