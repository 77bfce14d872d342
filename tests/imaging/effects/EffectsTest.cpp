#include <cmath>
#include <numbers>

#include "imaging/ImagingTesting.h"
#include "imaging/effects/EffectTable.h"

// Every effect of the table against its documented arithmetic written out plainly, pixel by
// pixel, on images of odd sizes in both formats; the same bits at any thread count, with and
// without AVX2 and writing around the cache.
namespace {

using namespace imaging_testing;
using imaging::effects::effectNamed;

// Clockwise on a canvas grown to hold the whole image, bilinear in 1/128 pixel steps over
// premultiplied pixels, the corners white (opaque) or transparent. Right angles move the pixels
// as they are, as Qt's own quarter turns do.
QImage turnedPlainly(const QImage& in, double degrees) {
    const bool opaque = in.format() == QImage::Format_RGB32;
    const double r = std::fmod(degrees + 720, 360) * std::numbers::pi / 180;
    const double c = std::cos(r), s = std::sin(r);
    const int width = int(std::ceil(in.width() * std::abs(c) + in.height() * std::abs(s) - 1e-6));
    const int height = int(std::ceil(in.width() * std::abs(s) + in.height() * std::abs(c) - 1e-6));
    const auto fixed = [](double v) { return std::llround(v * 4294967296.0); };
    const double u = 0.5 - width / 2.0, v = 0.5 - height / 2.0;
    const qint64 originX = fixed(u * c + v * s + in.width() / 2.0 - 0.5) + (1 << 24);
    const qint64 originY = fixed(-u * s + v * c + in.height() / 2.0 - 0.5) + (1 << 24);
    const auto source = [&](qint64 x, qint64 y) {
        if (x < 0 || y < 0 || x >= in.width() || y >= in.height()) return opaque ? ~0u : 0u;
        return at(in, int(x), int(y));
    };
    return made(width, height, in.format(), [&](int X, int Y) {
        const qint64 fx = originX + X * fixed(c) + Y * fixed(s);
        const qint64 fy = originY - X * fixed(s) + Y * fixed(c);
        const qint64 x = fx >> 32, y = fy >> 32;
        const int ax = int((fx >> 25) & 127), ay = int((fy >> 25) & 127);
        const quint32 p[4] = {source(x, y), source(x + 1, y), source(x, y + 1),
                              source(x + 1, y + 1)};
        const qint64 w[4] = {(128 - ax) * (128 - ay), ax * (128 - ay), (128 - ax) * ay, ax * ay};
        qint64 alpha = 0, colour[3] = {0, 0, 0};
        for (int i = 0; i < 4; ++i) {
            const qint64 a = opaque ? 255 : channel(p[i], 3);
            alpha += w[i] * a;
            for (int b = 0; b < 3; ++b) colour[b] += w[i] * a * channel(p[i], b);
        }
        if (alpha == 0) return quint32(0);
        quint32 result = quint32((alpha + 8192) >> 14) << 24;
        for (int b = 0; b < 3; ++b) result |= quint32((colour[b] + alpha / 2) / alpha) << (8 * b);
        return result;
    });
}

// weight[i][k]: how much input k counts towards output i along an axis, out of 2^14. Shrinking
// covers lengths in units of 1/to of an input pixel, rounded as running totals; growing puts
// centre i + 1/2 at input p / q - 1/2 and interpolates between its two neighbours.
std::vector<std::vector<qint64>> plainWeights(qint64 from, qint64 to) {
    std::vector<std::vector<qint64>> weight(size_t(to), std::vector<qint64>(size_t(from), 0));
    for (qint64 i = 0; i < to; ++i) {
        if (to < from) {
            qint64 covered = 0, before = 0;
            for (qint64 k = 0; k < from; ++k) {
                covered += std::max<qint64>(
                    0, std::min((k + 1) * to, (i + 1) * from) - std::max(k * to, i * from));
                const qint64 upTo = (covered * 16384 + from / 2) / from;
                weight[i][k] = upTo - before;
                before = upTo;
            }
            continue;
        }
        const qint64 p = (2 * i + 1) * from - to, q = 2 * to;
        if (p <= 0 || from == 1) {
            weight[i][0] = 16384;
        } else if (p / q >= from - 1) {
            weight[i][from - 1] = 16384;
        } else {
            const qint64 right = ((p % q) * 16384 + q / 2) / q;
            weight[i][p / q] = 16384 - right;
            weight[i][p / q + 1] = right;
        }
    }
    return weight;
}

// Premultiplied columns first, each rounded to 8 fractional bits of 255, then along the rows.
QImage resizedPlainly(const QImage& in, int width, int height) {
    const bool opaque = in.format() == QImage::Format_RGB32;
    const auto down = plainWeights(in.height(), height), along = plainWeights(in.width(), width);
    const auto premultiplied = [&](int x, int y, int byte) {
        const qint64 a = opaque ? 255 : channel(at(in, x, y), 3);
        return byte == 3 ? a * 255 : channel(at(in, x, y), byte) * a;
    };
    return made(width, height, in.format(), [&](int X, int Y) {
        qint64 sum[4] = {0, 0, 0, 0};
        for (int x = 0; x < in.width(); ++x) {
            for (int b = 0; b < 4 && along[X][x]; ++b) {
                qint64 column = 0;
                for (int y = 0; y < in.height(); ++y) column += down[Y][y] * premultiplied(x, y, b);
                sum[b] += along[X][x] * ((column + 8192) >> 14);
            }
        }
        const qint64 unit = 255 * 16384;
        quint32 pixel = quint32((sum[3] + unit / 2) / unit) << 24;
        for (int b = 0; b < 3 && sum[3]; ++b)
            pixel |= quint32((255 * sum[b] + sum[3] / 2) / sum[3]) << (8 * b);
        return pixel;
    });
}

// Source over at a whole percentage, the key colour left out, in exact integers.
QImage mergedPlainly(const QImage& under, const QImage& over, int left, int top, int percent,
                     qint64 key) {
    const bool underOpaque = under.format() == QImage::Format_RGB32;
    return made(under.width(), under.height(), under.format(), [&](int x, int y) {
        const quint32 u = at(under, x, y);
        if (x < left || y < top || x >= left + over.width() || y >= top + over.height()) return u;
        const quint32 o = at(over, x - left, y - top);
        const qint64 s =
            qint64(over.format() == QImage::Format_RGB32 ? 255 : channel(o, 3)) * percent;
        if (qint64(o & 0xffffff) == key || s == 0) return u;
        const qint64 d = underOpaque ? 255 : channel(u, 3);
        const qint64 alpha = s * 255 + d * (25500 - s);  // over 25500 * 255
        quint32 result = underOpaque ? 0xff000000u : quint32((alpha + 12750) / 25500) << 24;
        for (int b = 0; b < 3; ++b) {
            const qint64 colour = channel(o, b) * s * 255 + channel(u, b) * d * (25500 - s);
            result |= quint32((colour + alpha / 2) / alpha) << (8 * b);
        }
        return result;
    });
}

constexpr quint32 kKey = 0x123456;

// The second image of a merge: the other format, with a few pixels of the key colour.
QImage mergeSource(QImage::Format underFormat) {
    QImage over = randomImage(11, 7, kFormats[underFormat == QImage::Format_RGB32], 8);
    for (int i = 0; i < 5; ++i) reinterpret_cast<quint32*>(over.scanLine(i))[i] |= kKey;
    return over;
}

using Plainly = std::function<QImage(const QImage& in, const QImage& over)>;

// One call of an effect and its result worked out plainly from the input and merge source.
struct EffectCase {
    std::string name;
    const char* effect;
    std::vector<double> numbers;
    Plainly plainly;
};

// A 3x3 formula over one channel's neighbourhood, rounded and clamped per selected channel;
// the borders replicate.
Plainly around(unsigned channels, const std::function<double(const std::array<int, 9>&)>& f) {
    return [=](const QImage& in, const QImage&) {
        const auto pixel = [&](int x, int y) {
            return at(in, std::clamp(x, 0, in.width() - 1), std::clamp(y, 0, in.height() - 1));
        };
        return made(in.width(), in.height(), in.format(), [&](int x, int y) {
            quint32 result = pixel(x, y);
            for (int byte = 0; byte < 3; ++byte) {
                if (!(channels & (4u >> byte))) continue;  // bit 1 red, 2 green, 4 blue
                std::array<int, 9> n;
                for (int i = 0; i < 9; ++i)
                    n[i] = channel(pixel(x + i % 3 - 1, y + i / 3 - 1), byte);
                const double value = std::clamp(std::round(f(n)), 0.0, 255.0);
                result = (result & ~(0xffu << (8 * byte))) | (quint32(value) << (8 * byte));
            }
            return result;
        });
    };
}

using Kernel = std::array<double, 9>;

double weighted(const Kernel& k, const std::array<int, 9>& n) {
    double sum = 0;
    for (int i = 0; i < 9; ++i) sum += k[i] * n[i];
    return sum;
}

std::vector<double> with(Kernel k, std::initializer_list<double> rest) {
    std::vector<double> numbers(k.begin(), k.end());
    numbers.insert(numbers.end(), rest);
    return numbers;
}

// Arguments that reach each effect's special paths: right angles and others, shrinking and
// growing, crops over the edges, factors and divisors exact in binary and not (0.1 and 0.3
// hit exact ties that fixed point cannot settle), merges keyed and at fractional opacity.
// clang-format off
std::vector<EffectCase> effectCases() {
    std::vector<EffectCase> cases;
    const auto add = [&](const char* effect, std::vector<double> numbers, Plainly plainly) {
        const auto same = std::count_if(cases.begin(), cases.end(),
                                        [&](const EffectCase& c) { return c.effect == effect; });
        cases.push_back({effect + std::to_string(same), effect, numbers, plainly});
    };
    for (int d : {0, 1})
        add("flip", {double(d), 7}, [=](const QImage& in, const QImage&) {
            return made(in.width(), in.height(), in.format(), [&](int x, int y) {
                return at(in, d ? x : in.width() - 1 - x, d ? in.height() - 1 - y : y);
            });
        });
    for (double d : {90.0, 450.0, -180.0, -90.0, -720.0, 33.0, -151.5, 45.0, 0.5, 89.99, 200.25})
        add("rotate", {d, 0, 0}, [=](const QImage& in, const QImage&) {
            return std::fmod(d, 90) == 0 ? in.transformed(QTransform().rotate(std::fmod(d + 720, 360))) : turnedPlainly(in, d);
        });
    for (QSize s : {QSize(1, 1), QSize(3, 2), QSize(9, 41), QSize(57, 13), QSize(1203, 97)})
        add("resize", {double(s.width()), double(s.height()), -1, -1, 0},
            [=](const QImage& in, const QImage&) { return resizedPlainly(in, s.width(), s.height()); });
    for (QRect r : {QRect(-1, -2, 9999, 9999), QRect(-1, -2, 5, 4), QRect(0, 0, 1, 100)})
        add("crop", {double(r.x()), double(r.y()), double(r.width()), double(r.height()), 0},
            [=](const QImage& in, const QImage&) { return in.copy(r.intersected(in.rect())); });
    const Kernel edge = {-1, -1, -1, -1, 8, -1, -1, -1, -1}, box = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    const Kernel binomial = {1, 2, 1, 2, 4, 2, 1, 2, 1}, sobel = {1, 0, -1, 2, 0, -2, 1, 0, -1};
    const Kernel tenths = {0.1, 0.1, 0.1, 0.1, 0.2, 0.1, 0.1, 0.1, 0.1};
    const double n = 1 / 9.0;
    const Kernel ninths = {n, n, n, n, n, n, n, n, n};
    // The image less `factor` times the weighted neighbourhood.
    for (const auto& [k, factor] : {std::pair{edge, -0.5}, {edge, -0.2}, {edge, 0.3}, {edge, -3.0},
             {Kernel{0, 0, 0, 0, 1, 0, 0, 0, 0}, 0.5}, {tenths, 1.0},
             {Kernel{-1000, 0, 0, 0, 3000, 0, 0, 0, -2000}, 7.25}})
        add("filter3x3", with(k, {factor, 0}),
            around(7, [k = k, factor = factor](const auto& n) { return n[4] - factor * weighted(k, n); }));
    for (const auto& [k, divisor, mask] : {std::tuple{ninths, 1.0, 7u}, {box, 9.0, 1u},
             {binomial, 16.0, 6u}, {sobel, -3.0, 5u}, {Kernel{0.3, 0.3, 0.3, 0.3, 0.3}, 1.0, 7u},
             {box, 9.0, 0u}})
        add("convolve", with(k, {divisor, double(mask), 0, 0, 0}),
            around(mask, [k = k, divisor = divisor](const auto& n) { return weighted(k, n) / divisor; }));
    // The image plus the percentage of its difference from the binomial blur.
    for (double p : {0.0, 4.0, 35.0, 1000.0})
        add("sharpen", {p, 0}, around(7, [=](const auto& n) {
            return n[4] + p / 100 * (n[4] - weighted(binomial, n) / 16);
        }));
    add("grayscale", {0}, [](const QImage& in, const QImage&) {
        return made(in.width(), in.height(), in.format(), [&](int x, int y) {
            const quint32 p = at(in, x, y);
            const int n = 299 * channel(p, 2) + 587 * channel(p, 1) + 114 * channel(p, 0);
            return (p & 0xff000000u) | quint32((n + 500) / 1000) * 0x010101u;
        });
    });
    for (const auto& [left, top, percent, key] : {std::tuple{0, 0, 100.0, -1.0},
             {-7, 2, 50.0, double(kKey)}, {3, -4, 37.0, -1.0}, {1, 1, 0.0, -1.0},
             {-2, 0, 49.6, double(kKey)}, {-11, 0, 80.0, -1.0}})
        add("merge", {double(left), double(top), percent, key, 0},
            [left = left, top = top, percent = percent, key = key](const QImage& in,
                                                                   const QImage& over) {
                return mergedPlainly(in, over, left, top, int(std::lround(percent)), qint64(key));
            });
    add("blank", {5, 3, 0x12ab34, 0, 0, 0}, [](const QImage&, const QImage&) {
        return made(5, 3, QImage::Format_RGB32, [](int, int) { return 0xff12ab34u; });
    });
    return cases;
}
// clang-format on

class Effect : public ::testing::TestWithParam<std::tuple<EffectCase, QImage::Format>> {};

TEST_P(Effect, GivesItsResultWorkedOutPlainly) {
    const auto& [c, format] = GetParam();
    const QImage over = mergeSource(format);
    for (QSize size : {QSize(1, 1), QSize(1, 9), QSize(9, 1), QSize(2, 3), QSize(7, 5),
                       QSize(23, 18), QSize(40, 31)}) {
        const QImage in = randomImage(size.width(), size.height(), format, 21 + size.width());
        QImage result;
        effectNamed(QString::fromLatin1(c.effect)).apply(in, result, {c.numbers, &over});
        EXPECT_TRUE(samePixels(c.plainly(in, over), result)) << size;
    }
}

TEST_P(Effect, GivesTheSameBitsAtAnyThreadCountWithAndWithoutAvx2OrStreaming) {
    const auto& [c, format] = GetParam();
    // Large enough to be cut into bands for 7 threads, and wider than a streamed chunk.
    const QImage in = randomImage(1031, 131, format, 11);
    const QImage over = randomImage(190, 350, QImage::Format_ARGB32, 12);
    const auto once = [&, &c = c](int threads, bool avx2, bool streaming, const QImage& shape) {
        const KernelSettings settings(threads, avx2, streaming);
        // A result full of a pattern no effect makes: a pixel left unwritten shows.
        QImage result(shape.size(), shape.format());
        result.fill(0x5a3c1e0fu);
        effectNamed(QString::fromLatin1(c.effect)).apply(in, result, {c.numbers, &over});
        return result;
    };
    const QImage reference = once(1, false, false, QImage());
    for (int threads : {1, 2, 7})
        for (bool avx2 : {false, true})
            EXPECT_TRUE(samePixels(reference, once(threads, avx2, threads == 2, reference)))
                << threads << " threads, AVX2 " << avx2;
}

INSTANTIATE_TEST_SUITE_P(Table, Effect,
                         ::testing::Combine(::testing::ValuesIn(effectCases()),
                                            ::testing::ValuesIn(kFormats)),
                         [](const auto& info) {
                             return std::get<0>(info.param).name +
                                    (std::get<1>(info.param) == QImage::Format_RGB32 ? "_Rgb"
                                                                                     : "_Argb");
                         });

}  // namespace
