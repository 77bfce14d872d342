#include "imaging/codecs/DibCodec.h"

#include <bit>
#include <cstring>

#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/DataBounds.h"
#include "imaging/codecs/Quantizer.h"

namespace imaging::codecs {
namespace {

constexpr std::uint32_t kPlain = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

bool isWindowsHeader(std::uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// One channel of a bit-field pixel, scaled to 0..255 whatever the width of its mask.
struct Channel {
    explicit Channel(std::uint32_t mask) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        max = mask >> shift;
    }
    std::uint32_t operator()(std::uint32_t pixel) const {
        if (max == 0) return 0;
        const std::uint32_t v = (pixel >> shift) & max;
        return std::uint32_t((std::uint64_t(v) * 255 + max / 2) / max);
    }
    int shift = 0;
    std::uint32_t max = 0;
};

std::vector<QRgb> readColorTable(const DibHeader& h, Bytes info) {
    // Writers often store fewer entries than the depth allows; the missing ones are black.
    std::vector<QRgb> table(256, qRgb(0, 0, 0));
    const std::size_t available = h.colorTableOffset < info.size()
                                      ? (info.size() - h.colorTableOffset) / h.colorEntrySize
                                      : 0;
    const std::size_t count = std::min<std::size_t>(h.colorCount, available);
    const std::uint8_t* p = info.data() + h.colorTableOffset;
    for (std::size_t i = 0; i < count; ++i, p += h.colorEntrySize)
        table[i] = qRgb(p[2], p[1], p[0]);
    return table;
}

QRgb* rowOf(QImage& image, const DibHeader& h, std::int64_t fileRow) {
    const int y = int(h.topDown ? fileRow : h.height - 1 - fileRow);
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

void decodePlain(const DibHeader& h, Bytes bits, const std::vector<QRgb>& table, QImage& image) {
    const std::int64_t stride = (h.width * h.bitCount + 31) / 32 * 4;
    // Writers often leave out the padding after the last row, so only its pixels must be there.
    const std::int64_t needed = stride * (h.height - 1) + (h.width * h.bitCount + 7) / 8;
    if (std::int64_t(bits.size()) < needed)
        failCorrupt(QStringLiteral("the pixel data ends early"));
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
    const int width = int(h.width);
    for (std::int64_t r = 0; r < h.height; ++r) {
        const std::uint8_t* src = bits.data() + r * stride;
        QRgb* dst = rowOf(image, h, r);
        switch (h.bitCount) {
            case 1:
            case 2:
            case 4:
            case 8: {
                const unsigned perByte = 8 / h.bitCount, mask = (1u << h.bitCount) - 1;
                for (int x = 0; x < width; ++x) {
                    const unsigned shift = 8 - h.bitCount * (x % perByte + 1);
                    dst[x] = table[(src[x / perByte] >> shift) & mask];
                }
                break;
            }
            case 24:
                for (int x = 0; x < width; ++x, src += 3) dst[x] = qRgb(src[2], src[1], src[0]);
                break;
            default: {  // 16 and 32 bits through their masks
                const bool wide = h.bitCount == 32;
                // The usual 8-bit fields are QImage's own layout: copy them as they are.
                if (wide && h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF &&
                    (h.masks[3] == 0 || h.masks[3] == 0xFF000000)) {
                    const std::uint32_t opaque = h.masks[3] ? 0 : 0xFF000000;
                    for (int x = 0; x < width; ++x) dst[x] = readU32(src + 4 * x) | opaque;
                    break;
                }
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t p = wide ? readU32(src + 4 * x) : readU16(src + 2 * x);
                    dst[x] = qRgba(red(p), green(p), blue(p), h.masks[3] ? alpha(p) : 255);
                }
            }
        }
    }
}

// Run-length bitmaps may skip pixels with "delta" and "end of line" codes; skipped pixels
// keep colour 0 of the table, as most viewers show them.
void decodeRle(const DibHeader& h, Bytes bits, const std::vector<QRgb>& table, QImage& image) {
    image.fill(table[0]);
    const bool four = h.compression == kRle4;
    ByteReader in(bits);
    std::int64_t x = 0, row = 0;
    auto put = [&](unsigned index) {
        if (x < h.width) rowOf(image, h, row)[x] = table[index];
        ++x;
    };
    while (row < h.height) {
        if (in.remaining() < 2) failCorrupt(QStringLiteral("the run-length data ends early"));
        const unsigned count = in.u8(), value = in.u8();
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(four ? (i & 1 ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++row;
        } else if (value == 1) {  // end of bitmap
            return;
        } else if (value == 2) {  // delta
            x += in.u8();
            row += in.u8();
        } else {  // a literal run of `value` pixels, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            const std::uint8_t* p = in.take(bytes);
            for (unsigned i = 0; i < value; ++i)
                put(four ? (i & 1 ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
            if (bytes & 1) in.skip(std::min<std::size_t>(1, in.remaining()));
        }
    }
}

// An encoded run spells out at most 255 pixels in two bytes, a literal run fewer. End of line,
// delta and end of bitmap leave pixels to colour 0 at no cost, so a bitmap whose runs cannot
// spell out its size is taken at its word only up to kUnspelledPixels: a real encoder writes
// every pixel as runs, ending each line with two bytes.
void requireRunsForSize(const DibHeader& h, Bytes bits) {
    const std::uint64_t spelled = bits.size() / 2 * 255;
    const std::uint64_t pixels = std::uint64_t(h.width) * std::uint64_t(h.height);
    if (pixels > spelled && pixels > std::uint64_t(kUnspelledPixels))
        failDataTooShort(bits.size(), h.width, h.height);
}

}  // namespace

DibHeader parseDibHeader(Bytes info) {
    ByteReader in(info);
    DibHeader h;
    h.headerSize = in.u32();
    if (h.headerSize == 12) {
        h.width = in.u16();
        h.height = in.u16();
        in.skip(2);
        h.bitCount = in.u16();
        h.colorEntrySize = 3;
    } else if (h.headerSize >= 16 && h.headerSize <= 124) {
        if (info.size() < h.headerSize) failCorrupt(QStringLiteral("the bitmap header ends early"));
        h.width = in.i32();
        const std::int32_t height = in.i32();
        h.topDown = height < 0;
        h.height = h.topDown ? -std::int64_t(height) : height;
        in.skip(2);
        h.bitCount = in.u16();
        if (h.headerSize >= 20) h.compression = in.u32();
        std::uint32_t used = 0;
        if (h.headerSize >= 36) {
            in.seek(32);
            used = in.u32();
        }
        if (!isWindowsHeader(h.headerSize) && h.compression > kRle4)
            failUnsupported(QStringLiteral("OS/2 Huffman and RLE24 bitmaps are not supported"));
        if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
            const bool alphaField = h.compression == kAlphaBitFields || h.headerSize >= 56;
            in.seek(40);
            for (int i = 0; i < (alphaField ? 4 : 3); ++i) h.masks[i] = in.u32();
            h.compression = kBitFields;
        }
        h.colorCount = used;
    } else {
        failUnsupported(
            QStringLiteral("the bitmap header has an unknown size of %1 bytes").arg(h.headerSize));
    }
    if (h.width <= 0 || h.height <= 0)
        failCorrupt(
            QStringLiteral("the header gives a size of %1 x %2 pixels").arg(h.width).arg(h.height));

    if (h.compression == 4 || h.compression == 5)
        failUnsupported(QStringLiteral("bitmaps holding JPEG or PNG data are not supported"));
    const unsigned b = h.bitCount;
    if (b != 1 && b != 2 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
        failCorrupt(QStringLiteral("%1 bits per pixel is not a bitmap depth").arg(b));
    if (h.compression > kBitFields || (h.compression == kRle8 && b != 8) ||
        (h.compression == kRle4 && b != 4) || (h.compression == kBitFields && b != 16 && b != 32))
        failCorrupt(QStringLiteral("compression %1 does not fit %2 bits per pixel")
                        .arg(h.compression)
                        .arg(b));
    if (h.compression == kPlain && b == 16) h.masks = {0x7C00, 0x03E0, 0x001F, 0};
    if (h.compression == kPlain && b == 32) h.masks = {0xFF0000, 0xFF00, 0xFF, 0};

    // Masks of a 40-byte header follow it, before the colour table.
    h.colorTableOffset = in.position() > h.headerSize ? in.position() : h.headerSize;
    const unsigned tableEntries = h.colorCount;
    if (b <= 8) {
        const unsigned full = 1u << b;
        h.colorCount = h.colorCount == 0 || h.colorCount > full ? full : h.colorCount;
    } else {
        h.colorCount = 0;
    }
    const std::size_t storedEntries = b <= 8 && tableEntries == 0 ? h.colorCount : tableEntries;
    h.packedBitsOffset = h.colorTableOffset + std::size_t(storedEntries) * h.colorEntrySize;
    return h;
}

bool dibIsOrdinary(const DibHeader& header, Bytes info, Bytes bits) {
    const std::uint32_t size = header.headerSize;
    if (size != 12 && size != 40 && size != 108 && size != 124) return false;
    if (header.packedBitsOffset > info.size()) return false;
    if (header.compression != kPlain && header.compression != kBitFields) return true;
    const std::int64_t stride = (header.width * header.bitCount + 31) / 32 * 4;
    return std::int64_t(bits.size()) >= stride * header.height;
}

QImage decodeDib(const DibHeader& header, Bytes info, Bytes bits, const DecodeLimits& limits) {
    checkLimits(header.width, header.height, limits);
    const std::vector<QRgb> table = readColorTable(header, info);
    const bool alpha = header.masks[3] != 0;
    if (header.compression == kPlain || header.compression == kBitFields) {
        // Refuse short data before allocating for it.
        const std::int64_t stride = (header.width * header.bitCount + 31) / 32 * 4;
        if (std::int64_t(bits.size()) < stride * (header.height - 1))
            failCorrupt(QStringLiteral("the pixel data ends early"));
    } else {
        requireRunsForSize(header, bits);
    }
    QImage image = newImage(int(header.width), int(header.height),
                            alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (header.compression == kRle8 || header.compression == kRle4)
        decodeRle(header, bits, table, image);
    else
        decodePlain(header, bits, table, image);
    dropUnusedAlpha(image);
    return image;
}

DibWriter::DibWriter(const QImage& image, int bits) : bits_(bits) {
    std::vector<QRgb> palette;
    if (bits == 8) {
        IndexedImage indexed = quantize(image);
        palette = std::move(indexed.palette);
        indices_ = std::move(indexed.indices);
        image_ = image;
    } else {
        image_ = image.convertToFormat(QImage::Format_RGB32);
    }
    stride_ = (image_.width() * bits + 31) / 32 * 4;
    const auto dpm = [](int v) { return std::uint32_t(v > 0 ? v : 3780); };
    LittleEndian(header_)
        .u32(40)
        .u32(std::uint32_t(image_.width()))
        .u32(std::uint32_t(image_.height()))
        .u16(1)
        .u16(std::uint32_t(bits))
        .u32(kPlain)
        .u32(std::uint32_t(pixelBytes()))
        .u32(dpm(image.dotsPerMeterX()))
        .u32(dpm(image.dotsPerMeterY()))
        .u32(std::uint32_t(palette.size()))
        .u32(0);
    for (QRgb c : palette) LittleEndian(header_).u8(qBlue(c)).u8(qGreen(c)).u8(qRed(c)).u8(0);
}

void DibWriter::writePixels(QIODevice& out) const {
    const int width = image_.width();
    QByteArray row(stride_, '\0');
    auto* dst = reinterpret_cast<std::uint8_t*>(row.data());
    for (int y = image_.height() - 1; y >= 0; --y) {
        if (bits_ == 8) {
            std::memcpy(dst, indices_.data() + std::size_t(y) * width, std::size_t(width));
        } else {
            const QRgb* src = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                dst[3 * x] = std::uint8_t(qBlue(src[x]));
                dst[3 * x + 1] = std::uint8_t(qGreen(src[x]));
                dst[3 * x + 2] = std::uint8_t(qRed(src[x]));
            }
        }
        out.write(row);
    }
}

}  // namespace imaging::codecs
