#pragma once

#include <algorithm>
#include <array>
#include <vector>

#include "imaging/ImagingTesting.h"

// Files made byte by byte, for the variants no writer of ours produces and for lying headers.
namespace imaging_testing {

// A bitmap: file header, info header, colour table, pixels.
inline QByteArray bmp(int width, int height, int bits, int compression,
                      const std::vector<QRgb>& palette, const QByteArray& pixels) {
    Bytes info = Bytes().u32(40, width, height).u16(1, bits);
    info.u32(compression, pixels.size(), 2835, 2835, palette.size(), 0);
    for (QRgb c : palette) info.bgr({c}).u8(0);
    const auto offset = 14 + info.data.size();
    return Bytes().raw("BM").u32(offset + pixels.size(), 0, offset).raw(info.data).raw(pixels).data;
}

inline Bytes pcx(int bits, int planes, int width, int height, int bytesPerLine, bool rle = true,
                 std::initializer_list<QRgb> ega = {}) {
    Bytes b = Bytes().u8(0x0A, 5, rle, bits).u16(0, 0, width - 1, height - 1, 96, 96);
    for (QRgb c : ega) b.u8(qRed(c), qGreen(c), qBlue(c));
    return b.fill(48 - 3 * qsizetype(ega.size())).u8(0, planes).u16(bytesPerLine, 1).fill(58);
}

inline Bytes tga(int type, int depth, int width, int height, int descriptor, int mapLength = 0,
                 int mapFirst = 0, int mapBits = 0) {
    return Bytes()
        .u8(0, mapLength ? 1 : 0, type)
        .u16(mapFirst, mapLength)
        .u8(mapBits)
        .u16(0, 0)
        .u16(width, height)
        .u8(depth, descriptor);
}

inline QByteArray withFooter(Bytes file, std::uint32_t extensionOffset = 0) {
    return file.u32(extensionOffset, 0).raw(QByteArray("TRUEVISION-XFILE.", 18)).data;
}

// A TIFF page of one strip of 8-bit grey, 1-bit for the fax codings.
struct TiffPage {
    int width, height;
    QByteArray data;
    int compression = 1;
    int orientation = 1;
    std::int64_t declaredBytes = -1;  // the strip's byte count when it lies
};

inline QByteArray tiffFile(const std::vector<TiffPage>& pages) {
    Bytes file = Bytes().raw("II").u16(42).u32(8);
    for (const TiffPage& page : pages) {
        const bool fax = page.compression >= 2 && page.compression <= 4;
        const int offsetTag = 273, countTag = 279;
        const std::int64_t count = page.declaredBytes >= 0 ? page.declaredBytes : page.data.size();
        // Tag, type (3 SHORT, 4 LONG), value; in the order of their tags, as the format asks.
        const std::array<std::array<std::int64_t, 3>, 10> entries = {{{256, 4, page.width},
                                                                      {257, 4, page.height},
                                                                      {258, 3, fax ? 1 : 8},
                                                                      {259, 3, page.compression},
                                                                      {262, 3, fax ? 0 : 1},
                                                                      {offsetTag, 4, 0},
                                                                      {274, 3, page.orientation},
                                                                      {277, 3, 1},
                                                                      {278, 4, page.height},
                                                                      {countTag, 4, count}}};
        const std::int64_t dataAt = file.data.size() + 2 + 12 * std::int64_t(entries.size()) + 4;
        file.u16(entries.size());
        for (const auto& [tag, type, value] : entries) {
            file.u16(tag, type).u32(1);
            const std::int64_t v = tag == offsetTag ? dataAt : value;
            type == 3 ? file.u16(v, 0) : file.u32(v);
        }
        // Directories start on a word boundary.
        const std::int64_t next = dataAt + page.data.size() + (page.data.size() & 1);
        file.u32(&page == &pages.back() ? 0 : next).raw(page.data);
        if (page.data.size() & 1) file.u8(0);
    }
    return file.data;
}

}  // namespace imaging_testing
