#include "Preview.h"

#include <algorithm>
#include <cmath>

#include "PreviewFit.h"
#include "imaging/Error.h"
#include "imaging/ImgX.h"
#include "imaging/InfoItems.h"

namespace showlist {

namespace {

// The smallest size of the image's own shape that covers the preview on both axes, so the
// final scaling only ever shrinks (or stretches a little) and never magnifies a thumbnail.
QSize coveringBox(QSize image, QSize preview) {
    const double scale = std::max(double(preview.width()) / image.width(),
                                  double(preview.height()) / image.height());
    if (scale >= 1.0) return image;
    return {std::max(1, int(std::ceil(image.width() * scale))),
            std::max(1, int(std::ceil(image.height() * scale)))};
}

}  // namespace

Preview makePreview(const QString& path, double wideRatio) {
    imaging::ImgX engine;
    // A throwaway image: an undo step would only hold a second copy of it.
    engine.setInfo(imaging::kInfoUndoEnabled, 0);
    const imaging::codecs::FileFacts facts = engine.viewer().FileInfo(path);
    if (facts.width < 1 || facts.height < 1)
        throw imaging::Error(imaging::kInvalidSize, QStringLiteral("The image has no pixels."));
    const QSize image(facts.width, facts.height);
    const QSize preview = fitPreview(facts.width, facts.height, wideRatio);
    engine.canvas().LoadFromPicture(engine.viewer().Thumbnail(path, coveringBox(image, preview)),
                                    0);
    engine.effects().Resize(preview.width(), preview.height(), -1, -1, 0);
    return {facts.width, facts.height, engine.files().Picture()};
}

}  // namespace showlist
