#include <benchmark/benchmark.h>

#include <QImage>
#include <algorithm>
#include <cstring>

#include "imaging/effects/EffectTable.h"

// Each benchmark runs one effect from the table on a 6000 x 4000 photo-sized image, reusing
// its result image the way repeated edits do, so the times are of warm memory.
namespace {

using imaging::effects::Arguments;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Smooth gradients with noise on top, so that no kernel meets only flat colour. ARGB32 images
// are opaque except for their right fifth, which fades out.
QImage photo(QImage::Format format, unsigned seed) {
    QImage image(kWidth, kHeight, format);
    quint32 state = seed;
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            state = state * 1664525u + 1013904223u;
            const quint32 noise = state >> 24;
            const quint32 r = (x * 255 / kWidth + noise) & 255;
            const quint32 g = (y * 255 / kHeight + (noise >> 1)) & 255;
            const quint32 b = ((x + y) / 40 + (noise >> 2)) & 255;
            const int fade = std::max(0, x - kWidth * 4 / 5) * 255 / (kWidth / 5);
            const quint32 a = format == QImage::Format_RGB32 ? 255 : quint32(255 - fade);
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    return image;
}

const QImage& source(QImage::Format format) {
    static const QImage rgb = photo(QImage::Format_RGB32, 1);
    static const QImage argb = photo(QImage::Format_ARGB32, 1);
    return format == QImage::Format_RGB32 ? rgb : argb;
}

void runEffect(benchmark::State& state, const char* name, std::vector<double> numbers,
               QImage::Format format = QImage::Format_RGB32) {
    const auto& effect = imaging::effects::effectNamed(QString::fromLatin1(name));
    const QImage& src = source(format);
    static const QImage over = photo(QImage::Format_RGB32, 2);
    Arguments args;
    args.numbers = std::move(numbers);
    args.source = &over;
    QImage dst;
    effect.apply(src, dst, args);
    for (auto _ : state) {
        effect.apply(src, dst, args);
        benchmark::DoNotOptimize(dst.constBits());
    }
    state.SetItemsProcessed(state.iterations() * qint64(dst.width()) * dst.height());
}

void memcpyBuffer(benchmark::State& state) {
    const QImage& src = source(QImage::Format_RGB32);
    QImage dst = src.copy();
    for (auto _ : state) {
        std::memcpy(dst.bits(), src.constBits(), size_t(src.sizeInBytes()));
        benchmark::DoNotOptimize(dst.constBits());
    }
}

void countColours(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(imaging::effects::countColors(source(QImage::Format_RGB32)));
}

const std::vector<double> kEdge = {-1, -1, -1, -1, 8, -1, -1, -1, -1};
std::vector<double> with(std::vector<double> kernel, std::initializer_list<double> rest) {
    kernel.insert(kernel.end(), rest);
    return kernel;
}
const double kNinth = 1.0 / 9;

}  // namespace

// Other programs share the machine, so runs with --benchmark_repetitions also report the
// fastest repetition, the one least disturbed.
double fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

#define EFFECT(label, ...)                           \
    BENCHMARK_CAPTURE(runEffect, label, __VA_ARGS__) \
        ->Unit(benchmark::kMillisecond)              \
        ->UseRealTime()                              \
        ->ComputeStatistics("min", fastest)

BENCHMARK(memcpyBuffer)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", fastest);
EFFECT(flip_horizontal, "flip", {0, 0});
EFFECT(flip_vertical, "flip", {1, 0});
EFFECT(rotate_90, "rotate", {90, 0, 0});
EFFECT(rotate_270, "rotate", {270, 0, 0});
EFFECT(rotate_180, "rotate", {180, 0, 0});
EFFECT(rotate_33, "rotate", {33, 0, 0});
EFFECT(rotate_33_argb, "rotate", {33, 0, 0}, QImage::Format_ARGB32);
EFFECT(resize_640x427, "resize", {640, 427, -1, -1, 0});
EFFECT(resize_640x427_argb, "resize", {640, 427, -1, -1, 0}, QImage::Format_ARGB32);
EFFECT(resize_3000x2000, "resize", {3000, 2000, -1, -1, 0});
EFFECT(crop_5000x3000, "crop", {500, 500, 5000, 3000, 0});
EFFECT(filter_edge_minus_half, "filter3x3", with(kEdge, {-0.5, 0}));
EFFECT(filter_edge_minus_0_2, "filter3x3", with(kEdge, {-0.2, 0}));
EFFECT(filter_intensify_20, "filter3x3", with({0, 0, 0, 0, 1, 0, 0, 0, 0}, {-0.2, 0}));
EFFECT(convolve_soften_binomial, "convolve", with({1, 2, 1, 2, 4, 2, 1, 2, 1}, {16, 7, 0, 0, 0}));
EFFECT(convolve_soften_ninths, "convolve",
       with({kNinth, kNinth, kNinth, kNinth, kNinth, kNinth, kNinth, kNinth, kNinth},
            {1, 7, 0, 0, 0}));
EFFECT(sharpen_4, "sharpen", {4, 0});
EFFECT(sharpen_35, "sharpen", {35, 0});
EFFECT(grayscale, "grayscale", {0});
EFFECT(grayscale_argb, "grayscale", {0}, QImage::Format_ARGB32);
EFFECT(merge_full_50, "merge", {0, 0, 50, -1, 0});
EFFECT(merge_full_50_argb, "merge", {0, 0, 50, -1, 0}, QImage::Format_ARGB32);
EFFECT(blank, "blank", {6000, 4000, 0x336699, 0, 0, 0});
BENCHMARK(countColours)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", fastest);

BENCHMARK_MAIN();
