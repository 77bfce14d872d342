#pragma once

#include <QSize>

namespace showlist {

// The preview box of the main window, in pixels.
inline constexpr int kPreviewWidth = 276;
inline constexpr int kPreviewHeight = 204;

// Aspect ratios above which an image counts as wide and loses height in its preview. New
// Image has always drawn the line lower than the file list and the show list.
inline constexpr double kBrowserWideRatio = 1.5;
inline constexpr double kNewImageWideRatio = 1.44;

// The preview size of a width x height image: tall and square images (ratio below 1.2) get
// the full height, wide ones (ratio above wideRatio) the full width, the ones between fill
// the box, a little stretched. Sizes round half to even; a sliver keeps at least one pixel.
QSize fitPreview(int width, int height, double wideRatio);

}  // namespace showlist
