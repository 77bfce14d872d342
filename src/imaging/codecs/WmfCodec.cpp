#include "imaging/codecs/WmfCodec.h"

#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <QFileInfo>
#include <algorithm>
#include <iterator>
#include <optional>

#include "imaging/FormatCode.h"
#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/DibCodec.h"
#include "imaging/codecs/MetafileSupport.h"

namespace imaging::codecs {
namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t kSourceCopy = 0x00CC0020;
constexpr unsigned kEof = 0x0000, kStretchDib = 0x0F43;
constexpr std::size_t kStretchDibHeader = 28;  // size, function and ten parameters

// Records that set up state without drawing anything.
bool isStateRecord(unsigned function) {
    switch (function) {
        case 0x001E:  // SaveDC
        case 0x0102:  // SetBkMode
        case 0x0103:  // SetMapMode
        case 0x0104:  // SetROP2
        case 0x0106:  // SetPolyFillMode
        case 0x0107:  // SetStretchBltMode
        case 0x0127:  // RestoreDC
        case 0x012E:  // SetTextAlign
        case 0x0201:  // SetBkColor
        case 0x0209:  // SetTextColor
        case 0x020B:  // SetWindowOrg
        case 0x020C:  // SetWindowExt
        case 0x020D:  // SetViewportOrg
        case 0x020E:  // SetViewportExt
        case 0x0626:  // Escape, used for comments
            return true;
        default:
            return false;
    }
}

// Where a record keeps its bitmap (a DIB, or for the old BitBlt and StretchBlt a bitmap of
// type, width, height, bytes a row, planes and bits a pixel), and the source rectangle it
// copies from it, each field a 16-bit number at the given offset (-1: none).
struct BitmapPlace {
    unsigned function;
    std::size_t offset;
    bool dib;
    bool optional;  // present only when the record is longer than (function >> 8) + 3 words
    int x, y, width, height;
};

constexpr BitmapPlace kBitmapPlaces[] = {
    {kStretchDib, kStretchDibHeader, true, false, 18, 16, 14, 12},
    {0x0B41, 26, true, true, 16, 14, 12, 10},   // DIBStretchBlt
    {0x0940, 22, true, true, 12, 10, 16, 14},   // DIBBitBlt
    {0x0D33, 24, true, false, 14, 12, 18, 16},  // SetDIBitsToDevice
    {0x0142, 10, true, false, -1, -1, -1, -1},  // DIBCreatePatternBrush
    {0x0B23, 26, false, true, 16, 14, 12, 10},  // StretchBlt
    {0x0922, 22, false, true, 12, 10, 16, 14},  // BitBlt
};

struct Scan {
    std::optional<Bytes> soleBitmap;  // the DIB of a metafile that holds nothing else
    BitmapSizes bitmapSizes;          // of every bitmap record
    std::size_t header = 0;           // where the metafile header starts
    std::uint32_t largestRecord = 0;  // in 16-bit words
};

// The size of the bitmap a record carries, if it carries one, after checking that the
// bitmap is all there and that the rectangle copied from it lies inside it: libwmf checks
// neither, and loops for a long time over a rectangle far outside a bitmap.
std::optional<std::pair<std::int64_t, std::int64_t>> bitmapSize(unsigned function, Bytes record) {
    const auto place = std::find_if(std::begin(kBitmapPlaces), std::end(kBitmapPlaces),
                                    [&](const BitmapPlace& p) { return p.function == function; });
    if (place == std::end(kBitmapPlaces)) return std::nullopt;
    if (place->optional && record.size() / 2 == (function >> 8) + 3) return std::nullopt;
    if (record.size() < place->offset + 10)
        failCorrupt(QStringLiteral("a metafile bitmap is cut short"));
    const std::uint8_t* p = record.data();
    std::int64_t width = 0, height = 0;
    if (place->dib) {
        const Bytes dib = record.subspan(place->offset);
        const DibHeader header = parseDibHeader(dib);
        if (!dibIsOrdinary(header, dib, dib.subspan(std::min(header.packedBitsOffset, dib.size()))))
            failCorrupt(QStringLiteral("a metafile bitmap is damaged or of an unusual kind"));
        width = header.width;
        height = header.height;
    } else {
        width = readU16(p + place->offset + 2);
        height = readU16(p + place->offset + 4);
        if (record.size() - place->offset - 10 <
            std::size_t(readU16(p + place->offset + 6)) * height)
            failCorrupt(QStringLiteral("a metafile bitmap is cut short"));
    }
    if (place->x >= 0) {
        const auto field = [&](int at) { return std::int64_t(std::int16_t(readU16(p + at))); };
        const std::int64_t x = field(place->x), y = field(place->y), w = field(place->width),
                           h = field(place->height);
        if (x < 0 || y < 0 || w < 0 || h < 0 || x + w > width || y + h > height)
            failCorrupt(QStringLiteral("a metafile copies from outside its bitmap"));
    }
    return std::pair{width, height};
}

// Walks the records, checking that each lies inside the file, and notes the bitmaps.
Scan scanRecords(Bytes data) {
    ByteReader in(data);
    if (in.u32() != kPlaceableKey)
        in.seek(0);
    else
        in.seek(22);
    Scan scan;
    scan.header = in.position();
    in.skip(2);
    const unsigned headerWords = in.u16();
    if (headerWords < 9) failCorrupt(QStringLiteral("the metafile header is damaged"));
    in.seek(scan.header + headerWords * 2u);
    std::optional<Bytes> copy;
    bool onlyCopy = true;
    while (!in.atEnd()) {
        const std::size_t at = in.position();
        const std::uint64_t bytes = std::uint64_t(in.u32()) * 2;
        const unsigned function = in.u16();
        if (bytes < 6 || bytes > data.size() - at)
            failCorrupt(QStringLiteral("a metafile record has a wrong size"));
        in.seek(at + bytes);
        scan.largestRecord = std::max(scan.largestRecord, std::uint32_t(bytes / 2));
        if (function == kEof) break;
        if (isStateRecord(function)) continue;
        const Bytes record = data.subspan(at, bytes);
        if (const auto size = bitmapSize(function, record)) scan.bitmapSizes.push_back(*size);
        const bool plainCopy = function == kStretchDib &&
                               readU32(record.data() + 6) == kSourceCopy &&
                               readU16(record.data() + 10) == 0;
        onlyCopy = onlyCopy && plainCopy && !copy;
        copy = record;
    }
    if (!onlyCopy || !copy) return scan;
    const Bytes dib = copy->subspan(kStretchDibHeader);
    const DibHeader header = parseDibHeader(dib);
    // Only a copy of the whole bitmap is the bitmap itself; anything cut out of it is drawn.
    const std::uint8_t* p = copy->data();
    if (readU16(p + 12) == header.height && readU16(p + 14) == header.width &&
        readU16(p + 16) == 0 && readU16(p + 18) == 0)
        scan.soleBitmap = dib;
    return scan;
}

QImage decodePackedDib(Bytes dib, const DecodeLimits& limits) {
    const DibHeader header = parseDibHeader(dib);
    if (header.packedBitsOffset > dib.size()) failCorrupt(QStringLiteral("the bitmap ends early"));
    return decodeDib(header, dib, dib.subspan(header.packedBitsOffset), limits);
}

// libwmf's SVG device writes the drawing, bitmaps inlined as PNG, to a memory stream.
QByteArray toSvg(Bytes data, const Scan& scan) {
    QByteArray input = libraryInput(data);
    // libwmf allocates the header's largest record size up front: it gets the true one.
    const std::uint32_t largest = scan.largestRecord;
    for (int i = 0; i < 4; ++i) input[qsizetype(scan.header + 12 + i)] = char(largest >> (8 * i));
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    wmfAPI* api = nullptr;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api) wmf_api_destroy(api);
        failUnsupported(QStringLiteral("the metafile library could not start"));
    }
    QByteArray svg;
    wmfD_Rect box{};
    auto* bytes = reinterpret_cast<unsigned char*>(input.data());
    bool ok = wmf_mem_open(api, bytes, long(data.size())) == wmf_E_None &&
              wmf_scan(api, 0, &box) == wmf_E_None;
    if (ok) {
        wmf_svg_t* device = WMF_SVG_GetData(api);
        device->out = wmf_stream_create(api, nullptr);
        device->Description = const_cast<char*>("Quorvane");
        device->bbox = box;
        device->flags |= WMF_SVG_INLINE_IMAGES;
        unsigned int width = 0, height = 0;
        ok = device->out && wmf_display_size(api, &width, &height, 96, 96) == wmf_E_None;
        device->width = width;
        device->height = height;
        ok = ok && wmf_play(api, 0, &box) == wmf_E_None;
        if (device->out) {
            char* text = nullptr;
            unsigned long length = 0;
            wmf_stream_destroy(api, device->out, &text, &length);
            if (ok && text) svg = QByteArray(text, qsizetype(length));
        }
    }
    wmf_api_destroy(api);
    if (svg.isEmpty()) {
        // libwmf refuses every file, sound or not, when it finds none of its base fonts.
        if (!QFileInfo::exists(QStringLiteral("/usr/share/fonts/type1/urw-base35")))
            failUnsupported(QStringLiteral(
                "drawing metafiles needs the URW base fonts (package fonts-urw-base35)"));
        failCorrupt(QStringLiteral("the metafile drawing could not be read"));
    }
    return svg;
}

}  // namespace

FileFacts inspectWmf(Bytes data, const DecodeLimits& limits) {
    const Scan scan = scanRecords(data);
    if (scan.soleBitmap) {
        const DibHeader header = parseDibHeader(*scan.soleBitmap);
        return FileFacts{kFormatWmf, int(header.width), int(header.height), 1,
                         int(header.bitCount)};
    }
    checkBitmapSizes(scan.bitmapSizes, limits);
    const QSize size = svgNaturalSize(toSvg(data, scan));
    return FileFacts{kFormatWmf, size.width(), size.height(), 1, 24};
}

QImage decodeWmf(Bytes data, const DecodeLimits& limits) {
    const Scan scan = scanRecords(data);
    if (scan.soleBitmap) return decodePackedDib(*scan.soleBitmap, limits);
    checkBitmapSizes(scan.bitmapSizes, limits);
    return rasterizeSvg(toSvg(data, scan), limits);
}

void encodeWmf(const QImage& image, bool placeable, QIODevice& out) {
    if (image.width() > 0x7FFF || image.height() > 0x7FFF)
        throw Error(kImageTooLarge,
                    QStringLiteral("a metafile holds at most 32767 x 32767 pixels"));
    const DibWriter dib(image, 24);
    const std::uint64_t bitmapBytes =
        kStretchDibHeader + dib.header().size() + std::uint64_t(dib.pixelBytes());
    const std::uint32_t w = std::uint32_t(image.width()), h = std::uint32_t(image.height());

    QByteArray head;
    LittleEndian put(head);
    if (placeable) {
        // Bounds in units of 1/96 inch: one unit a pixel on a 96-dpi screen.
        const std::uint16_t words[10] = {0xCDD7,           0x9AC6,           0,  0, 0,
                                         std::uint16_t(w), std::uint16_t(h), 96, 0, 0};
        std::uint16_t checksum = 0;
        for (std::uint16_t word : words) {
            put.u16(word);
            checksum ^= word;
        }
        put.u16(checksum);
    }
    constexpr std::uint32_t kStateWords = 4 + 5 + 5 + 4;  // map mode, origin, extent, stretch mode
    const std::uint64_t totalWords = 9 + kStateWords + bitmapBytes / 2 + 3;
    if (totalWords > 0xFFFF'FFFF)
        throw Error(kImageTooLarge, QStringLiteral("the metafile would be too large"));
    put.u16(1)
        .u16(9)
        .u16(0x0300)
        .u32(std::uint32_t(totalWords))
        .u16(0)
        .u32(std::uint32_t(bitmapBytes / 2))
        .u16(0);
    put.u32(4).u16(0x0103).u16(8);         // SetMapMode(MM_ANISOTROPIC)
    put.u32(5).u16(0x020B).u16(0).u16(0);  // SetWindowOrg(0, 0)
    put.u32(5).u16(0x020C).u16(h).u16(w);  // SetWindowExt: height, then width
    put.u32(4).u16(0x0107).u16(3);         // SetStretchBltMode(COLORONCOLOR)
    put.u32(std::uint32_t(bitmapBytes / 2)).u16(kStretchDib).u32(kSourceCopy).u16(0);
    put.u16(h).u16(w).u16(0).u16(0);  // source: height, width, y, x
    put.u16(h).u16(w).u16(0).u16(0);  // destination: height, width, y, x
    out.write(head);
    out.write(dib.header());
    dib.writePixels(out);
    QByteArray tail;
    LittleEndian(tail).u32(3).u16(kEof);
    out.write(tail);
}

}  // namespace imaging::codecs
