#include "imaging/codecs/TiffDataCheck.h"

#include <limits>
#include <optional>

#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/DataBounds.h"
#include "imaging/codecs/TiffIo.h"

namespace imaging::codecs::tiff {
namespace {

std::optional<Packing> packingOf(std::uint16_t compression) {
    switch (compression) {
        case COMPRESSION_NONE:
            return Packing::None;
        case COMPRESSION_PACKBITS:
            return Packing::PackBits;
        case COMPRESSION_LZW:
            return Packing::Lzw;
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE:
            return Packing::Deflate;
        case COMPRESSION_ZSTD:
            return Packing::Zstd;
        default:
            return std::nullopt;
    }
}

bool isFax(std::uint16_t compression) {
    return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTRLEW ||
           compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4;
}

// The bytes of samples libtiff hands over for the page (subsampled chroma counted as stored),
// leaving out the padding of tiles at the right and bottom edges.
std::uint64_t sampleBytes(TIFF* tiff, std::uint32_t height) {
    const auto line = TIFFScanlineSize64(tiff);
    const bool separate = field<std::uint16_t>(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) ==
                          PLANARCONFIG_SEPARATE;
    const std::uint64_t planes =
        separate ? field<std::uint16_t>(tiff, TIFFTAG_SAMPLESPERPIXEL, 1) : 1;
    return saturatingProduct(saturatingProduct(std::uint64_t(line), height), planes);
}

// Whether `bytes` of the page's compression can stand for its width x height pixels.
bool dataCanHold(TIFF* tiff, std::uint16_t compression, std::uint64_t bytes, std::uint32_t width,
                 std::uint32_t height) {
    const std::uint64_t bits = saturatingProduct(bytes, 8);
    // JPEG spends at least a bit on each 8 x 8 block of its first component (see JpegCodec).
    if (compression == COMPRESSION_JPEG)
        return bits >= std::uint64_t((width + 7) / 8) * ((height + 7) / 8);
    // The fax codings spend at least a bit on a line (a line like the one above it is one
    // "vertical 0" code), however wide it is.
    if (isFax(compression)) return bits >= height;
    const std::optional<Packing> packing = packingOf(compression);
    return !packing || mostUnpackedBytes(*packing, bytes) >= sampleBytes(tiff, height);
}

}  // namespace

void requireDataForPage(TIFF* tiff, std::uint64_t fileSize) {
    const auto compression = field<std::uint16_t>(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    if (compression == COMPRESSION_OJPEG) return;
    const bool tiled = TIFFIsTiled(tiff);
    const std::uint32_t chunks = tiled ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < chunks; ++i) {
        int failed = 0;
        const std::uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, i, &failed);
        const std::uint64_t bytes = TIFFGetStrileByteCountWithErr(tiff, i, &failed);
        if (failed) failCorrupt(QStringLiteral("the table of the page's data cannot be read"));
        if (offset > fileSize || bytes > fileSize - offset)
            failCorrupt(QStringLiteral("%1 %2 reaches past the end of the file")
                            .arg(tiled ? QStringLiteral("tile") : QStringLiteral("strip"))
                            .arg(i + 1));
        // Strips may share their bytes, so the sum can pass the file's size.
        total = bytes > kMost - total ? kMost : total + bytes;
    }
    const auto width = field<std::uint32_t>(tiff, TIFFTAG_IMAGEWIDTH, 0);
    const auto height = field<std::uint32_t>(tiff, TIFFTAG_IMAGELENGTH, 0);
    if (!dataCanHold(tiff, compression, total, width, height))
        failDataTooShort(total, width, height);
}

}  // namespace imaging::codecs::tiff
