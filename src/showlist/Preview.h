#pragma once

#include <QImage>
#include <QString>

namespace showlist {

struct Preview {
    int width = 0;  // of the image in the file
    int height = 0;
    QImage picture;  // exactly the fitted preview size
};

// The preview of an image file for the preview box (see fitPreview). The size comes from the
// file's header; only as much is decoded as the preview needs (JPEG files decode at 1/2, 1/4
// or 1/8 scale inside the DCT), then the engine scales it to exactly the fitted size. Throws
// imaging::Error for a file the engine cannot read, including images over its size limits.
Preview makePreview(const QString& path, double wideRatio);

}  // namespace showlist
