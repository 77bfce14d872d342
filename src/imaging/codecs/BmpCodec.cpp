#include "imaging/codecs/BmpCodec.h"

#include "imaging/FormatCode.h"
#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/DibCodec.h"

namespace imaging::codecs {
namespace {

constexpr std::size_t kFileHeaderSize = 14;

Bytes infoOf(Bytes data) {
    if (data.size() <= kFileHeaderSize) failCorrupt(QStringLiteral("the file ends in its header"));
    return data.subspan(kFileHeaderSize);
}

}  // namespace

FileFacts inspectBmp(Bytes data) {
    const DibHeader header = parseDibHeader(infoOf(data));
    return FileFacts{kFormatBmp, int(header.width), int(header.height), 1, int(header.bitCount)};
}

QImage decodeBmp(Bytes data, const DecodeLimits& limits) {
    const Bytes info = infoOf(data);
    const DibHeader header = parseDibHeader(info);
    checkLimits(header.width, header.height, limits);
    std::size_t bitsOffset = readU32(data.data() + 10);
    // Some writers leave the pixel offset at zero or point it past the file; the pixels then
    // follow the colour table.
    if (bitsOffset < kFileHeaderSize + header.colorTableOffset || bitsOffset >= data.size())
        bitsOffset = kFileHeaderSize + header.packedBitsOffset;
    if (bitsOffset > data.size()) failCorrupt(QStringLiteral("the pixel data is missing"));
    return decodeDib(header, info, data.subspan(bitsOffset), limits);
}

void encodeBmp(const QImage& image, int bits, QIODevice& out) {
    const DibWriter dib(image, bits);
    const qint64 offset = kFileHeaderSize + dib.header().size();
    const qint64 size = offset + dib.pixelBytes();
    QByteArray header("BM");
    LittleEndian(header)
        .u32(std::uint32_t(std::min<qint64>(size, 0xFFFF'FFFF)))
        .u32(0)
        .u32(std::uint32_t(offset));
    out.write(header);
    out.write(dib.header());
    dib.writePixels(out);
}

}  // namespace imaging::codecs
