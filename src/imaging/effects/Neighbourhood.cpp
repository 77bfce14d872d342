#include "imaging/effects/Neighbourhood.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "imaging/Error.h"
#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/Pixels.h"
#include "imaging/effects/RowBands.h"
#include "imaging/effects/Simd.h"
#include "imaging/effects/Streaming.h"

#ifdef QUORVANE_X86
#include <immintrin.h>
#endif

namespace imaging::effects {

namespace {

constexpr qint64 kAccumulatorLimit = qint64(1) << 31;
// Above this share of sums needing the formula, split weights are the faster choice.
constexpr double kSingleNearShare = 1.0 / 256;

// The weights in fixed point with `shift` fractional bits. Sums of nine 8-bit values times
// these stay inside 32 bits, so the vector kernels can use 16-bit multiplies that add pairs
// into 32-bit lanes; weights beyond 16 bits are split into a high part and an 8-bit low part.
struct Plan {
    std::array<qint32, 9> fixed{};
    int shift = 0;
    // How far (in units of 2^-shift) the fixed-point sum may lie from the exact one; 0 when
    // it is exact. Sums this close to a rounding boundary are settled by the formula.
    qint32 tolerance = 0;
    bool split = false;
    quint32 channelBytes = 0;   // mask of the selected channels within a pixel
    unsigned channelLanes = 0;  // the same as one bit per byte of a pixel
};

// How the vector kernel gathers the nine taps before multiplying. Most kernels in use are
// symmetric (one weight for the four edge neighbours, one for the four corners), which
// needs three multiplies per channel instead of nine; the identity family needs one.
enum class Shape { kAny, kSymmetric, kCentre };

Shape shapeOf(const std::array<qint32, 9>& w) {
    const bool symmetric = w[1] == w[3] && w[1] == w[5] && w[1] == w[7] && w[0] == w[2] &&
                           w[0] == w[6] && w[0] == w[8];
    if (!symmetric) return Shape::kAny;
    return w[0] == 0 && w[1] == 0 ? Shape::kCentre : Shape::kSymmetric;
}

bool fitsAccumulator(const std::array<qint32, 9>& fixed, int shift, qint64 perWeightSlack) {
    qint64 sum = 0;
    for (qint32 w : fixed) sum += (std::abs(qint64(w)) + perWeightSlack) * 255;
    return sum + (qint64(1) << (shift + 1)) < kAccumulatorLimit;
}

bool scaledIsWhole(const std::array<double, 9>& weights, int shift) {
    return std::all_of(weights.begin(), weights.end(), [shift](double w) {
        const double scaled = std::ldexp(w, shift);
        return scaled == std::floor(scaled);
    });
}

std::array<qint32, 9> scaled(const std::array<double, 9>& weights, int shift) {
    std::array<qint32, 9> fixed{};
    for (int i = 0; i < 9; ++i) fixed[i] = qint32(std::llround(std::ldexp(weights[i], shift)));
    return fixed;
}

// Sets the fixed weights for plan.shift and how far their sums may be off.
void withTolerance(Plan& plan, const Neighbourhood& op) {
    plan.fixed = scaled(op.weights, plan.shift);
    double error = 0;
    for (int i = 0; i < 9; ++i) {
        const double exactScaled = std::ldexp(op.weights[i], plan.shift);
        // The weights themselves came out of a double formula: allow for its rounding too.
        error += std::abs(exactScaled - plan.fixed[i]) + std::abs(exactScaled) * 0x1p-40;
    }
    plan.tolerance = qint32(std::min(std::ceil(error * 255) + 1, std::ldexp(1.0, plan.shift)));
}

Plan makePlan(const Neighbourhood& op) {
    Plan plan;
    for (int byte = 0; byte < 3; ++byte) {
        // Channel bits: 1 red (byte 2), 2 green (byte 1), 4 blue (byte 0).
        if (op.channels & (4u >> byte)) {
            plan.channelBytes |= 0xffu << (8 * byte);
            plan.channelLanes |= 1u << byte;
        }
    }
    double magnitude = 0;
    for (double w : op.weights) magnitude += std::abs(w);
    if (!(magnitude * 255 * 4 < double(kAccumulatorLimit)))
        throw Error(kInvalidArgument, QStringLiteral("The filter's weights are too large."));
    if (op.exact) {
        int shift = 1;
        while (shift < 23 && !scaledIsWhole(op.weights, shift)) ++shift;
        if (scaledIsWhole(op.weights, shift) &&
            fitsAccumulator(scaled(op.weights, shift), shift, 256)) {
            plan.fixed = scaled(op.weights, shift);
            plan.shift = shift;
            plan.split = std::any_of(plan.fixed.begin(), plan.fixed.end(),
                                     [](qint32 w) { return w < -32768 || w > 32767; });
            return plan;
        }
    }
    // Inexact weights: 16-bit weights when few sums would need a second look, else split
    // weights with 23 fractional bits, where hardly any do.
    plan.shift = 23;
    while (!fitsAccumulator(scaled(op.weights, plan.shift), plan.shift, 256)) --plan.shift;
    Plan single = plan;
    const auto fitsSixteenBits = [&](int shift) {
        const auto fixed = scaled(op.weights, shift);
        return std::all_of(fixed.begin(), fixed.end(),
                           [](qint32 w) { return w >= -32768 && w <= 32767; });
    };
    while (single.shift > 1 && !fitsSixteenBits(single.shift)) --single.shift;
    withTolerance(single, op);
    if (fitsSixteenBits(single.shift) &&
        (2.0 * single.tolerance + 1) / std::ldexp(1.0, single.shift) <= kSingleNearShare)
        return single;
    plan.split = true;
    withTolerance(plan, op);
    return plan;
}

class Kernel {
public:
    Kernel(const Neighbourhood& op, const Plan& plan, const QImage& src, QImage& dst)
        : op_(op), plan_(plan), shape_(shapeOf(plan.fixed)), in_(src), out_(dst) {}

    void rows(int first, int end) const {
        const bool streaming = worthStreaming(out_.stride * out_.height);
        const bool avx2 = simd::avx2();
        // The vector kernel writes a large result around the cache itself; the baseline one
        // through a row buffer.
        std::vector<quint32> buffer(streaming && !avx2 ? size_t(out_.width) : 0);
        for (int y = first; y < end; ++y) {
            const quint32* up = in_.row(std::max(y - 1, 0));
            const quint32* mid = in_.row(y);
            const quint32* down = in_.row(std::min(y + 1, in_.height - 1));
            quint32* out = buffer.empty() ? out_.row(y) : buffer.data();
            out[0] = pixel(up, mid, down, 0);
            int x = 1;
#ifdef QUORVANE_X86
            if (avx2) {
                if (streaming) {
                    const int aligned =
                        1 + int((-reinterpret_cast<std::uintptr_t>(out + 1) & 15) / 4);
                    for (; x < std::min(aligned, in_.width); ++x) out[x] = pixel(up, mid, down, x);
                }
                x = blocksAvx2(up, mid, down, out, x, streaming);
            }
#endif
            x = blocks(up, mid, down, out, x);
            for (; x < in_.width; ++x) out[x] = pixel(up, mid, down, x);
            if (!buffer.empty()) streamCopy(out_.row(y), out, size_t(out_.width) * 4);
        }
    }

private:
    // The defining arithmetic for one pixel, which the vector kernels reproduce bit for bit.
    quint32 pixel(const quint32* up, const quint32* mid, const quint32* down, int x) const {
        quint32 result = mid[x];
        for (int byte = 0; byte < 3; ++byte)
            if (plan_.channelLanes & (1u << byte))
                result = withChannel(result, byte, channel(up, mid, down, x, byte));
        return result;
    }

    static quint32 withChannel(quint32 pixel, int byte, quint32 value) {
        return (pixel & ~(0xffu << (8 * byte))) | (value << (8 * byte));
    }

    quint32 channel(const quint32* up, const quint32* mid, const quint32* down, int x,
                    int byte) const {
        const int left = std::max(x - 1, 0);
        const int right = std::min(x + 1, in_.width - 1);
        const quint32 around[9] = {up[left],   up[x],      up[right], mid[left],  mid[x],
                                   mid[right], down[left], down[x],   down[right]};
        std::array<int, 9> values;
        qint64 sum = 0;
        for (int i = 0; i < 9; ++i) {
            values[i] = int((around[i] >> (8 * byte)) & 255);
            sum += qint64(plan_.fixed[i]) * values[i];
        }
        const qint64 half = qint64(1) << (plan_.shift - 1);
        const qint64 fraction = (qint64(1) << plan_.shift) - 1;
        double value;
        if (plan_.tolerance && ((sum + half + plan_.tolerance) & fraction) <= 2 * plan_.tolerance)
            value = std::round(op_.formula(values));
        else
            value = double((sum + half) >> plan_.shift);
        return quint32(std::clamp(value, 0.0, 255.0));
    }

    // The baseline kernel for pixels first..width-2: the sums for a run of pixels as plain
    // loops over bytes, which the compiler vectorises, then rounding and the second look at
    // sums near a boundary pixel by pixel. Returns where it stopped.
    int blocks(const quint32* up, const quint32* mid, const quint32* down, quint32* out,
               int first) const {
        constexpr int kRun = 256;
        const auto* u = reinterpret_cast<const uchar*>(up);
        const auto* m = reinterpret_cast<const uchar*>(mid);
        const auto* d = reinterpret_cast<const uchar*>(down);
        const std::array<qint32, 9>& w = plan_.fixed;
        const qint32 half = 1 << (plan_.shift - 1);
        const qint32 fraction = (1 << plan_.shift) - 1;
        int x = first;
        for (; x + 1 < in_.width; x += kRun) {
            const int count = std::min(kRun, in_.width - 1 - x);
            qint32 sums[4 * kRun];
            const int at = 4 * x;
            for (int j = 0; j < 4 * count; ++j)
                sums[j] = w[0] * u[at + j - 4] + w[1] * u[at + j] + w[2] * u[at + j + 4] +
                          w[3] * m[at + j - 4] + w[4] * m[at + j] + w[5] * m[at + j + 4] +
                          w[6] * d[at + j - 4] + w[7] * d[at + j] + w[8] * d[at + j + 4];
            alignas(16) quint32 rounded[kRun];
            auto* bytes = reinterpret_cast<uchar*>(rounded);
            for (int j = 0; j < 4 * count; ++j)
                bytes[j] = uchar(std::clamp((sums[j] + half) >> plan_.shift, 0, 255));
            for (int i = 0; i < count; ++i)
                out[x + i] = (rounded[i] & plan_.channelBytes) | (mid[x + i] & ~plan_.channelBytes);
            if (plan_.tolerance)
                for (int j = 0; j < 4 * count; ++j)
                    if ((plan_.channelLanes >> (j & 3) & 1) &&
                        ((sums[j] + half + plan_.tolerance) & fraction) <= 2 * plan_.tolerance)
                        out[x + j / 4] = withChannel(out[x + j / 4], j & 3,
                                                     channel(up, mid, down, x + j / 4, j & 3));
        }
        return std::min(x, in_.width - 1);
    }

#ifdef QUORVANE_X86
    // One bit per 32-bit lane: is this sum within the tolerance of a rounding boundary?
    QUORVANE_AVX2 static unsigned nearBits(__m256i sum, __m256i nearShift, __m256i fraction,
                                           __m256i nearLimit) {
        const __m256i offset = _mm256_and_si256(_mm256_add_epi32(sum, nearShift), fraction);
        return unsigned(
            _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(nearLimit, offset))));
    }

    QUORVANE_AVX2 int blocksAvx2(const quint32* up, const quint32* mid, const quint32* down,
                                 quint32* out, int x, bool streaming) const {
        switch (shape_) {
            case Shape::kCentre:
                return plan_.split
                           ? blocksAvx2<true, Shape::kCentre>(up, mid, down, out, x, streaming)
                           : blocksAvx2<false, Shape::kCentre>(up, mid, down, out, x, streaming);
            case Shape::kSymmetric:
                return plan_.split
                           ? blocksAvx2<true, Shape::kSymmetric>(up, mid, down, out, x, streaming)
                           : blocksAvx2<false, Shape::kSymmetric>(up, mid, down, out, x, streaming);
            case Shape::kAny:
                break;
        }
        return plan_.split ? blocksAvx2<true, Shape::kAny>(up, mid, down, out, x, streaming)
                           : blocksAvx2<false, Shape::kAny>(up, mid, down, out, x, streaming);
    }

    // Four pixels at a time, from `x` while x + 4 < width; returns where it stopped. When
    // streaming, out + x must be 16-byte aligned and the blocks bypass the cache. All
    // four channels are computed as bytes, then alpha and unselected channels are put back.
    // Channel values (or sums of them over taps of equal weight, at most 9 * 255) go into
    // 16-bit lanes two by two, to be multiplied by a pair of weights and added in 32 bits.
    template <bool kSplit, Shape kShape>
    QUORVANE_AVX2 int blocksAvx2(const quint32* up, const quint32* mid, const quint32* down,
                                 quint32* out, int x, bool streaming) const {
        constexpr int kPairs = kShape == Shape::kAny ? 5 : kShape == Shape::kSymmetric ? 2 : 1;
        const std::array<qint32, 9>& w = plan_.fixed;
        // The weight of each gathered value, in the order they are paired.
        const std::array<qint32, 10> weights =
            kShape == Shape::kAny
                ? std::array<qint32, 10>{w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], 0}
                : std::array<qint32, 10>{w[4], w[1], w[0], 0, 0, 0, 0, 0, 0, 0};
        __m256i high[kPairs];
        __m256i low[kPairs];
        for (int pair = 0; pair < kPairs; ++pair) {
            const qint32 a = weights[2 * pair];
            const qint32 b = weights[2 * pair + 1];
            const qint32 aHigh = kSplit ? a >> 8 : a;
            const qint32 bHigh = kSplit ? b >> 8 : b;
            high[pair] =
                _mm256_set1_epi32(qint32(quint32(aHigh & 0xffff) | (quint32(bHigh) << 16)));
            low[pair] = _mm256_set1_epi32((a & 255) | ((b & 255) << 16));
        }
        const __m256i half = _mm256_set1_epi32(1 << (plan_.shift - 1));
        const __m256i nearShift = _mm256_set1_epi32((1 << (plan_.shift - 1)) + plan_.tolerance);
        const __m256i fraction = _mm256_set1_epi32((1 << plan_.shift) - 1);
        const __m256i nearLimit = _mm256_set1_epi32(2 * plan_.tolerance + 1);
        const __m128i keep = _mm_set1_epi32(qint32(plan_.channelBytes));
        const __m128i shiftCount = _mm_cvtsi32_si128(plan_.shift);
        const unsigned laneMask = plan_.channelLanes * 0x11u;
        const __m256i zero = _mm256_setzero_si256();
        const quint32* around[9] = {up - 1,  up,       up + 1, mid - 1, mid,
                                    mid + 1, down - 1, down,   down + 1};
        for (; x + 4 < in_.width; x += 4) {
            // The input is read far ahead of use: each tap is touched only once.
            const int ahead = std::min(x + 128, in_.width - 1);
            for (const quint32* row : {up, mid, down}) fetchAhead(row + ahead);
            const auto tap = [&around, x](int i) QUORVANE_AVX2 {
                return _mm256_cvtepu8_epi16(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(around[i] + x)));
            };
            __m256i values[10];
            if constexpr (kShape == Shape::kAny) {
                for (int i = 0; i < 9; ++i) values[i] = tap(i);
                values[9] = zero;
            } else {
                values[0] = tap(4);
                values[1] = zero;
                if constexpr (kShape == Shape::kSymmetric) {
                    values[1] = _mm256_add_epi16(_mm256_add_epi16(tap(1), tap(3)),
                                                 _mm256_add_epi16(tap(5), tap(7)));
                    values[2] = _mm256_add_epi16(_mm256_add_epi16(tap(0), tap(2)),
                                                 _mm256_add_epi16(tap(6), tap(8)));
                    values[3] = zero;
                }
            }
            __m256i sumLow = zero;
            __m256i sumHigh = zero;
            __m256i lowLow = zero;
            __m256i lowHigh = zero;
            for (int pair = 0; pair < kPairs; ++pair) {
                const __m256i l = _mm256_unpacklo_epi16(values[2 * pair], values[2 * pair + 1]);
                const __m256i h = _mm256_unpackhi_epi16(values[2 * pair], values[2 * pair + 1]);
                sumLow = _mm256_add_epi32(sumLow, _mm256_madd_epi16(l, high[pair]));
                sumHigh = _mm256_add_epi32(sumHigh, _mm256_madd_epi16(h, high[pair]));
                if (kSplit) {
                    lowLow = _mm256_add_epi32(lowLow, _mm256_madd_epi16(l, low[pair]));
                    lowHigh = _mm256_add_epi32(lowHigh, _mm256_madd_epi16(h, low[pair]));
                }
            }
            if (kSplit) {
                sumLow = _mm256_add_epi32(_mm256_slli_epi32(sumLow, 8), lowLow);
                sumHigh = _mm256_add_epi32(_mm256_slli_epi32(sumHigh, 8), lowHigh);
            }
            const __m256i lowRounded = _mm256_sra_epi32(_mm256_add_epi32(sumLow, half), shiftCount);
            const __m256i highRounded =
                _mm256_sra_epi32(_mm256_add_epi32(sumHigh, half), shiftCount);
            const __m256i words = _mm256_packs_epi32(lowRounded, highRounded);
            const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
            const __m128i computed = _mm256_castsi256_si128(bytes);
            const __m128i original = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mid + x));
            __m128i result =
                _mm_or_si128(_mm_and_si128(computed, keep), _mm_andnot_si128(keep, original));
            if (plan_.tolerance) {
                // Lane i of the low sums is byte i (i < 4) or i + 4 of the four pixels; of the
                // high sums, byte i + 4 or i + 8.
                const unsigned nearLow =
                    nearBits(sumLow, nearShift, fraction, nearLimit) & laneMask;
                const unsigned nearHigh =
                    nearBits(sumHigh, nearShift, fraction, nearLimit) & laneMask;
                if (const unsigned near = nearLow | (nearHigh << 8)) {
                    alignas(16) quint32 block[4];
                    _mm_store_si128(reinterpret_cast<__m128i*>(block), result);
                    for (unsigned lanes = near; lanes; lanes &= lanes - 1) {
                        const int lane = std::countr_zero(lanes);
                        const int byte = (lane & 3) + ((lane & 4) ? 8 : 0) + ((lane & 8) ? 4 : 0);
                        const int i = byte / 4;
                        block[i] = withChannel(block[i], byte & 3,
                                               channel(up, mid, down, x + i, byte & 3));
                    }
                    result = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
                }
            }
            if (streaming)
                _mm_stream_si128(reinterpret_cast<__m128i*>(out + x), result);
            else
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), result);
        }
        return x;
    }
#endif

    const Neighbourhood& op_;
    const Plan& plan_;
    Shape shape_;
    ConstPixels in_;
    Pixels out_;
};

}  // namespace

bool isFineDyadic(double value, double limit) {
    const double scaled = value * 4096;
    return std::abs(value) <= limit && scaled == std::floor(scaled);
}

Kernel3x3 leadingKernel(const Arguments& args, int argumentCount) {
    checkNumbers(args, argumentCount);
    Kernel3x3 kernel;
    std::copy_n(args.numbers.begin(), 9, kernel.begin());
    return kernel;
}

double weightedSum(const Kernel3x3& kernel, const std::array<int, 9>& values) {
    double sum = 0;
    for (int i = 0; i < 9; ++i) sum += kernel[i] * values[i];
    return sum;
}

bool isFineDyadicKernel(const Kernel3x3& kernel) {
    return std::all_of(kernel.begin(), kernel.end(),
                       [](double weight) { return isFineDyadic(weight, 64); });
}

void applyNeighbourhood(const QImage& src, QImage& dst, const Neighbourhood& op) {
    const Plan plan = makePlan(op);
    prepareTarget(dst, src.width(), src.height(), src.format());
    const Kernel kernel(op, plan, src, dst);
    forEachRowBand(src.height(), src.width(), [&](int first, int end) { kernel.rows(first, end); });
}

}  // namespace imaging::effects
