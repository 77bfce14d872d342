#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <limits>
#include <random>
#include <vector>

#include "imaging/EngineTesting.h"
#include "imaging/effects/EffectTable.h"
#include "imaging/effects/RowBands.h"
#include "imaging/effects/Simd.h"
#include "imaging/effects/Streaming.h"

// Sizes as parameters and in failure messages.
inline void PrintTo(QSize size, std::ostream* out) { *out << size.width() << "x" << size.height(); }

// Shared by the effect tests: deterministic images, running an effect through the table, and
// pixel comparisons that name the first difference.
namespace effects_test {

using engine_testing::caseName;
using engine_testing::errorNumberOf;

const QImage::Format kFormats[] = {QImage::Format_RGB32, QImage::Format_ARGB32};

inline quint32 at(const QImage& image, int x, int y) {
    return reinterpret_cast<const quint32*>(image.constScanLine(y))[x];
}

// The byte of a channel: 0 blue, 1 green, 2 red, 3 alpha.
inline int channel(quint32 pixel, int byte) { return int((pixel >> (8 * byte)) & 255); }

// An image made pixel by pixel from a function of the position.
template <typename Pixel>
QImage made(int width, int height, QImage::Format format, Pixel pixel) {
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            reinterpret_cast<quint32*>(image.scanLine(y))[x] = pixel(x, y);
    return image;
}

// Pixels from a fixed seed. ARGB32 images mix opaque, fully transparent and partly transparent
// pixels; RGB32 images are opaque.
inline QImage randomImage(int width, int height, QImage::Format format, unsigned seed) {
    std::mt19937 random(seed);
    return made(width, height, format, [&](int, int) {
        const quint32 colour = random() & 0xffffffu;
        if (format != QImage::Format_ARGB32) return 0xff000000u | colour;
        const unsigned kind = random() % 10;
        const quint32 alpha = kind < 4 ? 255 : kind == 4 ? 0 : quint32(random() & 255);
        return alpha << 24 | colour;
    });
}

// Runs the named effect from the table into a fresh image.
inline QImage runEffect(const QString& name, const QImage& src, const std::vector<double>& numbers,
                        const QImage* source = nullptr) {
    QImage dst;
    imaging::effects::effectNamed(name).apply(src, dst, {numbers, source});
    return dst;
}

inline ::testing::AssertionResult samePixels(const QImage& expected, const QImage& actual) {
    if (expected.size() != actual.size() || expected.format() != actual.format())
        return ::testing::AssertionFailure()
               << "expected " << expected.width() << "x" << expected.height() << " format "
               << expected.format() << ", got " << actual.width() << "x" << actual.height()
               << " format " << actual.format();
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (at(expected, x, y) != at(actual, x, y))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << "): expected " << std::hex
                       << at(expected, x, y) << ", got " << at(actual, x, y);
    return ::testing::AssertionSuccess();
}

// Sets the thread count, AVX2 use and writing around the cache for one scope.
class KernelSettings {
public:
    KernelSettings(int threads, bool avx2, bool streaming) {
        imaging::effects::setThreadCount(threads);
        imaging::effects::simd::setAvx2Allowed(avx2);
        // Every result counts as large, or none does.
        imaging::effects::setStreamingThreshold(streaming ? 1 : std::numeric_limits<qint64>::max());
    }
    ~KernelSettings() {
        imaging::effects::setThreadCount(0);
        imaging::effects::simd::setAvx2Allowed(true);
        imaging::effects::setStreamingThreshold(0);
    }
};

}  // namespace effects_test
