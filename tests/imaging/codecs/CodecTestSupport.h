#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <cmath>
#include <cstdint>

#include "imaging/EngineTesting.h"
#include "imaging/Error.h"
#include "imaging/codecs/Codecs.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

namespace codec_tests {

using engine_testing::caseName;
using engine_testing::errorNumberOf;
namespace codecs = imaging::codecs;

// A smooth picture with fine noise, like a photo: gradients for the lossy codecs, noise so
// that run-length and palette shortcuts are not enough.
inline QImage photoLike(int width, int height, bool withAlpha = false) {
    QImage image(width, height, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    const int right = std::max(1, width - 1), bottom = std::max(1, height - 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28) - 8;
            const int r = 128 + int(100 * std::sin(x * 0.02) * std::cos(y * 0.015)) + noise;
            const int g = (x * 255 / right + y) / 2 + noise, b = 255 - y * 255 / bottom + noise;
            image.setPixel(x, y,
                           qRgba(std::clamp(r, 0, 255), std::clamp(g, 0, 255),
                                 std::clamp(b, 0, 255), withAlpha ? x * 255 / right : 255));
        }
    return image;
}

// Blocks of a few flat colours, so palettes hold them exactly and runs form.
inline QImage flatColors(int width, int height, bool withAlpha = false) {
    static const QRgb kColors[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                                   0xFF000000, 0x80FFFF00, 0x00000000, 0xFF123456};
    QImage image(width, height, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, kColors[(x / 5 + y / 3) % 8] | (withAlpha ? 0 : 0xFF000000));
    return image;
}

// The sum of the differences of the three colour channels.
inline int colorDistance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

// The largest difference of any channel of any pixel; -1 when the sizes or formats differ.
inline int maxChannelDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

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

inline QImage decodeFile(const QString& path, int imageNumber = 1, bool autoOrient = true) {
    codecs::DecodeOptions options;
    options.imageNumber = imageNumber;
    options.autoOrient = autoOrient;
    return codecs::decode(path, options);
}

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// An image from its pixels, top row first.
inline QImage imageOf(int width, std::initializer_list<QRgb> pixels,
                      QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, int(pixels.size()) / width, format);
    for (int i = 0; i < int(pixels.size()); ++i)
        image.setPixel(i % width, i / width, pixels.begin()[i]);
    return image;
}

constexpr QRgb R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000;

// A hand-made file and the picture it holds.
struct FileCase {
    const char* name;
    QByteArray file;
    QImage expected;
};

// A hand-made file and the error that refuses it.
struct BadFileCase {
    const char* name;
    QByteArray file;
    std::int32_t error;
};

inline void PrintTo(const FileCase& c, std::ostream* out) { *out << c.name; }
inline void PrintTo(const BadFileCase& c, std::ostream* out) { *out << c.name; }

}  // namespace codec_tests
