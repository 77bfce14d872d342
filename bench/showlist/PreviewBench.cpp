// The preview of a 6000 x 4000 camera photo: the file list's path (size from the header,
// DCT-scaled decode, exact scaling) against loading the whole image and scaling it down.
// The argument is the photo's noise in grey levels: 16 makes an 8 MB file, as a 24-megapixel
// camera writes at quality 90; 4 a smoother 3 MB one. Entropy decoding, which no DCT scaling
// avoids, grows with the file's size.
// Run on one core: taskset -c 0 build/bin/showlist_bench

#include <benchmark/benchmark.h>

#include <QFileInfo>

#include "CameraPhotos.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "showlist/Preview.h"
#include "showlist/PreviewFit.h"

namespace {

using bench::cameraPhoto;

void countBytes(benchmark::State& state, const QString& path) {
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}

void FileClickToPreview(benchmark::State& state) {
    const QString& path = cameraPhoto(int(state.range(0)));
    for (auto _ : state) {
        const showlist::Preview preview = showlist::makePreview(path, showlist::kBrowserWideRatio);
        benchmark::DoNotOptimize(preview.picture.constBits());
    }
    countBytes(state, path);
}
BENCHMARK(FileClickToPreview)->Arg(16)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

void FullDecodeThenResize(benchmark::State& state) {
    const QString& path = cameraPhoto(int(state.range(0)));
    for (auto _ : state) {
        imaging::ImgX engine;
        engine.setInfo(imaging::kInfoUndoEnabled, 0);
        engine.canvas().LoadFile(path, 1, 0);
        engine.effects().Resize(showlist::kPreviewWidth, showlist::kPreviewHeight, -1, -1, 0);
        benchmark::DoNotOptimize(engine.files().Picture().constBits());
    }
    countBytes(state, path);
}
BENCHMARK(FullDecodeThenResize)->Arg(16)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // The target is for one core: keep the engine's kernels on the calling thread.
    qputenv("QUORVANE_THREADS", "1");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
