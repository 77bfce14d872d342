// Embedded colour profiles: any bytes as the ICC profile of a small picture with alpha.
// Little CMS must refuse what it cannot read, and a conversion must keep the picture's size,
// format and every alpha value.
#include "FuzzSupport.h"
#include "imaging/codecs/ColourProfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QImage picture = [] {
        QImage made(16, 16, QImage::Format_ARGB32);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                made.setPixel(x, y, qRgba(x * 17, y * 17, 255 - x * 8, x * 16 + y));
        return made;
    }();
    QImage image = picture.copy();
    imaging::codecs::convertToSrgb(
        image, QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (image.size() != picture.size() || image.format() != picture.format()) std::abort();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (qAlpha(image.pixel(x, y)) != qAlpha(picture.pixel(x, y))) std::abort();
    return 0;
}
