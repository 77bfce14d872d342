#include "imaging/codecs/CodecSupport.h"

#include "imaging/ImageMemory.h"

namespace imaging::codecs {

void failCorrupt(const QString& detail) { throw Error(kCorruptFile, detail); }

void failUnsupported(const QString& detail) { throw Error(kUnsupportedFile, detail); }

void checkLimits(std::int64_t width, std::int64_t height, const DecodeLimits& limits) {
    if (width <= 0 || height <= 0)
        failCorrupt(
            QStringLiteral("the header gives a size of %1 x %2 pixels").arg(width).arg(height));
    // The sides are checked before their product, which then cannot overflow; QImage itself
    // cannot hold rows of more than 2^31 bits.
    constexpr std::int64_t kMaxWidth = (0x7FFF'FFFF - 31) / 32;
    constexpr std::int64_t kMaxHeight = 0x7FFF'FFFF;
    const bool tooLarge = width > kMaxWidth || height > kMaxHeight ||
                          width * height > limits.maxPixels || width * height * 4 > limits.maxBytes;
    if (tooLarge)
        throw Error(kImageTooLarge,
                    QStringLiteral("%1 x %2 pixels is more than the limit of %3 pixels (%4 MiB)")
                        .arg(width)
                        .arg(height)
                        .arg(limits.maxPixels)
                        .arg(limits.maxBytes / (1024 * 1024)));
}

QImage newImage(int width, int height, QImage::Format format) {
    QImage image = allocateImage(width, height, format, Prefault::Ahead);
    if (image.isNull())
        throw Error(
            kOutOfMemory,
            QStringLiteral("there is not enough memory for %1 x %2 pixels").arg(width).arg(height));
    return image;
}

QImage normalized(QImage image) {
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != format) image.convertTo(format);
    if (image.isNull())
        throw Error(kOutOfMemory,
                    QStringLiteral("there is not enough memory to convert the image"));
    return image;
}

void dropUnusedAlpha(QImage& image) {
    if (image.format() != QImage::Format_ARGB32) return;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]) != 0) return;
    }
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) row[x] |= 0xFF000000u;
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
}

LittleEndian& LittleEndian::u8(std::uint32_t v) {
    out_.append(char(v & 0xFF));
    return *this;
}

LittleEndian& LittleEndian::u16(std::uint32_t v) { return u8(v).u8(v >> 8); }

LittleEndian& LittleEndian::u32(std::uint32_t v) { return u16(v).u16(v >> 16); }

LittleEndian& LittleEndian::bytes(const QByteArray& v) {
    out_.append(v);
    return *this;
}

}  // namespace imaging::codecs
