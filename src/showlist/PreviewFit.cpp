#include "PreviewFit.h"

#include <algorithm>
#include <cmath>

namespace showlist {

namespace {

// std::nearbyint under the default rounding mode rounds halves to the even neighbour, as
// every size this program computes does.
int toPixels(double size) { return std::max(1, static_cast<int>(std::nearbyint(size))); }

}  // namespace

QSize fitPreview(int width, int height, double wideRatio) {
    const double ratio = static_cast<double>(width) / height;
    double previewWidth = kPreviewWidth;
    double previewHeight = kPreviewHeight;
    if (ratio < 1.2) previewWidth = kPreviewHeight * ratio;
    if (ratio > wideRatio) previewHeight = kPreviewWidth / ratio;
    return {toPixels(previewWidth), toPixels(previewHeight)};
}

}  // namespace showlist
