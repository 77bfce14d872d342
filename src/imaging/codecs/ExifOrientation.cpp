#include "imaging/codecs/ExifOrientation.h"

#include <QTransform>
#include <cstring>

namespace imaging::codecs {

int exifOrientation(Bytes exif) {
    constexpr std::size_t kTiff = 6;  // after "Exif\0\0"
    if (exif.size() < kTiff + 8 || std::memcmp(exif.data(), "Exif\0\0", 6) != 0) return 1;
    const Bytes tiff = exif.subspan(kTiff);
    const bool big = tiff[0] == 'M' && tiff[1] == 'M';
    if (!big && !(tiff[0] == 'I' && tiff[1] == 'I')) return 1;
    auto u16 = [&](std::size_t at) {
        return big ? std::uint16_t(tiff[at] << 8 | tiff[at + 1]) : readU16(tiff.data() + at);
    };
    auto u32 = [&](std::size_t at) {
        return big ? std::uint32_t(u16(at)) << 16 | u16(at + 2) : readU32(tiff.data() + at);
    };
    const std::uint32_t ifd = u32(4);
    if (ifd > tiff.size() - 2) return 1;
    const unsigned count = u16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + std::size_t(i) * 12;
        if (entry + 12 > tiff.size()) return 1;
        // Tag 0x0112 is a single SHORT held in the entry itself.
        if (u16(entry) == 0x0112 && u16(entry + 2) == 3) {
            const int value = u16(entry + 8);
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}

QImage applyOrientation(const QImage& image, int orientation) {
    const QTransform quarter = QTransform().rotate(90);
    const QTransform threeQuarters = QTransform().rotate(270);
    switch (orientation) {
        case 2:
            return image.mirrored(true, false);
        case 3:
            return image.mirrored(true, true);
        case 4:
            return image.mirrored(false, true);
        case 5:  // transpose
            return image.mirrored(true, false).transformed(threeQuarters);
        case 6:
            return image.transformed(quarter);
        case 7:  // transverse
            return image.mirrored(true, false).transformed(quarter);
        case 8:
            return image.transformed(threeQuarters);
        default:
            return image;
    }
}

}  // namespace imaging::codecs
