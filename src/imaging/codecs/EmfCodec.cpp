#include "imaging/codecs/EmfCodec.h"

#include <emf2svg.h>

#include <optional>

#include "imaging/FormatCode.h"
#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/DibCodec.h"
#include "imaging/codecs/MetafileSupport.h"

namespace imaging::codecs {
namespace {

constexpr std::uint32_t kSourceCopy = 0x00CC0020;
constexpr std::uint32_t kHeader = 1, kEof = 14, kStretchDiBits = 81;
constexpr std::uint32_t kHeaderSize = 108;        // with the pixel-format and micrometre fields
constexpr std::uint32_t kStretchDiBitsSize = 80;  // before the bitmap

// Records that set up state without drawing anything.
bool isStateRecord(std::uint32_t type) {
    switch (type) {
        case 9:   // SetWindowExtEx
        case 10:  // SetWindowOrgEx
        case 11:  // SetViewportExtEx
        case 12:  // SetViewportOrgEx
        case 13:  // SetBrushOrgEx
        case 17:  // SetMapMode
        case 18:  // SetBkMode
        case 19:  // SetPolyFillMode
        case 20:  // SetROP2
        case 21:  // SetStretchBltMode
        case 22:  // SetTextAlign
        case 24:  // SetTextColor
        case 25:  // SetBkColor
        case 33:  // SaveDC
        case 34:  // RestoreDC
        case 70:  // GdiComment
        case 98:  // SetIcmMode
            return true;
        default:
            return false;
    }
}

// Where the bitmap records keep the offset of their bitmap header; its size, the offset
// of the pixels and their size follow.
std::size_t bitmapFieldsOf(std::uint32_t type) {
    switch (type) {
        case 76:   // BitBlt
        case 77:   // StretchBlt
        case 78:   // MaskBlt
        case 114:  // AlphaBlend
        case 116:  // TransparentBlt
            return 84;
        case 79:  // PlgBlt
            return 96;
        case 80:  // SetDIBitsToDevice
        case kStretchDiBits:
            return 48;
        case 93:  // CreateMonoBrush
        case 94:  // CreateDIBPatternBrushPt
            return 16;
        default:
            return 0;
    }
}

struct Bitmap {
    Bytes info;
    Bytes bits;
};

struct Scan {
    std::optional<Bitmap> soleBitmap;  // of a metafile that holds nothing else
    BitmapSizes bitmapSizes;           // of every bitmap record
};

// The bitmap of a record, checked to lie inside it; none for a record without one.
std::optional<Bitmap> bitmapOf(std::uint32_t type, Bytes record) {
    const std::size_t fields = bitmapFieldsOf(type);
    if (fields == 0) return std::nullopt;
    if (record.size() < fields + 16)
        failCorrupt(QStringLiteral("a metafile bitmap record is cut short"));
    const auto field = [&](std::size_t offset) {
        return std::uint64_t(readU32(record.data() + fields + offset));
    };
    if (field(4) == 0) return std::nullopt;  // drawing with the brush alone
    if (field(0) + field(4) > record.size() || field(8) + field(12) > record.size())
        failCorrupt(QStringLiteral("a metafile bitmap lies outside its record"));
    return Bitmap{record.subspan(field(0), field(4)), record.subspan(field(8), field(12))};
}

// Walks the records, checking that each lies inside the file, and notes the bitmaps.
Scan scanRecords(Bytes data) {
    ByteReader in(data);
    Scan scan;
    std::optional<Bitmap> copy;
    bool onlyCopy = true;
    while (!in.atEnd()) {
        const std::size_t at = in.position();
        const std::uint32_t type = in.u32();
        const std::uint32_t size = in.u32();
        if (size < 8 || size % 4 != 0 || size > data.size() - at)
            failCorrupt(QStringLiteral("a metafile record has a wrong size"));
        in.seek(at + size);
        if (type == kEof) break;
        if (type == kHeader || isStateRecord(type)) continue;
        const Bytes record = data.subspan(at, size);
        const std::optional<Bitmap> bitmap = bitmapOf(type, record);
        if (bitmap) {
            const DibHeader header = parseDibHeader(bitmap->info);
            if (!dibIsOrdinary(header, bitmap->info, bitmap->bits))
                failCorrupt(QStringLiteral("a metafile bitmap is damaged or of an unusual kind"));
            scan.bitmapSizes.emplace_back(header.width, header.height);
        }
        // A copy of the whole bitmap, in its own colours: the bitmap itself.
        const auto field = [&](std::size_t offset) { return readU32(record.data() + offset); };
        const bool plainCopy = type == kStretchDiBits && bitmap && size >= kStretchDiBitsSize &&
                               field(64) == 0 && field(68) == kSourceCopy && field(32) == 0 &&
                               field(36) == 0 && field(40) == scan.bitmapSizes.back().first &&
                               field(44) == scan.bitmapSizes.back().second;
        onlyCopy = onlyCopy && plainCopy && !copy;
        copy = bitmap;
    }
    if (onlyCopy && copy) scan.soleBitmap = copy;
    return scan;
}

QByteArray toSvg(Bytes data) {
    generatorOptions options{};
    // No element prefix: plain SVG is what QtSvg reads best, and the library leaks the
    // prefix string it builds otherwise.
    options.nameSpace = const_cast<char*>("");
    options.emfplus = true;
    options.svgDelimiter = true;
    char* text = nullptr;
    std::size_t length = 0;
    QByteArray input = libraryInput(data);
    const int converted = emf2svg(input.data(), data.size(), &text, &length, &options);
    QByteArray svg = converted && text ? QByteArray(text, qsizetype(length)) : QByteArray();
    std::free(text);
    if (svg.isEmpty()) failCorrupt(QStringLiteral("the metafile drawing could not be read"));
    return svg;
}

}  // namespace

FileFacts inspectEmf(Bytes data, const DecodeLimits& limits) {
    const Scan scan = scanRecords(data);
    if (scan.soleBitmap) {
        const DibHeader header = parseDibHeader(scan.soleBitmap->info);
        return FileFacts{kFormatEmf, int(header.width), int(header.height), 1,
                         int(header.bitCount)};
    }
    checkBitmapSizes(scan.bitmapSizes, limits);
    const QSize size = svgNaturalSize(toSvg(data));
    return FileFacts{kFormatEmf, size.width(), size.height(), 1, 24};
}

QImage decodeEmf(Bytes data, const DecodeLimits& limits) {
    const Scan scan = scanRecords(data);
    if (const auto& bitmap = scan.soleBitmap)
        return decodeDib(parseDibHeader(bitmap->info), bitmap->info, bitmap->bits, limits);
    checkBitmapSizes(scan.bitmapSizes, limits);
    return rasterizeSvg(toSvg(data), limits);
}

void encodeEmf(const QImage& image, QIODevice& out) {
    const DibWriter dib(image, 24);
    const std::uint32_t infoSize = std::uint32_t(dib.header().size());
    const std::uint64_t recordSize =
        kStretchDiBitsSize + infoSize + std::uint64_t(dib.pixelBytes());
    const std::uint64_t fileSize = kHeaderSize + recordSize + 20;
    if (fileSize > 0xFFFF'FFFF)
        throw Error(kImageTooLarge, QStringLiteral("the metafile would be too large"));
    const std::uint32_t w = std::uint32_t(image.width()), h = std::uint32_t(image.height());
    // The frame is in 1/100 mm; the reference device is a 96-dpi screen of 1920 x 1080.
    const auto hundredthsOfMm = [](std::uint32_t pixels) {
        return std::uint32_t(pixels * 2540ull / 96);
    };

    QByteArray head;
    LittleEndian put(head);
    put.u32(kHeader).u32(kHeaderSize);
    put.u32(0).u32(0).u32(w - 1).u32(h - 1);  // bounds in pixels, inclusive
    put.u32(0).u32(0).u32(hundredthsOfMm(w) - 1).u32(hundredthsOfMm(h) - 1);
    put.u32(0x464D4520)
        .u32(0x10000)
        .u32(std::uint32_t(fileSize))
        .u32(3);                                // " EMF", version, bytes, records
    put.u16(1).u16(0).u32(0).u32(0).u32(0);     // handles, reserved, description, palette
    put.u32(1920).u32(1080).u32(508).u32(286);  // device in pixels and millimetres
    put.u32(0).u32(0).u32(0);                   // no pixel format, no OpenGL
    put.u32(508000).u32(285750);                // device in micrometres

    put.u32(kStretchDiBits).u32(std::uint32_t(recordSize));
    put.u32(0).u32(0).u32(w - 1).u32(h - 1);        // bounds
    put.u32(0).u32(0).u32(0).u32(0).u32(w).u32(h);  // destination x, y; source x, y, width, height
    put.u32(kStretchDiBitsSize).u32(infoSize);      // bitmap header
    put.u32(kStretchDiBitsSize + infoSize).u32(std::uint32_t(dib.pixelBytes()));
    put.u32(0).u32(kSourceCopy).u32(w).u32(h);  // RGB colours, copy, destination size
    out.write(head);
    out.write(dib.header());
    dib.writePixels(out);
    QByteArray tail;
    LittleEndian(tail).u32(kEof).u32(20).u32(0).u32(16).u32(20);
    out.write(tail);
}

}  // namespace imaging::codecs
