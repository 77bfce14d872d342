#include "imaging/codecs/Quantizer.h"

#include <libimagequant.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>

#include "imaging/Error.h"
#include "imaging/codecs/Dither.h"

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

// libimagequant learns the palette from a sample: one pixel from each cell of a grid sized
// so that about kSamplePixels are taken, moving within the cell from one cell to the next so
// the grid's own pattern is not sampled. The histogram of a large photo barely changes with
// sampling, and the time to build it falls with the pixel count.
constexpr qint64 kSamplePixels = 400'000;

int sampleStep(const QImage& image) {
    const double ratio = double(image.width()) * image.height() / double(kSamplePixels);
    return ratio <= 1 ? 1 : int(std::ceil(std::sqrt(ratio)));
}

std::vector<liq_color> samplePixels(const QImage& image, int step, int& width, int& height) {
    width = (image.width() + step - 1) / step;
    height = (image.height() + step - 1) / step;
    std::vector<liq_color> sample(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int sx = std::min(image.width() - 1, x * step + (7 * y + 3 * x) % step);
            const int sy = std::min(image.height() - 1, y * step + (5 * x + y) % step);
            const QRgb pixel = reinterpret_cast<const QRgb*>(image.constScanLine(sy))[sx];
            sample[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                liq_color{std::uint8_t(qRed(pixel)), std::uint8_t(qGreen(pixel)),
                          std::uint8_t(qBlue(pixel)), 255};
        }
    return sample;
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

std::vector<QRgb> learnPalette(const QImage& image) {
    const std::unique_ptr<liq_attr, Release> attr(liq_attr_create());
    if (!attr) quantizeFailed();
    liq_set_speed(attr.get(), 3);
    int width = 0, height = 0;
    std::vector<liq_color> sample = samplePixels(image, sampleStep(image), width, height);
    const std::unique_ptr<liq_image, Release> input(
        liq_image_create_rgba(attr.get(), sample.data(), width, height, 0));
    liq_result* raw = nullptr;
    if (!input || liq_image_quantize(input.get(), attr.get(), &raw) != LIQ_OK) quantizeFailed();
    const std::unique_ptr<liq_result, Release> quantized(raw);
    const liq_palette* palette = liq_get_palette(quantized.get());
    std::vector<QRgb> colours;
    for (unsigned i = 0; i < palette->count; ++i)
        colours.push_back(
            qRgb(palette->entries[i].r, palette->entries[i].g, palette->entries[i].b));
    return colours;
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

    result.palette = learnPalette(image);
    ditherToPalette(image, result.palette, result.indices.data());
    return result;
}

}  // namespace imaging::codecs
