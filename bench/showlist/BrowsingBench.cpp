// Browsing camera photos in the file list, as the main window does it, against decoding each
// clicked file on the window thread as the window did before it made previews ahead:
//   Arg 0: the press decodes the file and shows it (the list selects at the press);
//   Arg 1: the press awaits the file from the prefetcher and names its neighbours, the release
//          settles it, a preview that arrives while the button is held is shown at once.
// A click holds the button for the time given from its press; events run meanwhile, as they do
// for a user, and a window still busy with the press sees the release late.
// The times are wall times on the window thread: from the press to the preview shown, and the
// longest stretch the window thread spent in one handler (so could not repaint or react).
// Run on both cores: build/bin/browsing_bench

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPixmap>
#include <QSignalSpy>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "CameraPhotos.h"
#include "imaging/effects/RowBands.h"
#include "showlist/Preview.h"
#include "showlist/PreviewFit.h"
#include "showlist/PreviewPrefetcher.h"

namespace {

using bench::cameraPhoto;

enum class Mode { DecodeAtPress = 0, Prefetch = 1 };

// Runs the window thread's events for a while, as it does while a user holds or looks.
void runEventsFor(int ms) {
    if (ms <= 0) return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// 8.3 MB photos, each with its own noise.
QStringList photos(int count) {
    QStringList paths;
    for (int i = 0; i < count; ++i) paths << cameraPhoto(16, 20240601 + quint32(i));
    return paths;
}

// The file list's side of the main window, reduced to its preview box.
class BrowsingWindow {
public:
    BrowsingWindow(Mode mode, QStringList files) : mode_(mode), files_(std::move(files)) {
        box_.setFixedSize(showlist::kPreviewWidth, showlist::kPreviewHeight);
        if (mode_ == Mode::DecodeAtPress) return;
        previews_ = std::make_unique<showlist::PreviewPrefetcher>(
            [](const QString& path) {
                return showlist::makePreview(path, showlist::kBrowserWideRatio);
            },
            32 << 20, imaging::effects::threadCount());
        QObject::connect(
            previews_.get(), &showlist::PreviewPrefetcher::awaitedReady,
            [this](const showlist::PreviewOutcome& outcome) { inHandler([&] { show(outcome); }); });
    }

    void click(int index, int holdMs) {
        shownAfterPressMs_ = -1;
        sincePress_.start();
        inHandler([&] { press(index); });
        // The finger lifts at the hold's end, even when the window only sees it later.
        runEventsFor(holdMs - int(sincePress_.elapsed()));
        releasedAtMs_ = holdMs;
        if (mode_ == Mode::Prefetch)
            inHandler([&] {
                if (const auto outcome = previews_->settle()) show(*outcome);
            });
    }
    // The pointer comes to rest on a photo: the window starts its preview ahead of the press.
    void pointAt(int index) {
        if (mode_ == Mode::Prefetch) inHandler([&] { previews_->prefetch({files_.at(index)}); });
    }
    void waitUntilIdle() {
        if (!previews_) return;
        QSignalSpy idle(previews_.get(), &showlist::PreviewPrefetcher::idle);
        while (!previews_->isIdle()) idle.wait(60000);
    }

    double shownAfterPressMs() const { return shownAfterPressMs_; }
    double shownAfterReleaseMs() const { return std::max(0.0, shownAfterPressMs_ - releasedAtMs_); }
    double longestHandlerMs() const { return longestHandlerMs_; }
    void forgetLongestHandler() { longestHandlerMs_ = 0; }
    // Every preview made so far is forgotten, as if the photos had never been seen.
    void forgetPreviews() {
        if (previews_) previews_->cache().clear();
    }

private:
    void press(int index) {
        const QString& path = files_.at(index);
        if (mode_ == Mode::DecodeAtPress) {
            show({path, showlist::makePreview(path, showlist::kBrowserWideRatio)});
            return;
        }
        if (auto cached = previews_->await(path)) show({path, std::move(cached)});
        QStringList neighbours;
        for (const int near : {index + 1, index - 1})
            if (near >= 0 && near < files_.size()) neighbours << files_.at(near);
        previews_->prefetch(neighbours);
    }
    void show(const showlist::PreviewOutcome& outcome) {
        if (!outcome.preview) return;
        box_.setPixmap(QPixmap::fromImage(outcome.preview->picture));
        shownAfterPressMs_ = sincePress_.nsecsElapsed() / 1e6;
    }
    template <typename Handler>
    void inHandler(Handler handler) {
        QElapsedTimer spent;
        spent.start();
        handler();
        longestHandlerMs_ = std::max(longestHandlerMs_, spent.nsecsElapsed() / 1e6);
    }

    const Mode mode_;
    const QStringList files_;
    QLabel box_;
    std::unique_ptr<showlist::PreviewPrefetcher> previews_;
    QElapsedTimer sincePress_;
    double shownAfterPressMs_ = -1;
    double releasedAtMs_ = 0;
    double longestHandlerMs_ = 0;
};

// Back and forth between two photos whose previews the prefetcher already made; an instant
// click (no hold), so the time is all the window's own.
void WarmNeighbourClick(benchmark::State& state) {
    const QStringList files = photos(3);
    BrowsingWindow window(Mode(state.range(0)), files);
    window.click(1, 0);
    window.waitUntilIdle();
    window.forgetLongestHandler();
    int next = 2;
    for (auto _ : state) {
        window.click(next, 0);
        state.SetIterationTime(window.shownAfterPressMs() / 1e3);
        window.waitUntilIdle();
        next = 3 - next;
    }
    state.counters["longest_handler_ms"] = window.longestHandlerMs();
}
BENCHMARK(WarmNeighbourClick)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// One click on a photo nothing was prepared for, holding the button for the second argument
// in ms. Time: press to preview shown.
void ColdClick(benchmark::State& state) {
    const QStringList files = photos(3);
    BrowsingWindow window(Mode(state.range(0)), files);
    double toRelease = 0;
    for (auto _ : state) {
        window.forgetPreviews();
        window.click(1, int(state.range(1)));
        state.SetIterationTime(window.shownAfterPressMs() / 1e3);
        toRelease += window.shownAfterReleaseMs();
        window.waitUntilIdle();
    }
    state.counters["release_to_shown_ms"] = toRelease / double(state.iterations());
    state.counters["longest_handler_ms"] = window.longestHandlerMs();
}
BENCHMARK(ColdClick)
    ->ArgsProduct({{0, 1}, {0, 60, 100}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// The same click, 60 ms held, after the pointer rested on the photo for the second argument in
// ms, as it does before any press.
void ColdClickAfterPointing(benchmark::State& state) {
    const QStringList files = photos(3);
    BrowsingWindow window(Mode(state.range(0)), files);
    double toRelease = 0;
    for (auto _ : state) {
        window.forgetPreviews();
        window.pointAt(1);
        runEventsFor(int(state.range(1)));
        window.click(1, 60);
        state.SetIterationTime(window.shownAfterPressMs() / 1e3);
        toRelease += window.shownAfterReleaseMs();
        window.waitUntilIdle();
    }
    state.counters["release_to_shown_ms"] = toRelease / double(state.iterations());
    state.counters["longest_handler_ms"] = window.longestHandlerMs();
}
BENCHMARK(ColdClickAfterPointing)
    ->ArgsProduct({{0, 1}, {30, 100, 200}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// Twenty photos clicked one after the other at a human pace: the button held 90 ms, the
// preview looked at for 400 ms. Time: the whole walk; counters: the longest the window
// thread spent in one handler, over the walk and after its first (cold) click, and press to
// shown, on average and at worst.
void WalkTwentyPhotos(benchmark::State& state) {
    const QStringList files = photos(20);
    for (auto _ : state) {
        BrowsingWindow window(Mode(state.range(0)), files);
        double sum = 0, worst = 0;
        QElapsedTimer walk;
        walk.start();
        double firstClickLongest = 0;
        for (int i = 0; i < files.size(); ++i) {
            window.click(i, 90);
            sum += window.shownAfterPressMs();
            worst = std::max(worst, window.shownAfterPressMs());
            runEventsFor(400);
            if (i == 0) {
                firstClickLongest = window.longestHandlerMs();
                window.forgetLongestHandler();
            }
        }
        state.SetIterationTime(double(walk.nsecsElapsed()) / 1e9);
        state.counters["longest_handler_ms"] =
            std::max(firstClickLongest, window.longestHandlerMs());
        state.counters["longest_handler_after_first_ms"] = window.longestHandlerMs();
        state.counters["press_to_shown_mean_ms"] = sum / double(files.size());
        state.counters["press_to_shown_max_ms"] = worst;
        window.waitUntilIdle();
    }
}
BENCHMARK(WalkTwentyPhotos)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
