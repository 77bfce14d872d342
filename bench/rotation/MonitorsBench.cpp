// A rotation step on two monitors, 3840 x 2160 beside 1920 x 1080, from the stored wallpaper
// bitmaps to the desktop: the same picture fitted to each, a different one on each, one across
// both. The root window's setter needs an X display of the layout's size (xvfb-run -s
// "-screen 0 5760x2160x24"); the desktops that take one composed image, or a file per monitor,
// are timed up to handing the files over. Resident memory after the runs is a counter.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include "CameraPhotos.h"
#include "ResidentMemory.h"
#include "imaging/codecs/Codecs.h"
#include "platform/monitors/MonitorSource.h"
#include "rotation/MonitorWallpaper.h"
#include "rotation/wallpaper/X11WallpaperSetter.h"

namespace {

using rotation::MonitorMode;

const platform::MonitorLayout kLayout = {{"DP-1", {0, 0, 3840, 2160}, {3840, 2160}},
                                         {"HDMI-1", {3840, 0, 1920, 1080}, {1920, 1080}}};

class TwoMonitors final : public platform::MonitorSource {
public:
    platform::MonitorLayout monitors() override { return kLayout; }
};

// A desktop that is handed files and fits nothing itself (sway: a file per output), or one
// that takes a single image of the whole layout (GNOME, Cinnamon, MATE, LXQt, a command).
class HandedFiles final : public rotation::WallpaperSetter {
public:
    explicit HandedFiles(bool perMonitor) : perMonitor_(perMonitor) {}
    QString apply(const QString&) override { return {}; }
    bool addressesMonitors() const override { return perMonitor_; }
    QString applyEach(const std::vector<rotation::MonitorPicture>&) override { return {}; }
    QString applyAcross(const QString&, QString& keptFit) override {
        keptFit = QStringLiteral("zoom");
        return {};
    }
    QString restoreFit(const QString&) override { return {}; }

private:
    bool perMonitor_;
};

// The program's wallpaper bitmaps, as Save Image writes them sized to fit a display: 24-bit
// BMPs of a camera photo, one for each monitor's size.
const std::vector<QString>& storedBitmaps(const QString& folder) {
    static std::vector<QString> paths;
    if (!paths.empty()) return paths;
    const QImage photo = QImage(bench::cameraPhoto(16)).convertToFormat(QImage::Format_RGB32);
    for (const QSize size : {QSize(3840, 2160), QSize(1920, 1080)}) {
        paths.push_back(folder + QStringLiteral("/wallpaper-%1.bmp").arg(size.width()));
        imaging::codecs::encode(photo.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                                paths.back(), imaging::kFormatBmp, {});
    }
    return paths;
}

enum Desktop { RootWindow, FilePerMonitor, ComposedImage };

void step(benchmark::State& state, Desktop desktop, MonitorMode mode) {
    QTemporaryDir folder;
    const std::vector<QString>& bitmaps = storedBitmaps(QDir::tempPath());
    rotation::X11WallpaperSetter root({});
    HandedFiles handed(desktop == FilePerMonitor);
    rotation::WallpaperSetter& setter =
        desktop == RootWindow ? static_cast<rotation::WallpaperSetter&>(root) : handed;
    TwoMonitors monitors;
    rotation::MonitorWallpaper wallpaper(
        setter, monitors, showlist::MonitorSettings(folder.filePath("ZARN.DAT")), folder.path());
    if (const QString problem = wallpaper.setMode(mode); !problem.isEmpty())
        return state.SkipWithError(problem.toUtf8().constData());
    std::size_t next = 0;
    for (auto _ : state) {
        const QString problem = wallpaper.apply(bitmaps[next++ % bitmaps.size()]);
        if (!problem.isEmpty()) return state.SkipWithError(problem.toUtf8().constData());
    }
    state.counters["resident_MB"] = bench::residentMegabytes();
}

#define MONITORS_BENCH(desktop, mode)                                     \
    BENCHMARK_CAPTURE(step, desktop##_##mode, desktop, MonitorMode::mode) \
        ->Unit(benchmark::kMillisecond)                                   \
        ->UseRealTime()                                                   \
        ->Iterations(10)

MONITORS_BENCH(RootWindow, Same);
MONITORS_BENCH(RootWindow, Each);
MONITORS_BENCH(RootWindow, Span);
MONITORS_BENCH(FilePerMonitor, Span);
MONITORS_BENCH(ComposedImage, Each);
MONITORS_BENCH(ComposedImage, Span);

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
