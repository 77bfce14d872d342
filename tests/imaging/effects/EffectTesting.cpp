#include "EffectTesting.h"

#include <limits>
#include <random>

#include "imaging/effects/EffectTable.h"
#include "imaging/effects/RowBands.h"
#include "imaging/effects/Simd.h"
#include "imaging/effects/Streaming.h"

namespace effects_test {

QImage randomImage(int width, int height, QImage::Format format, unsigned seed) {
    std::mt19937 random(seed);
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 colour = random() & 0xffffffu;
            quint32 alpha = 255;
            if (format == QImage::Format_ARGB32) {
                const unsigned kind = random() % 10;
                alpha = kind < 4 ? 255 : kind == 4 ? 0 : random() & 255;
            }
            row[x] = (alpha << 24) | colour;
        }
    }
    return image;
}

QImage runEffect(const QString& name, const QImage& src, const std::vector<double>& numbers,
                 const QImage* source) {
    imaging::effects::Arguments args;
    args.numbers = numbers;
    args.source = source;
    QImage dst;
    imaging::effects::effectNamed(name).apply(src, dst, args);
    return dst;
}

::testing::AssertionResult samePixels(const QImage& expected, const QImage& actual) {
    if (expected.size() != actual.size() || expected.format() != actual.format())
        return ::testing::AssertionFailure()
               << "expected " << expected.width() << "x" << expected.height() << " format "
               << expected.format() << ", got " << actual.width() << "x" << actual.height()
               << " format " << actual.format();
    for (int y = 0; y < expected.height(); ++y) {
        const auto* e = reinterpret_cast<const quint32*>(expected.constScanLine(y));
        const auto* a = reinterpret_cast<const quint32*>(actual.constScanLine(y));
        for (int x = 0; x < expected.width(); ++x)
            if (e[x] != a[x])
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << "): expected " << std::hex << e[x]
                       << ", got " << a[x];
    }
    return ::testing::AssertionSuccess();
}

KernelSettings::KernelSettings(int threads, bool avx2, bool streaming) {
    imaging::effects::setThreadCount(threads);
    imaging::effects::simd::setAvx2Allowed(avx2);
    // Every result counts as large, or none does.
    imaging::effects::setStreamingThreshold(streaming ? 1 : std::numeric_limits<qint64>::max());
}

KernelSettings::~KernelSettings() {
    imaging::effects::setThreadCount(0);
    imaging::effects::simd::setAvx2Allowed(true);
    imaging::effects::setStreamingThreshold(0);
}

}  // namespace effects_test
