#include "imaging/codecs/TgaCodec.h"

#include <cstring>
#include <vector>

#include "imaging/FormatCode.h"
#include "imaging/codecs/CodecSupport.h"

namespace imaging::codecs {
namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::size_t kFooterSize = 26;
constexpr char kSignature[] = "TRUEVISION-XFILE.";  // 18 bytes with the terminating zero

enum Kind { kMapped = 1, kTrueColor = 2, kGrey = 3 };

struct Header {
    unsigned idLength = 0, mapType = 0, kind = 0;
    bool rle = false;
    unsigned mapFirst = 0, mapLength = 0, mapEntryBits = 0;
    std::int64_t width = 0, height = 0;
    unsigned depth = 0;
    unsigned alphaBits = 0;
    bool rightToLeft = false, topDown = false;
};

Header readHeader(Bytes data) {
    if (data.size() < kHeaderSize) failCorrupt(QStringLiteral("the file ends in its header"));
    const std::uint8_t* p = data.data();
    Header h;
    h.idLength = p[0];
    h.mapType = p[1];
    h.kind = p[2] & 7;
    h.rle = p[2] & 8;
    h.mapFirst = readU16(p + 3);
    h.mapLength = readU16(p + 5);
    h.mapEntryBits = p[7];
    h.width = readU16(p + 12);
    h.height = readU16(p + 14);
    h.depth = p[16];
    h.alphaBits = p[17] & 15;
    h.rightToLeft = p[17] & 0x10;
    h.topDown = p[17] & 0x20;
    if ((p[2] & ~8u) > kGrey)
        failUnsupported(QStringLiteral("Targa image type %1 is not supported").arg(p[2]));
    if (h.kind == 0) failCorrupt(QStringLiteral("the Targa file holds no image"));
    const unsigned d = h.depth;
    const bool depthFits = h.kind == kMapped      ? h.mapType == 1 && (d == 8 || d == 16)
                           : h.kind == kTrueColor ? d == 15 || d == 16 || d == 24 || d == 32
                                                  : d == 8 || d == 16;
    if (!depthFits)
        failCorrupt(
            QStringLiteral("%1 bits per pixel does not fit Targa image type %2").arg(d).arg(p[2]));
    const unsigned e = h.mapEntryBits;
    if (h.mapType == 1 && e != 15 && e != 16 && e != 24 && e != 32)
        failCorrupt(QStringLiteral("%1-bit colour map entries are not defined").arg(e));
    if (h.width == 0 || h.height == 0) failCorrupt(QStringLiteral("the header gives no pixels"));
    return h;
}

// The version 2 extension area may say that the fourth byte of a pixel is not alpha.
bool extensionDeniesAlpha(Bytes data) {
    if (data.size() < kHeaderSize + kFooterSize ||
        std::memcmp(data.data() + data.size() - 18, kSignature, sizeof kSignature) != 0)
        return false;
    const std::size_t ext = readU32(data.data() + data.size() - kFooterSize);
    if (ext == 0 || data.size() < 495 || ext > data.size() - 495 ||
        readU16(data.data() + ext) < 495)
        return false;
    return data[ext + 494] <= 2;  // no alpha, undefined (ignore), undefined (retain)
}

QRgb from16(std::uint32_t v, bool alpha) {
    const auto expand = [](std::uint32_t c) { return (c << 3) | (c >> 2); };
    return qRgba(expand(v >> 10 & 31), expand(v >> 5 & 31), expand(v & 31),
                 !alpha || (v & 0x8000) ? 255 : 0);
}

// Turns the bytes of one stored pixel into a colour.
class PixelFormat {
public:
    PixelFormat(const Header& h, Bytes colorMap, bool alpha) : h_(h), alpha_(alpha) {
        if (h.kind != kMapped) return;
        const unsigned entryBytes = (h.mapEntryBits + 7) / 8;
        map_.resize(h.mapLength);
        for (unsigned i = 0; i < h.mapLength; ++i)
            map_[i] =
                convert(colorMap.data() + i * entryBytes, h.mapEntryBits, h.mapEntryBits == 32);
    }

    QRgb operator()(const std::uint8_t* p) const {
        if (h_.kind == kMapped) {
            const unsigned index = h_.depth == 8 ? p[0] : readU16(p);
            // Indices outside the map show black rather than failing the whole image.
            return index >= h_.mapFirst && index - h_.mapFirst < map_.size()
                       ? map_[index - h_.mapFirst]
                       : qRgb(0, 0, 0);
        }
        if (h_.kind == kGrey) return qRgba(p[0], p[0], p[0], h_.depth == 16 ? p[1] : 255);
        return convert(p, h_.depth, alpha_);
    }

private:
    static QRgb convert(const std::uint8_t* p, unsigned bits, bool alpha) {
        switch (bits) {
            case 15:
            case 16:
                return from16(readU16(p), alpha && bits == 16);
            case 24:
                return qRgb(p[2], p[1], p[0]);
            default:  // 32, the only depth left after the header checks
                return qRgba(p[2], p[1], p[0], alpha ? p[3] : 255);
        }
    }

    const Header& h_;
    bool alpha_;
    std::vector<QRgb> map_;
};

// Places the pixels in file order, whichever corner the file starts from; run-length
// packets may run on from one line into the next.
class PixelSink {
public:
    PixelSink(const Header& h, QImage& image) : h_(h), image_(image) { startLine(); }
    bool full() const { return row_ >= h_.height; }
    void put(QRgb color) {
        line_[h_.rightToLeft ? h_.width - 1 - column_ : column_] = color;
        if (++column_ == h_.width) {
            column_ = 0;
            ++row_;
            startLine();
        }
    }

private:
    void startLine() {
        if (full()) return;
        line_ =
            reinterpret_cast<QRgb*>(image_.scanLine(int(h_.topDown ? row_ : h_.height - 1 - row_)));
    }

    const Header& h_;
    QImage& image_;
    QRgb* line_ = nullptr;
    std::int64_t row_ = 0, column_ = 0;
};

void writeRow(const QRgb* row, int width, int bytesPerPixel, bool rle, QByteArray& out) {
    const auto append = [&](QRgb c) {
        const char bgra[4] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c)), char(qAlpha(c))};
        out.append(bgra, bytesPerPixel);
    };
    if (!rle) {
        for (int x = 0; x < width; ++x) append(row[x]);
        return;
    }
    // Packets stop at the end of the line, as version 2 of the format asks.
    for (int x = 0; x < width;) {
        int run = 1;
        while (x + run < width && run < 128 && row[x + run] == row[x]) ++run;
        if (run > 1) {
            out.append(char(0x80 | (run - 1)));
            append(row[x]);
            x += run;
            continue;
        }
        int raw = 1;
        while (x + raw < width && raw < 128 &&
               !(x + raw + 1 < width && row[x + raw] == row[x + raw + 1]))
            ++raw;
        out.append(char(raw - 1));
        for (int i = 0; i < raw; ++i) append(row[x + i]);
        x += raw;
    }
}

}  // namespace

FileFacts inspectTga(Bytes data) {
    const Header h = readHeader(data);
    const int bits = h.kind == kMapped ? int(h.depth) : h.depth == 15 ? 16 : int(h.depth);
    return FileFacts{kFormatTga, int(h.width), int(h.height), 1, bits};
}

QImage decodeTga(Bytes data, const DecodeLimits& limits) {
    const Header h = readHeader(data);
    checkLimits(h.width, h.height, limits);
    ByteReader in(data);
    in.seek(kHeaderSize + h.idLength);
    const std::size_t mapBytes =
        h.mapType == 1 ? std::size_t(h.mapLength) * ((h.mapEntryBits + 7) / 8) : 0;
    const Bytes colorMap(in.take(mapBytes), mapBytes);

    const std::size_t pixelBytes = (h.depth + 7) / 8;
    const std::uint64_t pixels = std::uint64_t(h.width) * std::uint64_t(h.height);
    // A packet of one header byte and one pixel gives at most 128 pixels: refuse data too
    // short for the header's size before allocating for it.
    const std::uint64_t leastBytes =
        h.rle ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
    if (in.remaining() < leastBytes) failCorrupt(QStringLiteral("the pixel data ends early"));

    const bool alpha =
        (h.kind == kTrueColor &&
         ((h.depth == 32 && !extensionDeniesAlpha(data)) || (h.depth == 16 && h.alphaBits == 1))) ||
        (h.kind == kGrey && h.depth == 16) || (h.kind == kMapped && h.mapEntryBits == 32);
    QImage image =
        newImage(int(h.width), int(h.height), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const PixelFormat format(h, colorMap, alpha);
    PixelSink sink(h, image);
    while (!sink.full()) {
        if (!h.rle) {
            sink.put(format(in.take(pixelBytes)));
            continue;
        }
        const unsigned packet = in.u8();
        const unsigned count = (packet & 0x7F) + 1;
        if (packet & 0x80) {
            const QRgb color = format(in.take(pixelBytes));
            for (unsigned i = 0; i < count && !sink.full(); ++i) sink.put(color);
        } else {
            for (unsigned i = 0; i < count && !sink.full(); ++i)
                sink.put(format(in.take(pixelBytes)));
        }
    }
    dropUnusedAlpha(image);
    return image;
}

void encodeTga(const QImage& source, bool rle, QIODevice& out) {
    if (source.width() > 0xFFFF || source.height() > 0xFFFF)
        throw Error(kImageTooLarge,
                    QStringLiteral("a Targa file holds at most 65535 x 65535 pixels"));
    const QImage image = normalized(source);
    const bool alpha = image.hasAlphaChannel();
    QByteArray header;
    LittleEndian(header)
        .u8(0)             // no image identification
        .u8(0)             // no colour map
        .u8(rle ? 10 : 2)  // true colour
        .u16(0)
        .u16(0)
        .u8(0)  // no colour map: first entry, length, entry size
        .u16(0)
        .u16(0)  // origin
        .u16(std::uint32_t(image.width()))
        .u16(std::uint32_t(image.height()))
        .u8(alpha ? 32 : 24)
        .u8(alpha ? 8 : 0);  // alpha bits; rows from the bottom, left to right
    out.write(header);
    QByteArray row;
    for (int y = image.height() - 1; y >= 0; --y) {
        row.clear();
        writeRow(reinterpret_cast<const QRgb*>(image.constScanLine(y)), image.width(),
                 alpha ? 4 : 3, rle, row);
        out.write(row);
    }
    QByteArray footer;
    LittleEndian(footer).u32(0).u32(0).bytes(QByteArray(kSignature, sizeof kSignature));
    out.write(footer);
}

}  // namespace imaging::codecs
