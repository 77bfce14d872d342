#include "imaging/effects/Merge.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

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

constexpr quint32 kNoKey = 0xffffffffu;  // no 24-bit colour has this value

// The exact blend of one pixel; `percent` is 0..100.
quint32 blendPixel(quint32 over, quint32 under, quint32 percent, bool overOpaque,
                   bool underOpaque) {
    const quint64 s = quint64(overOpaque ? 255 : over >> 24) * percent;  // coverage * 25500
    if (s == 0) return under;
    const quint64 d = underOpaque ? 255 : under >> 24;  // alpha * 255
    // alpha * 25500 * 255, and each premultiplied colour on the same scale.
    const quint64 alpha = s * 255 + d * (25500 - s);
    quint32 result = quint32((alpha + 12750) / 25500) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const quint64 colour =
            ((over >> shift) & 255) * s * 255 + ((under >> shift) & 255) * d * (25500 - s);
        result |= quint32((colour + alpha / 2) / alpha) << shift;
    }
    return underOpaque ? result | 0xff000000u : result;
}

// The common case, opaque over opaque, where the blend reduces to
// (c_src * O + c_dst * (100 - O) + 50) / 100 per channel; n / 100 for n < 25600 is
// n * 5243 >> 19 exactly.
QUORVANE_INLINE void blendOpaqueRow(const quint32* __restrict over, const quint32* __restrict under,
                                    quint32* __restrict out, int n, quint32 percent, quint32 key) {
    const quint32 rest = 100 - percent;
    for (int x = 0; x < n; ++x) {
        const quint32 o = over[x];
        const quint32 u = under[x];
        const quint32 b = ((o & 255) * percent + (u & 255) * rest + 50) * 5243 >> 19;
        const quint32 g = (((o >> 8) & 255) * percent + ((u >> 8) & 255) * rest + 50) * 5243 >> 19;
        const quint32 r =
            (((o >> 16) & 255) * percent + ((u >> 16) & 255) * rest + 50) * 5243 >> 19;
        out[x] = (o & 0xffffffu) == key ? u : 0xff000000u | (r << 16) | (g << 8) | b;
    }
}

void blendOpaqueRowBaseline(const quint32* over, const quint32* under, quint32* out, int n,
                            quint32 percent, quint32 key, bool) {
    blendOpaqueRow(over, under, out, n, percent, key);
}

#ifdef QUORVANE_X86
// Four pixels' channels in 16-bit lanes: c_src * O + c_dst * (100 - O) + 50 stays below 2^16,
// and n * 5243 >> 19 is the high half of n * 41944 shifted by 6.
QUORVANE_AVX2 __m256i mixAvx2(__m128i over, __m128i under, __m256i overWeight,
                              __m256i underWeight) {
    const __m256i sum = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_cvtepu8_epi16(over), overWeight),
                         _mm256_mullo_epi16(_mm256_cvtepu8_epi16(under), underWeight)),
        _mm256_set1_epi16(50));
    return _mm256_srli_epi16(_mm256_mulhi_epu16(sum, _mm256_set1_epi16(short(41944))), 6);
}

// A large result is stored around the cache once the output is 32-byte aligned.
QUORVANE_AVX2 void blendOpaqueRowAvx2(const quint32* over, const quint32* under, quint32* out,
                                      int n, quint32 percent, quint32 key, bool streaming) {
    const __m256i overWeight = _mm256_set1_epi16(short(percent));
    const __m256i underWeight = _mm256_set1_epi16(short(100 - percent));
    const __m256i colour = _mm256_set1_epi32(0xffffff);
    const __m256i keyed = _mm256_set1_epi32(int(key));
    const __m256i alpha = _mm256_set1_epi32(int(0xff000000u));
    int x = streaming ? std::min(n, int((-reinterpret_cast<std::uintptr_t>(out) & 31) / 4)) : 0;
    blendOpaqueRow(over, under, out, x, percent, key);
    for (; x + 8 <= n; x += 8) {
        fetchAhead(over + std::min(x + 256, n - 1));
        fetchAhead(under + std::min(x + 256, n - 1));
        const __m256i o = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(over + x));
        const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(under + x));
        const __m256i low =
            mixAvx2(_mm256_castsi256_si128(o), _mm256_castsi256_si128(u), overWeight, underWeight);
        const __m256i high = mixAvx2(_mm256_extracti128_si256(o, 1), _mm256_extracti128_si256(u, 1),
                                     overWeight, underWeight);
        const __m256i mixed =
            _mm256_or_si256(_mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xd8), alpha);
        const __m256i skip = _mm256_cmpeq_epi32(_mm256_and_si256(o, colour), keyed);
        const __m256i result = _mm256_blendv_epi8(mixed, u, skip);
        if (streaming)
            _mm256_stream_si256(reinterpret_cast<__m256i*>(out + x), result);
        else
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), result);
    }
    blendOpaqueRow(over + x, under + x, out + x, n - x, percent, key);
}
#endif

struct Layering {
    ConstPixels under;
    ConstPixels over;
    Pixels out;
    int left, top;  // where the source's (0, 0) lands
    quint32 percent;
    quint32 key;
    bool overOpaque, underOpaque;
    bool streaming;  // large result: written around the cache
    decltype(&blendOpaqueRowBaseline) opaqueRow;

    void copy(quint32* to, const quint32* from, int count) const {
        if (streaming)
            streamCopy(to, from, size_t(count) * 4);
        else
            std::memcpy(to, from, size_t(count) * 4);
    }

    void row(int y) const {
        const quint32* below = under.row(y);
        quint32* line = out.row(y);
        const int first = std::clamp(left, 0, out.width);
        const int end = std::clamp(qint64(left) + over.width, qint64(first), qint64(out.width));
        if (y < top || y >= qint64(top) + over.height || first == end) {
            copy(line, below, out.width);
            return;
        }
        copy(line, below, first);
        copy(line + end, below + end, out.width - end);
        const quint32* above = over.row(y - top) + (first - left);
        if (overOpaque && underOpaque) {
            opaqueRow(above, below + first, line + first, end - first, percent, key, streaming);
            return;
        }
        // Runs of pixels that are all opaque take the vector path.
        constexpr int kRun = 64;
        for (int x = first; x < end; x += kRun) {
            const int n = std::min(kRun, end - x);
            const quint32* o = above + (x - first);
            quint32 alphas = 0xff000000u;
            for (int i = 0; i < n; ++i)
                alphas &=
                    (overOpaque ? 0xff000000u : o[i]) & (underOpaque ? 0xff000000u : below[x + i]);
            if (alphas >= 0xff000000u) {
                opaqueRow(o, below + x, line + x, n, percent, key, false);
            } else {
                for (int i = 0; i < n; ++i)
                    line[x + i] =
                        (o[i] & 0xffffffu) == key
                            ? below[x + i]
                            : blendPixel(o[i], below[x + i], percent, overOpaque, underOpaque);
            }
        }
    }
};

}  // namespace

void merge(const QImage& src, QImage& dst, const Arguments& args) {
    const QImage image = kernelImage(src);
    if (!args.source || args.source->isNull())
        throw Error(kNoImage,
                    QStringLiteral("The merge needs a second image, and none was given."));
    checkNumbers(args, 5);
    const double percent = std::round(args.numbers[2]);
    if (!(args.numbers[2] >= 0 && args.numbers[2] <= 100))
        throw Error(kInvalidOpacity, QStringLiteral("The opacity must be from 0 to 100 percent."));
    const double keyNumber = args.numbers[3];
    const quint32 key = keyNumber == -1 ? kNoKey : rgbColour(keyNumber);
    const QImage source = kernelImage(*args.source);
    prepareTarget(dst, image.width(), image.height(), image.format());
    // Positions far outside the image all mean the same: nothing to lay over.
    const auto position = [](double value) {
        return int(std::clamp(std::round(value), -1e9, 1e9));
    };
    const Pixels out(dst);
    Layering layering{ConstPixels(image),
                      ConstPixels(source),
                      out,
                      position(args.numbers[0]),
                      position(args.numbers[1]),
                      quint32(percent),
                      key,
                      source.format() == QImage::Format_RGB32,
                      image.format() == QImage::Format_RGB32,
                      worthStreaming(out.stride * out.height),
                      blendOpaqueRowBaseline};
#ifdef QUORVANE_X86
    if (simd::avx2()) layering.opaqueRow = blendOpaqueRowAvx2;
#endif
    forEachRowBand(layering.out.height, layering.out.width, [&](int first, int end) {
        for (int y = first; y < end; ++y) layering.row(y);
    });
}

}  // namespace imaging::effects
