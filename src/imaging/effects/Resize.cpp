#include "imaging/effects/Resize.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/Flip.h"
#include "imaging/effects/Pixels.h"
#include "imaging/effects/ResizeWeights.h"
#include "imaging/effects/RowBands.h"
#include "imaging/effects/Simd.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef QUORVANE_X86
#include <immintrin.h>
#endif

namespace imaging::effects {

namespace {

// Step 3's alpha sum for an opaque pixel.
constexpr qint32 kOpaqueSum = 65025 << 14;
// The 16-bit multiplies take signed values: channels go in as value - 2^15, and the weights'
// total of 2^14 times 2^15 is added back.
constexpr qint32 kOffsetSum = 1 << 29;

quint32 premultipliedValue(const uchar* pixel, int byte, bool opaque) {
    const quint32 alpha = opaque ? 255 : pixel[3];
    return byte == 3 ? alpha * 255 : pixel[byte] * alpha;
}

class Resizer {
public:
    Resizer(const QImage& src, QImage& dst)
        : in_(src),
          out_(dst),
          opaque_(src.format() == QImage::Format_RGB32),
          columns_(axisWeights(in_.height, out_.height)),
          rows_(axisWeights(in_.width, out_.width)) {
        // Pairs of row weights side by side, for multiplies that add two taps at once.
        pairs_ = (rows_.taps + 1) / 2;
        rowPairs_.resize(size_t(out_.width) * pairs_);
        for (int x = 0; x < out_.width; ++x)
            for (int p = 0; p < pairs_; ++p) {
                const quint16 a = quint16(rows_.weight(x, 2 * p));
                const quint16 b = 2 * p + 1 < rows_.taps ? quint16(rows_.weight(x, 2 * p + 1)) : 0;
                rowPairs_[size_t(x) * pairs_ + p] = qint32(a | (quint32(b) << 16));
            }
    }

    void band(int first, int end) const {
        // One line of step 2 results, with room for the unused taps at its end to read zeros.
        std::vector<quint16> line(size_t(in_.width + 2 * pairs_) * 4, 0);
        for (int y = first; y < end; ++y) {
            down(y, line.data());
            along(line.data(), out_.row(y));
        }
    }

private:
    // Step 2 for output row y: the whole input width into `line`.
    void down(int y, quint16* line) const {
        std::vector<const uchar*> rows(size_t(columns_.taps));
        const qint16* weights = &columns_.weights[size_t(y) * columns_.taps];
        for (int t = 0; t < columns_.taps; ++t)
            rows[t] =
                in_.bits + std::min(columns_.first[size_t(y)] + t, in_.height - 1) * in_.stride;
        const int bytes = in_.width * 4;
        int j = 0;
#ifdef QUORVANE_X86
        if (simd::avx2()) j = downAvx2(rows.data(), weights, bytes, line);
#endif
        for (; j < bytes; ++j) {
            qint32 sum = 0;
            for (int t = 0; t < columns_.taps; ++t)
                sum += weights[t] * qint32(premultipliedValue(rows[t] + (j & ~3), j & 3, opaque_));
            line[j] = quint16((sum + (1 << 13)) >> 14);
        }
    }

#ifdef QUORVANE_X86
    // Four pixels premultiplied into 16-bit lanes, less 2^15.
    QUORVANE_AVX2 __m256i premultiplied(const uchar* at) const {
        const __m256i alphaLanes = _mm256_set1_epi64x(qint64(0xffff000000000000));
        const __m256i v =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
        __m256i factor = _mm256_set1_epi16(255);
        __m256i value = _mm256_or_si256(v, _mm256_and_si256(alphaLanes, factor));
        if (!opaque_) {
            const __m256i alpha = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, 0xff), 0xff);
            factor = _mm256_blendv_epi8(alpha, factor, alphaLanes);
            value = v;
        }
        return _mm256_xor_si256(_mm256_mullo_epi16(value, factor), _mm256_set1_epi16(-32768));
    }

    // Step 2, sixteen bytes at a time; returns how far it got.
    QUORVANE_AVX2 int downAvx2(const uchar* const* rows, const qint16* weights, int bytes,
                               quint16* line) const {
        const int taps = columns_.taps;
        const __m256i round = _mm256_set1_epi32(kOffsetSum + (1 << 13));
        int j = 0;
        for (; j + 16 <= bytes; j += 16) {
            __m256i low = round;
            __m256i high = round;
            for (int t = 0; t < taps; t += 2) {
                const __m256i a = premultiplied(rows[t] + j);
                const bool pair = t + 1 < taps;
                const __m256i b = pair ? premultiplied(rows[t + 1] + j) : _mm256_setzero_si256();
                const quint32 w =
                    quint16(weights[t]) | (pair ? quint32(quint16(weights[t + 1])) << 16 : 0);
                const __m256i wPair = _mm256_set1_epi32(qint32(w));
                low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), wPair));
                high =
                    _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), wPair));
            }
            const __m256i words =
                _mm256_packus_epi32(_mm256_srli_epi32(low, 14), _mm256_srli_epi32(high, 14));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(line + j), words);
        }
        return j;
    }
#endif

    // Steps 3 and 4 for one output row.
    void along(const quint16* line, quint32* out) const {
        for (int x = 0; x < out_.width; ++x) {
            const quint16* from = line + size_t(rows_.first[size_t(x)]) * 4;
            const qint32* pairs = &rowPairs_[size_t(x) * pairs_];
            qint32 sum[4];
#ifdef __SSE2__
            __m128i total = _mm_set1_epi32(kOffsetSum);
            for (int p = 0; p < pairs_; ++p) {
                const __m128i two =
                    _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 8 * p)),
                                  _mm_set1_epi16(-32768));
                // Each channel of the first pixel next to the same channel of the second.
                const __m128i paired = _mm_unpacklo_epi16(two, _mm_srli_si128(two, 8));
                total = _mm_add_epi32(total, _mm_madd_epi16(paired, _mm_set1_epi32(pairs[p])));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(sum), total);
#else
            for (int c = 0; c < 4; ++c) {
                sum[c] = 0;
                for (int t = 0; t < rows_.taps; ++t) sum[c] += rows_.weight(x, t) * from[4 * t + c];
            }
#endif
            out[x] = unpremultiplied(sum);
        }
    }

    static quint32 unpremultiplied(const qint32* sum) {
        const qint64 alpha = sum[3];
        constexpr qint64 kUnit = 255 << 14;
        if (alpha == kOpaqueSum) {
            quint32 pixel = 0xff000000u;
            for (int c = 0; c < 3; ++c) pixel |= quint32((sum[c] + kUnit / 2) / kUnit) << (8 * c);
            return pixel;
        }
        if (alpha == 0) return 0;
        quint32 pixel = quint32((alpha + kUnit / 2) / kUnit) << 24;
        for (int c = 0; c < 3; ++c)
            pixel |= quint32((255 * qint64(sum[c]) + alpha / 2) / alpha) << (8 * c);
        return pixel;
    }

    ConstPixels in_;
    Pixels out_;
    bool opaque_;
    AxisWeights columns_;
    AxisWeights rows_;
    int pairs_ = 0;
    std::vector<qint32> rowPairs_;
};

}  // namespace

void resize(const QImage& src, QImage& dst, const Arguments& args) {
    const QImage image = kernelImage(src);
    checkNumbers(args, 5);
    const double width = std::round(args.numbers[0]);
    const double height = std::round(args.numbers[1]);
    checkSize(qint64(std::clamp(width, -1.0, 1e12)), qint64(std::clamp(height, -1.0, 1e12)));
    prepareTarget(dst, int(width), int(height), image.format());
    if (dst.size() == image.size()) {
        mirrorInto(image, dst, false, false);
        return;
    }
    const Resizer resizer(image, dst);
    forEachRowBand(int(height), qint64(width) + image.width(),
                   [&](int first, int end) { resizer.band(first, end); });
}

}  // namespace imaging::effects
