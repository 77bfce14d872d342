#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <functional>
#include <random>

#include "imaging/Error.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/effects/RowBands.h"
#include "imaging/effects/Simd.h"
#include "imaging/effects/Streaming.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

inline std::ostream& operator<<(std::ostream& out, QSize size) {
    return out << size.width() << "x" << size.height();
}

// Generated images, pixel comparisons that name the first difference, and hand-made file
// bytes, for every test of the engine.
namespace imaging_testing {

using testing_support::TempFolder;
namespace codecs = imaging::codecs;

// The imaging::Error that `work` throws, number 0 when it throws none.
inline imaging::Error errorOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const imaging::Error& error) {
        return error;
    }
    return {0, {}};
}

inline std::int32_t errorNumberOf(const std::function<void()>& work) {
    return errorOf(work).number;
}

inline constexpr auto caseName = [](const auto& info) { return std::string(info.param.name); };

constexpr QRgb R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000;

const QImage::Format kFormats[] = {QImage::Format_RGB32, QImage::Format_ARGB32};

inline quint32 at(const QImage& image, int x, int y) {
    return reinterpret_cast<const quint32*>(image.constScanLine(y))[x];
}

// The byte of a channel: 0 blue, 1 green, 2 red, 3 alpha.
inline int channel(quint32 pixel, int byte) { return int((pixel >> (8 * byte)) & 255); }

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
        return (kind < 4 ? 255 : kind == 4 ? 0 : quint32(random() & 255)) << 24 | colour;
    });
}

// A smooth picture with fine noise, like a photo: gradients for the lossy codecs, noise so
// that run-length and palette shortcuts are not enough.
inline QImage photoLike(int width, int height, bool withAlpha = false) {
    std::uint32_t seed = 12345;
    const int right = std::max(1, width - 1), bottom = std::max(1, height - 1);
    return made(width, height, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32,
                [&](int x, int y) {
                    seed = seed * 1664525u + 1013904223u;
                    const int noise = int(seed >> 28) - 8;
                    const int r = 128 + int(100 * std::sin(x * 0.02) * std::cos(y * 0.015));
                    const int g = (x * 255 / right + y) / 2, b = 255 - y * 255 / bottom;
                    return qRgba(std::clamp(r + noise, 0, 255), std::clamp(g + noise, 0, 255),
                                 std::clamp(b + noise, 0, 255), withAlpha ? x * 255 / right : 255);
                });
}

// Blocks of a few flat colours, so palettes hold them exactly and runs form.
inline QImage flatColors(int width, int height, bool withAlpha = false) {
    static const QRgb kColors[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                                   0xFF000000, 0x80FFFF00, 0x00000000, 0xFF123456};
    return made(
        width, height, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32,
        [&](int x, int y) { return kColors[(x / 5 + y / 3) % 8] | (withAlpha ? 0 : 0xFF000000); });
}

// Every channel of every pixel within `tolerance` levels; exactly equal by default.
inline ::testing::AssertionResult samePixels(const QImage& expected, const QImage& actual,
                                             int tolerance = 0) {
    if (expected.size() != actual.size() || expected.format() != actual.format())
        return ::testing::AssertionFailure()
               << "expected " << expected.size() << " format " << expected.format() << ", got "
               << actual.size() << " format " << actual.format();
    const auto near = [tolerance](quint32 a, quint32 b) {
        for (int byte = 0; byte < 4; ++byte)
            if (std::abs(channel(a, byte) - channel(b, byte)) > tolerance) return false;
        return true;
    };
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (at(expected, x, y) != at(actual, x, y) &&
                !near(at(expected, x, y), at(actual, x, y)))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << "): expected " << std::hex
                       << at(expected, x, y) << ", got " << at(actual, x, y);
    return ::testing::AssertionSuccess();
}

inline int colorDistance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

// Sets the thread count, AVX2 use and writing around the cache for one scope.
class KernelSettings {
public:
    KernelSettings(int threads, bool avx2 = true, bool streaming = false) {
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

// Little-endian bytes for hand-made files: u16(1, 2) appends 01 00 02 00.
struct Bytes {
    Bytes& u8(auto... values) { return put(1, values...); }
    Bytes& u16(auto... values) { return put(2, values...); }
    Bytes& u32(auto... values) { return put(4, values...); }
    Bytes& put(int size, auto... values) {
        for (std::int64_t v : {std::int64_t(values)...})
            for (int i = 0; i < size; ++i) data.append(char(v >> (8 * i)));
        return *this;
    }
    Bytes& raw(const QByteArray& bytes) {
        data.append(bytes);
        return *this;
    }
    Bytes& fill(qsizetype count) { return raw(QByteArray(count, '\0')); }
    // Colours in the order B G R, as most of these formats store them.
    Bytes& bgr(std::initializer_list<QRgb> colors) {
        for (QRgb c : colors) u8(qBlue(c), qGreen(c), qRed(c));
        return *this;
    }
    QByteArray data;
};

inline QImage decodeFile(const QString& path, int imageNumber = 1) {
    return codecs::decode(path, {imageNumber, true, {}});
}

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

}  // namespace imaging_testing
