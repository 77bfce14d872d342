#include "imaging/effects/Crop.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/Error.h"
#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/Pixels.h"
#include "imaging/effects/RowBands.h"
#include "imaging/effects/Streaming.h"

namespace imaging::effects {

void crop(const QImage& src, QImage& dst, const Arguments& args) {
    const QImage image = kernelImage(src);
    checkNumbers(args, 5);
    // Whole pixels, worked out in doubles so that no sum of huge numbers can overflow.
    const double left = std::round(args.numbers[0]);
    const double top = std::round(args.numbers[1]);
    const double width = std::round(args.numbers[2]);
    const double height = std::round(args.numbers[3]);
    const double x0 = std::max(left, 0.0);
    const double y0 = std::max(top, 0.0);
    const double x1 = std::min(left + width, double(image.width()));
    const double y1 = std::min(top + height, double(image.height()));
    if (width < 1 || height < 1 || x1 <= x0 || y1 <= y0)
        throw Error(kInvalidRectangle,
                    QStringLiteral("The rectangle must be at least 1 pixel wide and high and "
                                   "overlap the image."));
    const int x = int(x0);
    const int y = int(y0);
    prepareTarget(dst, int(x1) - x, int(y1) - y, image.format());
    const ConstPixels in(image);
    const Pixels out(dst);
    const bool streaming = worthStreaming(out.stride * out.height);
    forEachRowBand(out.height, out.width, [&](int first, int end) {
        for (int row = first; row < end; ++row) {
            const quint32* from = in.row(y + row) + x;
            if (streaming)
                streamCopy(out.row(row), from, size_t(out.width) * 4);
            else
                std::memcpy(out.row(row), from, size_t(out.width) * 4);
        }
    });
}

}  // namespace imaging::effects
