#include "imaging/codecs/Quantizer.h"

#include <libimagequant.h>

#include <memory>
#include <unordered_map>

#include "imaging/Error.h"

namespace imaging::codecs {
namespace {

// The palette of an image of at most 256 colours, in the order they first appear; empty
// when there are more.
std::unordered_map<QRgb, std::uint8_t> exactPalette(const QImage& image) {
    std::unordered_map<QRgb, std::uint8_t> colors;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (colors.contains(row[x])) continue;
            if (colors.size() == 256) return {};
            colors.emplace(row[x], std::uint8_t(colors.size()));
        }
    }
    return colors;
}

void rowOfImage(liq_color out[], int y, int width, void* user) {
    const auto* image = static_cast<const QImage*>(user);
    const QRgb* row = reinterpret_cast<const QRgb*>(image->constScanLine(y));
    for (int x = 0; x < width; ++x)
        out[x] = liq_color{std::uint8_t(qRed(row[x])), std::uint8_t(qGreen(row[x])),
                           std::uint8_t(qBlue(row[x])), 255};
}

// libimagequant's objects, each freed by its own function.
struct Release {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

[[noreturn]] void quantizeFailed() {
    throw Error(kOutOfMemory, QStringLiteral("the image could not be reduced to 256 colours"));
}

}  // namespace

IndexedImage quantize(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const std::size_t width = std::size_t(image.width());
    IndexedImage result;
    result.indices.resize(width * std::size_t(image.height()));

    if (auto colors = exactPalette(image); !colors.empty()) {
        result.palette.resize(colors.size());
        for (const auto& [color, index] : colors) result.palette[index] = color;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (std::size_t x = 0; x < width; ++x) result.indices[y * width + x] = colors[row[x]];
        }
        return result;
    }

    const std::unique_ptr<liq_attr, Release> attr(liq_attr_create());
    if (!attr) quantizeFailed();
    // libimagequant pulls the rows through the callback, so no RGBA copy is made.
    void* rows = const_cast<QImage*>(&image);
    const std::unique_ptr<liq_image, Release> input(
        liq_image_create_custom(attr.get(), rowOfImage, rows, image.width(), image.height(), 0));
    liq_result* raw = nullptr;
    if (!input || liq_image_quantize(input.get(), attr.get(), &raw) != LIQ_OK) quantizeFailed();
    const std::unique_ptr<liq_result, Release> quantized(raw);
    liq_set_dithering_level(quantized.get(), 1.0f);
    if (liq_write_remapped_image(quantized.get(), input.get(), result.indices.data(),
                                 result.indices.size()) != LIQ_OK)
        quantizeFailed();
    const liq_palette* palette = liq_get_palette(quantized.get());
    for (unsigned i = 0; i < palette->count; ++i)
        result.palette.push_back(
            qRgb(palette->entries[i].r, palette->entries[i].g, palette->entries[i].b));
    return result;
}

}  // namespace imaging::codecs
