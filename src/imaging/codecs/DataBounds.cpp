#include "imaging/codecs/DataBounds.h"

#include <algorithm>
#include <limits>

#include "imaging/codecs/CodecSupport.h"

namespace imaging::codecs {
namespace {

// The most bytes one byte of each packing can unpack to, from the densest thing its format can
// say in the fewest bits.
std::uint64_t bestRatio(Packing packing) {
    switch (packing) {
        case Packing::None:
            return 1;
        case Packing::PackBits:
            // A count byte and one byte repeated up to 128 times; literal bytes stand for
            // themselves after a count.
            return 64;
        case Packing::Lzw:
            // A code of w bits (9 to 12) names a table entry below 2^w. After the 258 fixed
            // codes every entry is one byte longer than an earlier one at most, so entry e
            // holds at most e - 256 bytes: a code yields at most (2^w - 257) / w bytes a bit,
            // largest at 12 bits (3839 bytes), 2559.3 bytes a byte.
            return 2560;
        case Packing::Deflate:
            // Every Huffman symbol takes at least one bit; the longest match, 258 bytes, takes
            // a length and a distance symbol. Literals and stored blocks give far less.
            return 1032;
        case Packing::Zstd:
            // A block unpacks to at most 128 KiB and takes its 3-byte header and at least one
            // byte (a run-length block's byte).
            return 32768;
    }
    return std::numeric_limits<std::uint64_t>::max();
}

}  // namespace

void failDataTooShort(std::uint64_t dataBytes, std::int64_t width, std::int64_t height) {
    failCorrupt(QStringLiteral("%1 bytes of compressed data cannot hold %2 x %3 pixels")
                    .arg(dataBytes)
                    .arg(width)
                    .arg(height));
}

void requireDataForCodedPhoto(std::uint64_t dataBytes, std::int64_t width, std::int64_t height) {
    constexpr std::uint64_t kMostPixelsPerByte = 1024 * 1024;
    const std::uint64_t pixels =
        saturatingProduct(std::uint64_t(std::max<std::int64_t>(width, 0)),
                          std::uint64_t(std::max<std::int64_t>(height, 0)));
    if (pixels > std::uint64_t(kUnspelledPixels) &&
        saturatingProduct(dataBytes, kMostPixelsPerByte) < pixels)
        failDataTooShort(dataBytes, width, height);
}

std::uint64_t mostUnpackedBytes(Packing packing, std::uint64_t packedBytes) {
    return saturatingProduct(packedBytes, bestRatio(packing));
}

std::uint64_t saturatingProduct(std::uint64_t a, std::uint64_t b) {
    if (b != 0 && a > std::numeric_limits<std::uint64_t>::max() / b)
        return std::numeric_limits<std::uint64_t>::max();
    return a * b;
}

}  // namespace imaging::codecs
