#include "CodecTestSupport.h"

#include <QFile>

#include <cmath>
#include <cstdlib>

namespace codec_tests {

QImage photoLike(int width, int height, bool withAlpha) {
    QImage image(width, height, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28) - 8;
            const int r = 128 + int(100 * std::sin(x * 0.02) * std::cos(y * 0.015)) + noise;
            const int g = (x * 255 / std::max(1, width - 1) + y) / 2 + noise;
            const int b = 255 - (y * 255 / std::max(1, height - 1)) + noise;
            const int a = withAlpha ? (x * 255 / std::max(1, width - 1)) : 255;
            row[x] = qRgba(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255), a);
        }
    }
    return image;
}

QImage flatColors(int width, int height, bool withAlpha) {
    static const QRgb kColors[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                                   0xFF000000, 0x80FFFF00, 0x00000000, 0xFF123456};
    QImage image(width, height, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            QRgb c = kColors[(x / 5 + y / 3) % 8];
            if (!withAlpha) c |= 0xFF000000;
            image.setPixel(x, y, c);
        }
    return image;
}

std::int32_t errorNumberOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const imaging::Error& error) {
        return error.number;
    }
    return 0;
}

int colorDistance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

int maxChannelDifference(const QImage& a, const QImage& b) {
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

Bytes& Bytes::u8(unsigned v) {
    data.append(char(v & 0xFF));
    return *this;
}
Bytes& Bytes::u16(unsigned v) { return u8(v).u8(v >> 8); }
Bytes& Bytes::u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
Bytes& Bytes::u8s(std::initializer_list<unsigned> values) {
    for (unsigned v : values) u8(v);
    return *this;
}
Bytes& Bytes::u16s(std::initializer_list<unsigned> values) {
    for (unsigned v : values) u16(v);
    return *this;
}
Bytes& Bytes::u32s(std::initializer_list<std::uint32_t> values) {
    for (std::uint32_t v : values) u32(v);
    return *this;
}
Bytes& Bytes::raw(const QByteArray& v) {
    data.append(v);
    return *this;
}
Bytes& Bytes::fill(int count, unsigned v) {
    data.append(QByteArray(count, char(v)));
    return *this;
}

QImage decodeFile(const QString& path, int imageNumber, bool autoOrient) {
    imaging::codecs::DecodeOptions options;
    options.imageNumber = imageNumber;
    options.autoOrient = autoOrient;
    return imaging::codecs::decode(path, options);
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QImage imageOf(int width, std::initializer_list<QRgb> pixels, QImage::Format format) {
    const int height = int(pixels.size()) / width;
    QImage image(width, height, format);
    auto it = pixels.begin();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, *it++);
    return image;
}

}  // namespace codec_tests
