#include "imaging/effects/Blank.h"

#include <algorithm>
#include <cmath>

#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/Pixels.h"
#include "imaging/effects/RowBands.h"
#include "imaging/effects/Streaming.h"

namespace imaging::effects {

void blank(const QImage&, QImage& dst, const Arguments& args) {
    checkNumbers(args, 6);
    const double width = std::round(args.numbers[0]);
    const double height = std::round(args.numbers[1]);
    checkSize(qint64(std::clamp(width, -1.0, 1e12)), qint64(std::clamp(height, -1.0, 1e12)));
    const quint32 pixel = 0xff000000u | rgbColour(args.numbers[2]);
    prepareTarget(dst, int(width), int(height), QImage::Format_RGB32);
    const Pixels out(dst);
    const bool streaming = worthStreaming(out.stride * out.height);
    forEachRowBand(out.height, out.width, [&](int first, int end) {
        for (int y = first; y < end; ++y)
            writeRow(out.row(y), out.width, streaming,
                     [&](int, int count, quint32* to) { std::fill_n(to, count, pixel); });
    });
}

}  // namespace imaging::effects
