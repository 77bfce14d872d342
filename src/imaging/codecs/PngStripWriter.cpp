#include "imaging/codecs/PngStripWriter.h"

#include <zlib.h>

#include <QByteArray>
#include <QtEndian>
#include <algorithm>
#include <memory>
#include <vector>

#include "imaging/Error.h"
#include "imaging/codecs/DeflateEncoder.h"
#include "imaging/effects/RowBands.h"

namespace imaging::codecs {
namespace {

constexpr std::uint8_t kUpFilter = 2;
// IDAT chunks of this size: any size is valid; a few large ones cost no more to read.
constexpr qsizetype kIdatBytes = 1 << 20;

struct Strip {
    int firstRow = 0, endRow = 0;
    QByteArray deflated;
    uLong adler = 1;
    qint64 filteredBytes = 0;
    std::vector<uLong> idatCrcs;  // of the IDAT chunks the deflated bytes are cut into
};

// A chunk's CRC covers its type and its data.
uLong chunkCrc(const char type[4], const char* data, qsizetype size) {
    const uLong typed = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(type), 4);
    return crc32(typed, reinterpret_cast<const Bytef*>(data), uInt(size));
}

// One row as PNG wants it: the filter byte, then each pixel's R, G, B (and A), less the
// same byte of the row above (zero above the first row).
void filterRow(const QImage& image, int y, int channels, std::uint8_t* out) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    const auto* above = y > 0 ? reinterpret_cast<const QRgb*>(image.constScanLine(y - 1)) : nullptr;
    *out++ = kUpFilter;
    const int width = image.width();
    for (int x = 0; x < width; ++x) {
        const QRgb p = row[x], q = above ? above[x] : 0;
        *out++ = std::uint8_t(qRed(p) - qRed(q));
        *out++ = std::uint8_t(qGreen(p) - qGreen(q));
        *out++ = std::uint8_t(qBlue(p) - qBlue(q));
        if (channels == 4) *out++ = std::uint8_t(qAlpha(p) - qAlpha(q));
    }
}

// Filters the strip's rows one at a time into a small buffer and deflates each as it comes,
// so no copy of the whole strip is ever made.
void deflateStrip(const QImage& image, int channels, bool last, Strip& strip) {
    const qsizetype rowBytes = 1 + qsizetype(image.width()) * channels;
    const std::unique_ptr<std::uint8_t[]> row(new std::uint8_t[std::size_t(rowBytes)]);
    strip.filteredBytes = qint64(rowBytes) * (strip.endRow - strip.firstRow);
    DeflateEncoder encoder;
    for (int y = strip.firstRow; y < strip.endRow; ++y) {
        filterRow(image, y, channels, row.get());
        strip.adler = adler32(strip.adler, row.get(), uInt(rowBytes));
        encoder.add(row.get(), std::size_t(rowBytes));
    }
    encoder.finish(last);
    strip.deflated = encoder.output();
    // Summed here, on the strip's own thread, rather than one chunk after another on writing.
    for (qsizetype at = 0; at < strip.deflated.size(); at += kIdatBytes)
        strip.idatCrcs.push_back(chunkCrc("IDAT", strip.deflated.constData() + at,
                                          std::min(kIdatBytes, strip.deflated.size() - at)));
}

void writeBytes(QIODevice& out, const char* data, qint64 size) {
    if (out.write(data, size) != size)
        throw Error(kWriteFailed, out.errorString().isEmpty()
                                      ? QStringLiteral("the file could not be written")
                                      : out.errorString());
}

// A chunk: its length, type, data and the CRC of type and data, written straight from `data`.
void writeChunk(QIODevice& out, const char type[4], const char* data, qsizetype size,
                uLong sum) {
    char length[4], crc[4];
    qToBigEndian(quint32(size), length);
    qToBigEndian(quint32(sum), crc);
    writeBytes(out, length, 4);
    writeBytes(out, type, 4);
    if (size > 0) writeBytes(out, data, size);
    writeBytes(out, crc, 4);
}

void writeChunk(QIODevice& out, const char type[4], const QByteArray& data) {
    writeChunk(out, type, data.constData(), data.size(),
               chunkCrc(type, data.constData(), data.size()));
}

QByteArray bigEndianWords(std::initializer_list<quint32> words) {
    QByteArray bytes;
    for (const quint32 word : words) {
        char b[4];
        qToBigEndian(word, b);
        bytes.append(b, 4);
    }
    return bytes;
}

}  // namespace

void writePngInStrips(const QImage& image, QIODevice& out) {
    const int channels = image.format() == QImage::Format_ARGB32 ? 4 : 3;
    const int strips = std::clamp(effects::threadCount(), 1, std::max(1, image.height()));
    auto parts = std::vector<Strip>(std::size_t(strips));
    for (int i = 0; i < strips; ++i) {
        parts[std::size_t(i)].firstRow = int(qint64(image.height()) * i / strips);
        parts[std::size_t(i)].endRow = int(qint64(image.height()) * (i + 1) / strips);
    }
    // One band per strip: the strips are the unit of work, each big enough to keep a core busy.
    effects::forEachRowBand(
        strips, qint64(image.width()) * image.height(), [&](int first, int end) {
            for (int i = first; i < end; ++i)
                deflateStrip(image, channels, i == strips - 1, parts[std::size_t(i)]);
        });

    uLong adler = 1;
    for (const Strip& strip : parts)
        adler = adler32_combine(adler, strip.adler, z_off_t(strip.filteredBytes));

    writeBytes(out, "\x89PNG\r\n\x1a\n", 8);
    QByteArray header = bigEndianWords({quint32(image.width()), quint32(image.height())});
    header.append(char(8)).append(char(channels == 4 ? 6 : 2)).append(3, char(0));
    writeChunk(out, "IHDR", header);
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0)
        writeChunk(out, "pHYs",
                   bigEndianWords({quint32(image.dotsPerMeterX()), quint32(image.dotsPerMeterY())})
                       .append(char(1)));
    // One zlib stream over the IDAT chunks: the header for the fastest level (0x78 0x01), the
    // strips in order, the combined Adler-32.
    writeChunk(out, "IDAT", QByteArray("\x78\x01", 2));
    for (const Strip& strip : parts)
        for (qsizetype at = 0, chunk = 0; at < strip.deflated.size(); at += kIdatBytes, ++chunk)
            writeChunk(out, "IDAT", strip.deflated.constData() + at,
                       std::min(kIdatBytes, strip.deflated.size() - at),
                       strip.idatCrcs[std::size_t(chunk)]);
    writeChunk(out, "IDAT", bigEndianWords({quint32(adler)}));
    writeChunk(out, "IEND", {});
}

}  // namespace imaging::codecs
