// Save Setup and the reload that every return to the main window does, for a show list of
// 10 000 entries with long names, over a store that already holds such a list (saving again
// after an edit). Both run on the UI thread, so their time is time the window cannot answer.
// Run: build/bin/savesetup_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

#include "showlist/RecordSet.h"
#include "showlist/ShowLists.h"
#include "showlist/StoreReader.h"
#include "showlist/StoreWriter.h"

namespace {

constexpr int kEntries = 10000;

// Paths of about 200 characters, as deep photo folders give.
void fill(showlist::ShowLists& lists) {
    const QString folder =
        QStringLiteral("/home/someone/Pictures/") + QString(160, QLatin1Char('d'));
    for (int i = 0; i < kEntries; ++i) {
        const QString name = QStringLiteral("holiday photo number %1.jpg").arg(i);
        lists.append({name, folder + QLatin1Char('/') + name, QStringLiteral("15")});
    }
}

struct Window {
    QListWidget names, paths, times;
    showlist::ShowLists lists{&names, &paths, &times};
};

void SaveSetup(benchmark::State& state) {
    QTemporaryDir folder;
    Window window;
    fill(window.lists);
    showlist::RecordSet store;
    store.open(folder.filePath(QStringLiteral("ZARN.DAT")));
    showlist::writeShowList(store, window.lists);
    for (auto _ : state) showlist::writeShowList(store, window.lists);
}
BENCHMARK(SaveSetup)->Unit(benchmark::kMillisecond)->UseRealTime();

void ReloadIntoTheWindow(benchmark::State& state) {
    QTemporaryDir folder;
    Window saved, shown;
    fill(saved.lists);
    showlist::RecordSet store;
    store.open(folder.filePath(QStringLiteral("ZARN.DAT")));
    showlist::writeShowList(store, saved.lists);
    for (auto _ : state) showlist::fillLists(store, shown.lists);
}
BENCHMARK(ReloadIntoTheWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
