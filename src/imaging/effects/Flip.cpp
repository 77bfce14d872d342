#include "imaging/effects/Flip.h"

#include <algorithm>
#include <cstring>

#include "imaging/Error.h"
#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/Pixels.h"
#include "imaging/effects/RowBands.h"
#include "imaging/effects/Simd.h"
#include "imaging/effects/Streaming.h"

namespace imaging::effects {

namespace {

// Reading backwards outruns the hardware's prefetching, so the loop fetches 1 KiB ahead.
QUORVANE_INLINE void reverseRow(const quint32* __restrict in, quint32* __restrict out, int width) {
    for (int x = 0; x < width; x += 16) {
        fetchAhead(in + std::max(0, width - x - 256));
        const int end = std::min(width, x + 16);
        for (int i = x; i < end; ++i) out[i] = in[width - 1 - i];
    }
}

void reverseRowBaseline(const quint32* in, quint32* out, int width) { reverseRow(in, out, width); }

#ifdef QUORVANE_X86
QUORVANE_AVX2 void reverseRowAvx2(const quint32* in, quint32* out, int width) {
    reverseRow(in, out, width);
}
#endif

}  // namespace

void mirrorInto(const QImage& src, QImage& dst, bool leftRight, bool upsideDown) {
    const ConstPixels in(src);
    const Pixels out(dst);
    auto reverse = reverseRowBaseline;
#ifdef QUORVANE_X86
    if (simd::avx2()) reverse = reverseRowAvx2;
#endif
    const bool streaming = worthStreaming(out.stride * out.height);
    forEachRowBand(out.height, out.width, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const quint32* from = in.row(upsideDown ? in.height - 1 - y : y);
            if (leftRight)
                writeRow(out.row(y), out.width, streaming, [&](int x, int count, quint32* to) {
                    reverse(from + (out.width - x - count), to, count);
                });
            else if (streaming)
                streamCopy(out.row(y), from, size_t(out.width) * 4);
            else
                std::memcpy(out.row(y), from, size_t(out.width) * 4);
        }
    });
}

void flip(const QImage& src, QImage& dst, const Arguments& args) {
    const QImage image = kernelImage(src);
    checkNumbers(args, 2);
    const double direction = args.numbers[0];
    if (direction != 0 && direction != 1)
        throw Error(kInvalidArgument,
                    QStringLiteral("The direction must be 0 (horizontal) or 1 (vertical)."));
    prepareTarget(dst, image.width(), image.height(), image.format());
    mirrorInto(image, dst, direction == 0, direction == 1);
}

}  // namespace imaging::effects
