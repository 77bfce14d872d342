#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <array>
#include <cstdint>

#include "imaging/codecs/ByteReader.h"
#include "imaging/codecs/Codecs.h"

// Device-independent bitmaps: the pixel block of BMP files and of the bitmap records of
// WMF and EMF metafiles.
namespace imaging::codecs {

struct DibHeader {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // always positive; topDown tells the row order
    bool topDown = false;
    unsigned bitCount = 0;
    std::uint32_t compression = 0;         // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha for 16 and 32 bits
    std::size_t colorTableOffset = 0;      // from the start of the header
    unsigned colorCount = 0;               // entries the pixels may use
    unsigned colorEntrySize = 4;           // 3 in the oldest headers
    std::size_t packedBitsOffset = 0;      // where the pixels start when they follow the table
};

// Reads the header (and the masks after it) from the start of `info`.
DibHeader parseDibHeader(Bytes info);

// Whether the header is one of the common kinds (12, 40, 108 or 124 bytes), the colour table
// lies inside `info` and, for uncompressed bitmaps, every row inside `bits`: what the
// metafile libraries assume without checking.
bool dibIsOrdinary(const DibHeader& header, Bytes info, Bytes bits);

// Decodes the pixels `bits` described by `header`, whose colour table lies in `info`.
QImage decodeDib(const DibHeader& header, Bytes info, Bytes bits, const DecodeLimits& limits);

// A bitmap prepared for writing: a 40-byte header and colour table, then bottom-up rows.
class DibWriter {
public:
    // `bits` is 24, or 8 for a palette of at most 256 colours chosen by the quantiser.
    DibWriter(const QImage& image, int bits);

    const QByteArray& header() const { return header_; }
    qint64 pixelBytes() const { return qint64(stride_) * image_.height(); }
    void writePixels(QIODevice& out) const;

private:
    QImage image_;                       // RGB32 for 24 bits
    std::vector<std::uint8_t> indices_;  // 8 bits: one index a pixel, top row first
    int bits_;
    int stride_;
    QByteArray header_;
};

}  // namespace imaging::codecs
