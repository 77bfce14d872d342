#include "imaging/codecs/Dither.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>

#include "imaging/effects/RowBands.h"

namespace imaging::codecs {
namespace {

// Rows dithered as one run. Error does not cross from one band into the next; at this height
// the seam is invisible and the bands keep both cores busy.
constexpr int kBandRows = 512;

// The nearest palette entry for each colour cell of 4 x 4 x 4 levels, found on first use. The
// entry is the one nearest the cell's centre whichever pixel asks first, so bands that fill
// the table at the same time store the same value and the result never depends on timing.
class NearestColour {
public:
    explicit NearestColour(const std::vector<QRgb>& palette)
        : count_(int(palette.size())), cells_(new std::atomic<std::uint16_t>[kCells]) {
        for (int i = 0; i < count_; ++i) {
            red_[std::size_t(i)] = qRed(palette[std::size_t(i)]);
            green_[std::size_t(i)] = qGreen(palette[std::size_t(i)]);
            blue_[std::size_t(i)] = qBlue(palette[std::size_t(i)]);
        }
        for (int cell = 0; cell < kCells; ++cell)
            cells_[cell].store(kUnknown, std::memory_order_relaxed);
    }

    int operator()(int r, int g, int b) const {
        const int cell = (r >> kShift) << (2 * kBits) | (g >> kShift) << kBits | (b >> kShift);
        std::uint16_t index = cells_[cell].load(std::memory_order_relaxed);
        if (index == kUnknown) {
            index = std::uint16_t(search(centre(r), centre(g), centre(b)));
            cells_[cell].store(index, std::memory_order_relaxed);
        }
        return index;
    }

    int red(int index) const { return red_[std::size_t(index)]; }
    int green(int index) const { return green_[std::size_t(index)]; }
    int blue(int index) const { return blue_[std::size_t(index)]; }

private:
    static constexpr int kBits = 6;
    static constexpr int kShift = 8 - kBits;
    static constexpr int kCells = 1 << (3 * kBits);
    static constexpr std::uint16_t kUnknown = 0xFFFF;

    static int centre(int level) { return (level >> kShift << kShift) + (1 << kShift) / 2; }

    int search(int r, int g, int b) const {
        int best = 0;
        int bestDistance = 1 << 30;
        for (int i = 0; i < count_; ++i) {
            const int dr = red_[std::size_t(i)] - r, dg = green_[std::size_t(i)] - g,
                      db = blue_[std::size_t(i)] - b;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        return best;
    }

    int count_;
    std::array<int, 256> red_{}, green_{}, blue_{};
    std::unique_ptr<std::atomic<std::uint16_t>[]> cells_;
};

// Error still owed to the pixels of the next row, in sixteenths, one triple a column with a
// spare column at each end so the kernel never tests for the edge.
struct RowError {
    explicit RowError(int width) : values(std::size_t(width + 2) * 3, 0) {}
    int* at(int x) { return &values[std::size_t(x + 1) * 3]; }
    std::vector<int> values;
};

// One row in direction Step (+1 or -1). The error a pixel receives is rounded toward zero,
// which damps it a little: fewer dither worms, and a result measurably closer to the original
// than plain rounding. The error for the row below is built in place: the
// cell a pixel reads is final before the pixel is reached, and is rewritten only for pixels
// already passed.
template <int Step>
void ditherRow(const QRgb* source, std::uint8_t* out, int width, RowError& error,
               const NearestColour& nearest) {
    int owedRight[3] = {0, 0, 0};    // 7/16 of the last pixel's error, for the next pixel
    int belowBehind[3] = {0, 0, 0};  // the row below, one column back: 5/16 and 1/16 so far
    int belowHere[3] = {0, 0, 0};    // the row below, this column: 1/16 so far
    const int first = Step > 0 ? 0 : width - 1;
    for (int i = 0, x = first; i < width; ++i, x += Step) {
        int* above = error.at(x);
        const QRgb pixel = source[x];
        const int wanted[3] = {std::clamp(qRed(pixel) + ((above[0] + owedRight[0]) / 16), 0, 255),
                               std::clamp(qGreen(pixel) + ((above[1] + owedRight[1]) / 16), 0, 255),
                               std::clamp(qBlue(pixel) + ((above[2] + owedRight[2]) / 16), 0, 255)};
        const int index = nearest(wanted[0], wanted[1], wanted[2]);
        out[x] = std::uint8_t(index);
        const int miss[3] = {wanted[0] - nearest.red(index), wanted[1] - nearest.green(index),
                             wanted[2] - nearest.blue(index)};
        int* behind = error.at(x - Step);
        for (int c = 0; c < 3; ++c) {
            if (i > 0) behind[c] = belowBehind[c] + 3 * miss[c];
            belowBehind[c] = belowHere[c] + 5 * miss[c];
            belowHere[c] = miss[c];
            owedRight[c] = 7 * miss[c];
        }
    }
    int* last = error.at(first + (width - 1) * Step);
    for (int c = 0; c < 3; ++c) last[c] = belowBehind[c];
}

void ditherBand(const QImage& image, int firstRow, int endRow, const NearestColour& nearest,
                std::uint8_t* indices) {
    const int width = image.width();
    RowError error(width);
    for (int y = firstRow; y < endRow; ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* out = indices + std::size_t(y) * std::size_t(width);
        if ((y - firstRow) % 2 == 0)
            ditherRow<1>(source, out, width, error, nearest);
        else
            ditherRow<-1>(source, out, width, error, nearest);
    }
}

}  // namespace

void ditherToPalette(const QImage& rgb32, const std::vector<QRgb>& palette, std::uint8_t* indices) {
    const NearestColour nearest(palette);
    const int bands = (rgb32.height() + kBandRows - 1) / kBandRows;
    effects::forEachRowBand(bands, qint64(kBandRows) * rgb32.width(), [&](int first, int end) {
        for (int band = first; band < end; ++band)
            ditherBand(rgb32, band * kBandRows, std::min(rgb32.height(), (band + 1) * kBandRows),
                       nearest, indices);
    });
}

}  // namespace imaging::codecs
