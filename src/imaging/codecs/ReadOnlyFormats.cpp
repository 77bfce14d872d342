#include "imaging/codecs/ReadOnlyFormats.h"

#include <cstring>

#include "imaging/FormatCode.h"
#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/QtImageIo.h"

namespace imaging::codecs {
namespace {

FileFacts factsFrom(const QtFacts& qt, int bitsPerPixel) {
    return FileFacts{kFormatNone, qt.size.width(), qt.size.height(), qt.imageCount, bitsPerPixel};
}

// Whether a WebP file carries alpha: a flag of the extended header, or the hint of a
// lossless stream; plain lossy streams have none.
bool webPHasAlpha(Bytes data) {
    if (data.size() < 30) return false;
    const char* chunk = reinterpret_cast<const char*>(data.data() + 12);
    if (std::memcmp(chunk, "VP8X", 4) == 0) return data[20] & 0x10;
    if (std::memcmp(chunk, "VP8L", 4) == 0) return (readU32(data.data() + 21) >> 28) & 1;
    return false;
}

}  // namespace

FileFacts inspectGif(Bytes data) {
    const QtFacts qt = inspectWithQt(data, "gif");
    // The logical screen's packed field: size of the global colour table, else 8 bits.
    const bool globalTable = data.size() > 10 && (data[10] & 0x80);
    return factsFrom(qt, globalTable ? (data[10] & 7) + 1 : 8);
}

FileFacts inspectWebP(Bytes data) {
    return factsFrom(inspectWithQt(data, "webp"), webPHasAlpha(data) ? 32 : 24);
}

FileFacts inspectIcon(Bytes data) {
    const QtFacts qt = inspectWithQt(data, "ico");
    // The first directory entry's bit count; PNG entries leave it zero.
    const unsigned bits = readU16(data.data() + 6 + 6);
    return factsFrom(qt, bits != 0 ? int(bits) : qt.depth);
}

QImage decodeGif(Bytes data, const DecodeOptions& options) {
    return decodeWithQt(data, "gif", options);
}

QImage decodeWebP(Bytes data, const DecodeOptions& options) {
    return decodeWithQt(data, "webp", options);
}

// Qt's icon plugin reads cursors as well: they are icons with a hot spot.
QImage decodeIcon(Bytes data, const DecodeOptions& options) {
    return decodeWithQt(data, "ico", options);
}

}  // namespace imaging::codecs
