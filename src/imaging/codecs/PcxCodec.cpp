#include "imaging/codecs/PcxCodec.h"

#include <vector>

#include "imaging/FormatCode.h"
#include "imaging/codecs/CodecSupport.h"

namespace imaging::codecs {
namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kTableSize = 1 + 256 * 3;  // marker 12, then 256 RGB entries

struct Header {
    unsigned version = 0;
    bool rle = true;
    unsigned bits = 0;  // per plane
    unsigned planes = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::size_t bytesPerLine = 0;  // per plane
    const std::uint8_t* egaPalette = nullptr;
};

Header readHeader(Bytes data) {
    if (data.size() < kHeaderSize) failCorrupt(QStringLiteral("the file ends in its header"));
    const std::uint8_t* p = data.data();
    Header h;
    h.version = p[1];
    h.rle = p[2] == 1;
    h.bits = p[3];
    h.width = std::int64_t(readU16(p + 8)) - readU16(p + 4) + 1;
    h.height = std::int64_t(readU16(p + 10)) - readU16(p + 6) + 1;
    h.egaPalette = p + 16;
    h.planes = p[65];
    h.bytesPerLine = readU16(p + 66);
    const bool known =
        (h.planes == 1 && (h.bits == 1 || h.bits == 2 || h.bits == 4 || h.bits == 8)) ||
        (h.bits == 1 && h.planes <= 4) || (h.bits == 8 && (h.planes == 3 || h.planes == 4));
    if (!known)
        failUnsupported(QStringLiteral("PCX files with %1 planes of %2 bits are not supported")
                            .arg(h.planes)
                            .arg(h.bits));
    if (h.width <= 0 || h.height <= 0)
        failCorrupt(
            QStringLiteral("the header gives a size of %1 x %2 pixels").arg(h.width).arg(h.height));
    if (h.bytesPerLine * 8 < std::size_t(h.width) * h.bits)
        failCorrupt(QStringLiteral("the header gives %1 bytes a line for %2 pixels")
                        .arg(h.bytesPerLine)
                        .arg(h.width));
    return h;
}

// The colours of a palette image. Monochrome files are black and white whatever their
// header holds; 8-bit files without the table at the end are greyscale.
std::vector<QRgb> paletteOf(const Header& h, Bytes data) {
    std::vector<QRgb> table(256);
    const unsigned depth = h.bits * h.planes;
    if (depth == 1) {
        table[0] = qRgb(0, 0, 0);
        table[1] = qRgb(255, 255, 255);
    } else if (depth <= 4) {
        for (int i = 0; i < 16; ++i)
            table[i] = qRgb(h.egaPalette[3 * i], h.egaPalette[3 * i + 1], h.egaPalette[3 * i + 2]);
    } else if (data.size() >= kHeaderSize + kTableSize && data[data.size() - kTableSize] == 12) {
        const std::uint8_t* p = data.data() + data.size() - kTableSize + 1;
        for (int i = 0; i < 256; ++i, p += 3) table[i] = qRgb(p[0], p[1], p[2]);
    } else {
        for (int i = 0; i < 256; ++i) table[i] = qRgb(i, i, i);
    }
    return table;
}

// Unpacks the scan lines in turn. A run may carry over from one line to the next, as some
// writers let it.
class LineReader {
public:
    LineReader(Bytes data, bool rle) : in_(data), rle_(rle) {}

    void read(std::uint8_t* line, std::size_t size) {
        for (std::size_t i = 0; i < size;) {
            if (runLeft_ == 0) {
                if (in_.atEnd()) failCorrupt(QStringLiteral("the pixel data ends early"));
                const std::uint8_t b = in_.u8();
                if (rle_ && b >= 0xC0) {
                    runLeft_ = b & 0x3F;
                    runValue_ = in_.u8();
                    continue;
                }
                line[i++] = b;
                continue;
            }
            const std::size_t n = std::min(runLeft_, size - i);
            std::fill_n(line + i, n, runValue_);
            i += n;
            runLeft_ -= n;
        }
    }

private:
    ByteReader in_;
    bool rle_;
    std::size_t runLeft_ = 0;
    std::uint8_t runValue_ = 0;
};

void decodeLine(const Header& h, const std::uint8_t* line, const std::vector<QRgb>& table,
                QRgb* out) {
    const int width = int(h.width);
    if (h.bits == 8 && h.planes >= 3) {
        const std::uint8_t* r = line;
        const std::uint8_t* g = r + h.bytesPerLine;
        const std::uint8_t* b = g + h.bytesPerLine;
        const std::uint8_t* a = h.planes == 4 ? b + h.bytesPerLine : nullptr;
        for (int x = 0; x < width; ++x) out[x] = qRgba(r[x], g[x], b[x], a ? a[x] : 255);
    } else if (h.planes == 1) {
        const unsigned perByte = 8 / h.bits, mask = (1u << h.bits) - 1;
        for (int x = 0; x < width; ++x)
            out[x] = table[(line[x / perByte] >> (8 - h.bits * (x % perByte + 1))) & mask];
    } else {  // 1-bit planes: plane n gives bit n of the colour index
        for (int x = 0; x < width; ++x) {
            unsigned index = 0;
            for (unsigned plane = 0; plane < h.planes; ++plane)
                index |= ((line[plane * h.bytesPerLine + x / 8] >> (7 - x % 8)) & 1u) << plane;
            out[x] = table[index];
        }
    }
}

void writeRunLength(const std::uint8_t* plane, std::size_t size, QByteArray& out) {
    for (std::size_t i = 0; i < size;) {
        std::size_t run = 1;
        while (i + run < size && run < 63 && plane[i + run] == plane[i]) ++run;
        // A single byte below 0xC0 stands for itself; anything else needs a count.
        if (run > 1 || plane[i] >= 0xC0) out.append(char(0xC0 | run));
        out.append(char(plane[i]));
        i += run;
    }
}

}  // namespace

FileFacts inspectPcx(Bytes data) {
    const Header h = readHeader(data);
    return FileFacts{kFormatPcx, int(h.width), int(h.height), 1, int(h.bits * h.planes)};
}

QImage decodePcx(Bytes data, const DecodeLimits& limits) {
    const Header h = readHeader(data);
    checkLimits(h.width, h.height, limits);
    const std::size_t lineSize = h.bytesPerLine * h.planes;
    // Two bytes unpack to at most 63: refuse a header that promises more lines than the data
    // could hold before allocating for them.
    const std::uint64_t available = data.size() - kHeaderSize;
    const std::uint64_t most = h.rle ? (available / 2 + 1) * 63 : available;
    if (std::uint64_t(h.height) * lineSize > most)
        failCorrupt(QStringLiteral("the pixel data ends early"));
    const bool alpha = h.bits == 8 && h.planes == 4;
    QImage image =
        newImage(int(h.width), int(h.height), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const std::vector<QRgb> table = paletteOf(h, data);
    std::vector<std::uint8_t> line(lineSize);
    LineReader reader(data.subspan(kHeaderSize), h.rle);
    for (int y = 0; y < image.height(); ++y) {
        reader.read(line.data(), lineSize);
        decodeLine(h, line.data(), table, reinterpret_cast<QRgb*>(image.scanLine(y)));
    }
    dropUnusedAlpha(image);
    return image;
}

void encodePcx(const QImage& source, QIODevice& out) {
    // The line length, rounded up to even, must fit 16 bits as well as the corners.
    if (source.width() > 0xFFFE || source.height() > 0xFFFE)
        throw Error(kImageTooLarge,
                    QStringLiteral("a PCX file holds at most 65534 x 65534 pixels"));
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const std::size_t bytesPerLine = std::size_t(width + 1) / 2 * 2;  // even, as the format asks
    QByteArray header(kHeaderSize, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(header.data());
    p[0] = 0x0A;  // manufacturer
    p[1] = 5;     // version 3.0 and later
    p[2] = 1;     // run-length encoded
    p[3] = 8;
    const auto put16 = [](std::uint8_t* at, int v) {
        at[0] = std::uint8_t(v);
        at[1] = std::uint8_t(v >> 8);
    };
    put16(p + 8, width - 1);
    put16(p + 10, image.height() - 1);
    put16(p + 12, qRound(image.dotsPerMeterX() * 0.0254));
    put16(p + 14, qRound(image.dotsPerMeterY() * 0.0254));
    p[65] = 3;
    put16(p + 66, int(bytesPerLine));
    p[68] = 1;  // colour, not greyscale
    out.write(header);

    std::vector<std::uint8_t> planes(bytesPerLine * 3);
    QByteArray encoded;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            planes[std::size_t(x)] = std::uint8_t(qRed(row[x]));
            planes[bytesPerLine + x] = std::uint8_t(qGreen(row[x]));
            planes[2 * bytesPerLine + x] = std::uint8_t(qBlue(row[x]));
        }
        encoded.clear();
        // Runs stop at the end of each plane so that every reader accepts them.
        for (int plane = 0; plane < 3; ++plane)
            writeRunLength(planes.data() + plane * bytesPerLine, bytesPerLine, encoded);
        out.write(encoded);
    }
}

}  // namespace imaging::codecs
