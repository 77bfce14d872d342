#include "imaging/codecs/ColourProfile.h"

#include <lcms2.h>

#include <QCryptographicHash>
#include <map>
#include <memory>
#include <mutex>

#include "imaging/effects/RowBands.h"

namespace imaging::codecs {
namespace {

struct TransformFree {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Transform = std::shared_ptr<void>;

// QImage keeps a pixel as one 32-bit word 0xAARRGGBB, so its byte order follows the CPU.
constexpr cmsUInt32Number kPixelType = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TYPE_BGRA_8 : TYPE_ARGB_8;

// Whether the transform leaves every colour of a coarse cube and every grey within a level:
// a profile of sRGB, which the pixels need not pass through at all, at no cost.
bool leavesColoursAsTheyAre(void* transform) {
    std::vector<QRgb> probe;
    for (int v = 0; v < 256; ++v) probe.push_back(qRgb(v, v, v));
    for (int r = 0; r < 256; r += 51)
        for (int g = 0; g < 256; g += 51)
            for (int b = 0; b < 256; b += 51) probe.push_back(qRgb(r, g, b));
    std::vector<QRgb> out(probe.size());
    cmsDoTransform(transform, probe.data(), out.data(), cmsUInt32Number(probe.size()));
    for (std::size_t i = 0; i < probe.size(); ++i)
        if (std::abs(qRed(probe[i]) - qRed(out[i])) > 1 ||
            std::abs(qGreen(probe[i]) - qGreen(out[i])) > 1 ||
            std::abs(qBlue(probe[i]) - qBlue(out[i])) > 1)
            return false;
    return true;
}

// The transform to sRGB, or none where the pixels are to stay as they are.
Transform transformFor(const QByteArray& iccProfile) {
    cmsHPROFILE source =
        cmsOpenProfileFromMem(iccProfile.constData(), cmsUInt32Number(iccProfile.size()));
    if (!source) return {};
    Transform transform;
    if (cmsGetColorSpace(source) == cmsSigRgbData) {
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        // Without the one-pixel cache the transform may run on several threads at once.
        void* made = cmsCreateTransform(source, kPixelType, srgb, kPixelType, INTENT_PERCEPTUAL,
                                        cmsFLAGS_COPY_ALPHA | cmsFLAGS_NOCACHE);
        cmsCloseProfile(srgb);
        if (made && !leavesColoursAsTheyAre(made))
            transform = Transform(made, TransformFree());
        else if (made)
            cmsDeleteTransform(made);
    }
    cmsCloseProfile(source);
    return transform;
}

Transform cachedTransformFor(const QByteArray& iccProfile) {
    static std::mutex guard;
    static std::map<QByteArray, Transform> made;
    const QByteArray key = QCryptographicHash::hash(iccProfile, QCryptographicHash::Sha1);
    std::lock_guard lock(guard);
    if (const auto found = made.find(key); found != made.end()) return found->second;
    // A handful of profiles are in use at any time; a folder of odd ones must not pile up.
    if (made.size() >= 16) made.clear();
    return made[key] = transformFor(iccProfile);
}

}  // namespace

void convertToSrgb(QImage& image, const QByteArray& iccProfile) {
    if (iccProfile.isEmpty() || image.isNull() || image.depth() != 32) return;
    const Transform transform = cachedTransformFor(iccProfile);
    if (!transform) return;
    const int width = image.width();
    effects::forEachRowBand(image.height(), width, [&](int first, int end) {
        for (int y = first; y < end; ++y)
            cmsDoTransform(transform.get(), image.constScanLine(y), image.scanLine(y),
                           cmsUInt32Number(width));
    });
}

}  // namespace imaging::codecs
