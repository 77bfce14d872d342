// Twenty edits of a 24-megapixel photo through the engine, then every step undone and redone:
// the bytes the undo history holds, the process's resident memory, and the slowest undo and
// redo. Each state reached by undo or redo is checked against a digest of the original.
#include <benchmark/benchmark.h>

#include <QCryptographicHash>
#include <QImage>
#include <QRandomGenerator>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "CameraPhotos.h"
#include "ResidentMemory.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"
#include "imaging/history/TileCodec.h"

namespace {

using imaging::ImgX;

// Gradients with noise, through a JPEG at quality 90, as a camera would hand it over.
QImage cameraPhoto() {
    return QImage(bench::cameraPhoto(16, 20240601)).convertToFormat(QImage::Format_RGB32);
}

QByteArray digest(const QImage& image) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const int header[] = {image.width(), image.height(), int(image.format()),
                          int(image.bytesPerLine())};
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(header), sizeof header));
    hash.addData(
        QByteArrayView(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    return hash.result();
}

// A pencil stroke as the editor draws one: a saved step, then a three-pixel-wide line of
// points from (x0, y0) to (x1, y1).
void stroke(ImgX& engine, int x0, int y0, int x1, int y1, int color) {
    engine.SaveUndo(QStringLiteral("Drawing"));
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
        const int x = x0 + (x1 - x0) * i / std::max(1, steps);
        const int y = y0 + (y1 - y0) * i / std::max(1, steps);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) engine.SetPixel(x + dx, y + dy, color);
    }
}

// The twenty edits: strokes across the picture, a crop, a flip and a sharpen between them.
void edit(ImgX& engine, int index) {
    QRandomGenerator random(quint32(index) * 7919u);
    auto at = [&](int limit) { return int(random.bounded(quint32(limit))); };
    switch (index) {
        case 6:
            engine.effects().Crop(200, 150, 5600, 3700, 0);
            break;
        case 12:
            engine.effects().Flip(0, 0);
            break;
        case 17:
            engine.effects().Sharpen(50, 0);
            break;
        default:
            stroke(engine, at(engine.Width()), at(engine.Height()), at(engine.Width()),
                   at(engine.Height()), 0xC02030);
    }
}

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// state.range(0): 1 lets background encodings finish between undos, as a person's pace
// would; 0 presses undo and redo back to back.
void TwentyEditsThenUndoAndRedoAll(benchmark::State& state) {
    const bool paced = state.range(0) != 0;
    for (auto _ : state) {
        ImgX engine;
        engine.canvas().LoadFromPicture(cameraPhoto(), 0);
        std::vector<QByteArray> digests{digest(engine.image())};
        double fullCopies = 0;
        for (int i = 0; i < 20; ++i) {
            fullCopies += double(engine.image().sizeInBytes());
            edit(engine, i);
            digests.push_back(digest(engine.image()));
        }
        engine.history().finishEncoding();
        state.counters["held_MB"] = double(engine.history().bytes()) / 1e6;
        state.counters["full_copies_MB"] = fullCopies / 1e6;
        state.counters["rss_MB"] = bench::residentMegabytes();

        double slowestUndo = 0;
        double slowestRedo = 0;
        bool exact = true;
        for (int i = 20; i > 0; --i) {
            if (paced) engine.history().finishEncoding();
            const auto start = Clock::now();
            engine.Undo();
            slowestUndo = std::max(slowestUndo, millisecondsSince(start));
            exact = exact && digest(engine.image()) == digests[size_t(i - 1)];
        }
        for (int i = 1; i <= 20; ++i) {
            if (paced) engine.history().finishEncoding();
            const auto start = Clock::now();
            engine.Redo();
            slowestRedo = std::max(slowestRedo, millisecondsSince(start));
            exact = exact && digest(engine.image()) == digests[size_t(i)];
        }
        state.counters["slowest_undo_ms"] = slowestUndo;
        state.counters["slowest_redo_ms"] = slowestRedo;
        if (!exact) state.SkipWithError("an undo or redo did not restore its state exactly");
    }
}
BENCHMARK(TwentyEditsThenUndoAndRedoAll)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One state against its neighbour: state.range(0) 0 is a stroke, 1 a sharpen of the whole
// photo, 2 a flip (nothing in common tile by tile).
std::pair<QImage, QImage> statePair(int kind) {
    ImgX engine;
    engine.setInfo(imaging::kInfoUndoEnabled, 0);
    engine.canvas().LoadFromPicture(cameraPhoto(), 0);
    const QImage before = engine.image();
    if (kind == 0) stroke(engine, 100, 200, 5900, 3800, 0xC02030);
    if (kind == 1) engine.effects().Sharpen(50, 0);
    if (kind == 2) engine.effects().Flip(0, 0);
    return {engine.image(), before};
}

void EncodeStep(benchmark::State& state) {
    const auto [image, neighbour] = statePair(int(state.range(0)));
    std::int64_t held = 0;
    for (auto _ : state) held = imaging::history::encode(image, neighbour).bytes();
    state.counters["held_MB"] = double(held) / 1e6;
}
BENCHMARK(EncodeStep)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

void DecodeStep(benchmark::State& state) {
    const auto [image, neighbour] = statePair(int(state.range(0)));
    const imaging::history::EncodedImage encoded = imaging::history::encode(image, neighbour);
    for (auto _ : state) benchmark::DoNotOptimize(imaging::history::decode(encoded, neighbour));
}
BENCHMARK(DecodeStep)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
