#include "imaging/effects/Rotate.h"

#include <cmath>

#include "imaging/Error.h"
#include "imaging/effects/EffectSupport.h"
#include "imaging/effects/Flip.h"
#include "imaging/effects/RotateBilinear.h"
#include "imaging/effects/RotateRightAngle.h"

namespace imaging::effects {

void rotate(const QImage& src, QImage& dst, const Arguments& args) {
    const QImage image = kernelImage(src);
    checkNumbers(args, 3);
    // fmod is exact, so -90, 270 and 630 all land on exactly 270.
    double degrees = std::fmod(args.numbers[0], 360.0);
    if (degrees < 0) degrees += 360;
    if (degrees >= 360) degrees -= 360;
    const QImage::Format format = image.format();
    if (degrees == 0 || degrees == 180) {
        prepareTarget(dst, image.width(), image.height(), format);
        mirrorInto(image, dst, degrees == 180, degrees == 180);
    } else if (degrees == 90 || degrees == 270) {
        prepareTarget(dst, image.height(), image.width(), format);
        rotateQuarterInto(image, dst, degrees == 90);
    } else {
        const QSize canvas = rotatedCanvas(image.size(), degrees);
        if (qint64(canvas.width()) * canvas.height() > kPixelLimit)
            throw Error(kImageTooLarge,
                        QStringLiteral("The turned image would have more than %1 pixels.")
                            .arg(kPixelLimit));
        prepareTarget(dst, canvas.width(), canvas.height(), format);
        rotateBilinearInto(image, dst, degrees);
    }
}

}  // namespace imaging::effects
