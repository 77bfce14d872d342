#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>

#include "EffectTesting.h"

using namespace effects_test;

namespace {

using Formula = std::function<double(const std::array<int, 9>&)>;

// A 3x3 effect call, and what it should do to each selected channel in plain doubles.
struct Case {
    const char* name;
    const char* effect;
    std::vector<double> numbers;
    unsigned channels;  // bit 1 red, 2 green, 4 blue
    Formula formula;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

double weighted(const std::array<double, 9>& k, const std::array<int, 9>& n) {
    double sum = 0;
    for (int i = 0; i < 9; ++i) sum += k[i] * n[i];
    return sum;
}

Case filter(const char* name, std::array<double, 9> k, double factor) {
    std::vector<double> numbers(k.begin(), k.end());
    numbers.insert(numbers.end(), {factor, 0});
    return {name, "filter3x3", numbers, 7,
            [=](const std::array<int, 9>& n) { return n[4] - factor * weighted(k, n); }};
}

Case convolve(const char* name, std::array<double, 9> k, double divisor, unsigned mask) {
    std::vector<double> numbers(k.begin(), k.end());
    numbers.insert(numbers.end(), {divisor, double(mask), 0, 0, 0});
    return {name, "convolve", numbers, mask,
            [=](const std::array<int, 9>& n) { return weighted(k, n) / divisor; }};
}

Case sharpen(const char* name, double percent) {
    return {name, "sharpen", {percent, 0}, 7, [percent](const std::array<int, 9>& n) {
                const double blur = weighted({1, 2, 1, 2, 4, 2, 1, 2, 1}, n) / 16;
                return n[4] + percent / 100 * (n[4] - blur);
            }};
}

// The effect computed the plain way: borders replicate, each channel rounded and clamped.
QImage plainly(const QImage& in, const Case& c) {
    const auto pixel = [&](int x, int y) {
        return at(in, std::clamp(x, 0, in.width() - 1), std::clamp(y, 0, in.height() - 1));
    };
    return made(in.width(), in.height(), in.format(), [&](int x, int y) {
        quint32 result = pixel(x, y);
        for (int byte = 0; byte < 3; ++byte) {
            if (!(c.channels & (4u >> byte))) continue;
            std::array<int, 9> n;
            for (int i = 0; i < 9; ++i) n[i] = channel(pixel(x + i % 3 - 1, y + i / 3 - 1), byte);
            const double value = std::clamp(std::round(c.formula(n)), 0.0, 255.0);
            result = (result & ~(0xffu << (8 * byte))) | (quint32(value) << (8 * byte));
        }
        return result;
    });
}

class NeighbourhoodKernels : public ::testing::TestWithParam<Case> {};

TEST_P(NeighbourhoodKernels, EqualTheRoundedFormula) {
    const Case& c = GetParam();
    const QSize sizes[] = {{1, 1}, {1, 7}, {7, 1}, {2, 3}, {6, 2}, {13, 11}, {40, 9}};
    for (QImage::Format format : kFormats)
        for (QSize size : sizes) {
            const QImage in = randomImage(size.width(), size.height(), format, 31 + size.width());
            EXPECT_TRUE(
                samePixels(plainly(in, c), runEffect(QString::fromLatin1(c.effect), in, c.numbers)))
                << size.width() << "x" << size.height() << " format " << format;
        }
}

// Edge, identity and odd kernels with factors and divisors that are exact in binary and
// ones that are not; the 0.1 and 0.3 kernels hit exact ties that fixed point cannot settle.
INSTANTIATE_TEST_SUITE_P(
    Kernels, NeighbourhoodKernels,
    ::testing::Values(
        filter("edge_minus_half", {-1, -1, -1, -1, 8, -1, -1, -1, -1}, -0.5),
        filter("edge_minus_0_2", {-1, -1, -1, -1, 8, -1, -1, -1, -1}, -0.2),
        filter("edge_0_3", {-1, -1, -1, -1, 8, -1, -1, -1, -1}, 0.3),
        filter("edge_minus_3", {-1, -1, -1, -1, 8, -1, -1, -1, -1}, -3),
        filter("intensify_20", {0, 0, 0, 0, 1, 0, 0, 0, 0}, -0.2),
        filter("halve", {0, 0, 0, 0, 1, 0, 0, 0, 0}, 0.5),
        filter("tenths", {0.1, 0.1, 0.1, 0.1, 0.2, 0.1, 0.1, 0.1, 0.1}, 1),
        filter("large_weights", {-1000, 0, 0, 0, 3000, 0, 0, 0, -2000}, 7.25),
        convolve("soften_ninths",
                 {1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0},
                 1, 7),
        convolve("box_over_9_red", {1, 1, 1, 1, 1, 1, 1, 1, 1}, 9, 1),
        convolve("binomial_green_blue", {1, 2, 1, 2, 4, 2, 1, 2, 1}, 16, 6),
        convolve("sobel_negative_divisor", {1, 0, -1, 2, 0, -2, 1, 0, -1}, -3, 5),
        convolve("threes", {0.3, 0.3, 0.3, 0.3, 0.3, 0, 0, 0, 0}, 1, 7),
        convolve("no_channel", {1, 1, 1, 1, 1, 1, 1, 1, 1}, 9, 0), sharpen("sharpen_4", 4),
        sharpen("sharpen_10", 10), sharpen("sharpen_35", 35), sharpen("sharpen_100", 100),
        sharpen("sharpen_1000", 1000), sharpen("sharpen_0", 0)),
    caseName);

}  // namespace
