#include "imaging/codecs/AvifPixels.h"

#include <avif/avif.h>

#include <QTransform>
#include <algorithm>
#include <memory>

#include "imaging/codecs/CodecSupport.h"
#include "imaging/effects/RowBands.h"

namespace imaging::codecs {
namespace {

struct DecoderFree {
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};
struct ImageFree {
    void operator()(avifImage* image) const { avifImageDestroy(image); }
};

// QImage keeps a pixel as one 32-bit word 0xAARRGGBB, so its byte order follows the CPU.
constexpr avifRGBFormat kPixelFormat =
    Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_ARGB;

void require(avifResult result, const avifDiagnostics& diagnostics) {
    if (result == AVIF_RESULT_OK) return;
    const QString detail =
        QString::fromUtf8(diagnostics.error[0] ? diagnostics.error : avifResultToString(result));
    switch (result) {
        case AVIF_RESULT_OUT_OF_MEMORY:
            throw Error(kOutOfMemory, detail);
        case AVIF_RESULT_NOT_IMPLEMENTED:
        case AVIF_RESULT_NO_CODEC_AVAILABLE:
            failUnsupported(detail);
        default:
            failCorrupt(detail);
    }
}

// Rows [first, end) of the YUV picture into the same rows of `image`.
void convertRows(const avifImage& yuv, QImage& image, int first, int end) {
    const std::unique_ptr<avifImage, ImageFree> view(avifImageCreateEmpty());
    if (!view) throw Error(kOutOfMemory, QStringLiteral("no memory for an AVIF view"));
    const avifCropRect rows{0, std::uint32_t(first), yuv.width, std::uint32_t(end - first)};
    avifDiagnostics diagnostics{};
    require(avifImageSetViewRect(view.get(), &yuv, &rows), diagnostics);
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, view.get());
    rgb.format = kPixelFormat;
    rgb.depth = 8;
    // libyuv cuts deeper samples to 8 bits where libavif's own conversion rounds them.
    rgb.avoidLibYUV = yuv.depth > 8 ? AVIF_TRUE : AVIF_FALSE;
    rgb.pixels = image.scanLine(first);
    rgb.rowBytes = std::uint32_t(image.bytesPerLine());
    require(avifImageYUVToRGB(view.get(), &rgb), diagnostics);
}

// As the container says, in the order it gives: the crop (clap), the turn (irot, quarter
// turns anticlockwise), the mirror (imir: 0 exchanges top and bottom, 1 left and right).
QImage transformed(QImage image, const avifImage& yuv) {
    if (yuv.transformFlags & AVIF_TRANSFORM_CLAP) {
        avifCropRect crop{};
        avifDiagnostics diagnostics{};
        if (avifCropRectConvertCleanApertureBox(&crop, &yuv.clap, yuv.width, yuv.height,
                                                yuv.yuvFormat, &diagnostics))
            image = image.copy(int(crop.x), int(crop.y), int(crop.width), int(crop.height));
    }
    if ((yuv.transformFlags & AVIF_TRANSFORM_IROT) && yuv.irot.angle % 4 != 0)
        image = image.transformed(QTransform().rotate(-90.0 * (yuv.irot.angle % 4)));
    if (yuv.transformFlags & AVIF_TRANSFORM_IMIR)
        image = image.mirrored(yuv.imir.mode == 1, yuv.imir.mode == 0);
    if (image.isNull())
        throw Error(kOutOfMemory, QStringLiteral("there is not enough memory to turn the image"));
    return image;
}

}  // namespace

QImage decodeAvifPixels(Bytes data, const DecodeOptions& options, QSize stored) {
    const std::unique_ptr<avifDecoder, DecoderFree> decoder(avifDecoderCreate());
    if (!decoder) throw Error(kOutOfMemory, QStringLiteral("the AVIF decoder could not start"));
    decoder->maxThreads = effects::threadCount();
    // Our limit was checked against the boxes; this holds dav1d to it as well.
    decoder->imageSizeLimit = std::uint32_t(
        std::clamp<std::int64_t>(options.limits.maxPixels, 1, AVIF_DEFAULT_IMAGE_SIZE_LIMIT));
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    require(avifDecoderSetIOMemory(decoder.get(), data.data(), data.size()), decoder->diag);
    require(avifDecoderParse(decoder.get()), decoder->diag);
    require(avifDecoderNextImage(decoder.get()), decoder->diag);
    const avifImage& yuv = *decoder->image;
    if (QSize(int(yuv.width), int(yuv.height)) != stored)
        failCorrupt(QStringLiteral("the AV1 picture is not of the size the file declares"));

    QImage image = newImage(stored.width(), stored.height(),
                            yuv.alphaPlane ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    // Bands start on even rows, where a 4:2:0 picture's chroma rows start.
    const int pairs = (stored.height() + 1) / 2;
    effects::forEachRowBand(pairs, qint64(stored.width()) * 2, [&](int first, int end) {
        convertRows(yuv, image, first * 2, std::min(end * 2, stored.height()));
    });
    return options.autoOrient ? transformed(std::move(image), yuv) : image;
}

}  // namespace imaging::codecs
