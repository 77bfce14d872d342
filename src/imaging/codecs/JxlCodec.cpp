#include "imaging/codecs/JxlCodec.h"

#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/encode.h>
#include <jxl/resizable_parallel_runner.h>
#include <jxl/resizable_parallel_runner_cxx.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include "imaging/FormatCode.h"
#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/ColourProfile.h"
#include "imaging/codecs/DataBounds.h"
#include "imaging/codecs/ExifOrientation.h"

namespace imaging::codecs {
namespace {

// The whole file is handed over at once. The input is left open: libjxl finds the end of
// the image frames without being told where the file ends (only metadata boxes, which we do
// not read, need that), and a file cut short then asks for more input, where closed input
// makes libjxl 0.7 fail as if the data were damaged and print "missing input" on stderr.
JxlDecoderPtr startDecoder(Bytes data, int events) {
    JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    if (!decoder) throw Error(kOutOfMemory, QStringLiteral("the JPEG XL decoder could not start"));
    JxlDecoderSubscribeEvents(decoder.get(), events);
    JxlDecoderSetInput(decoder.get(), data.data(), data.size());
    return decoder;
}

// The next event the decoder stops at. It holds the whole file, so asking for more means
// that the file ends before the picture does.
JxlDecoderStatus nextEvent(JxlDecoder* decoder) {
    const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
    if (status == JXL_DEC_ERROR) failCorrupt(QStringLiteral("the JPEG XL data is damaged"));
    if (status == JXL_DEC_NEED_MORE_INPUT)
        failCorrupt(QStringLiteral("the JPEG XL data ends early"));
    return status;
}

JxlBasicInfo basicInfo(JxlDecoder* decoder) {
    JxlBasicInfo info{};
    if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
        failCorrupt(QStringLiteral("the JPEG XL header is damaged"));
    return info;
}

// Lossy files are coded in XYB, an absolute colour space the decoder turns into whatever it
// is asked for; left alone it picks linear sRGB for those that carry an ICC profile, which
// 8-bit samples would band. Asking for sRGB makes their pixels sRGB whatever the file's own
// profile (out-of-gamut colours clipped), so the colour conversion of embedded profiles must
// leave them as they are. Lossless files are handed out in their own colour space, which
// Little CMS turns into sRGB as it does a PNG's.
void preferSrgb(JxlDecoder* decoder, const JxlBasicInfo& info) {
    if (info.uses_original_profile) return;
    JxlColorEncoding srgb{};
    JxlColorEncodingSetToSRGB(&srgb, info.num_color_channels == 1);
    if (JxlDecoderSetPreferredColorProfile(decoder, &srgb) != JXL_DEC_SUCCESS)
        failCorrupt(QStringLiteral("the JPEG XL colour space cannot be turned into sRGB"));
}

// The profile of the samples libjxl hands out: that of a lossless file's own colour space
// (an ICC profile it carries, or one libjxl writes for its coded colour space); none for a
// lossy file, whose samples are sRGB already.
QByteArray dataProfile(JxlDecoder* decoder, const JxlBasicInfo& info) {
    std::size_t size = 0;
    if (!info.uses_original_profile ||
        JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
            JXL_DEC_SUCCESS)
        return {};
    QByteArray profile(qsizetype(size), 0);
    if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                       reinterpret_cast<std::uint8_t*>(profile.data()),
                                       size) != JXL_DEC_SUCCESS)
        return {};
    return profile;
}

// libjxl writes R, G, B, A bytes; QImage's 32-bit formats hold 0xAARRGGBB words. Turned in
// place: QImage::convertTo() would copy an image whose memory it does not own, as that of
// newImage() is, and hold a second image of the size at the peak.
void toArgbWords(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const auto* p = reinterpret_cast<const uchar*>(row + x);
            row[x] = qRgba(p[0], p[1], p[2], p[3]);
        }
    }
}

}  // namespace

FileFacts inspectJpegXl(Bytes data) {
    const JxlDecoderPtr decoder = startDecoder(data, JXL_DEC_BASIC_INFO);
    // The stored size and orientation; libjxl would otherwise report the size turned
    // already and the orientation as 1.
    JxlDecoderSetKeepOrientation(decoder.get(), JXL_TRUE);
    if (nextEvent(decoder.get()) != JXL_DEC_BASIC_INFO)
        failCorrupt(QStringLiteral("the JPEG XL header is missing"));
    const JxlBasicInfo info = basicInfo(decoder.get());
    FileFacts facts{
        kFormatNone, int(std::min<std::uint32_t>(info.xsize, INT_MAX)),
        int(std::min<std::uint32_t>(info.ysize, INT_MAX)), 1,
        int(info.bits_per_sample * (info.num_color_channels + (info.alpha_bits ? 1 : 0)))};
    if (orientationSwapsAxes(int(info.orientation))) std::swap(facts.width, facts.height);
    return facts;
}

QImage decodeJpegXl(Bytes data, const DecodeOptions& options) {
    // Declared first so that it outlives the decoder that runs on it.
    const JxlResizableParallelRunnerPtr runner = JxlResizableParallelRunnerMake(nullptr);
    if (!runner) throw Error(kOutOfMemory, QStringLiteral("the JPEG XL decoder could not start"));
    const JxlDecoderPtr decoder =
        startDecoder(data, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE);
    JxlDecoder* dec = decoder.get();
    JxlDecoderSetParallelRunner(dec, JxlResizableParallelRunner, runner.get());
    // libjxl turns the image by its orientation unless told to keep it as stored, and then
    // reports the turned size in the basic info.
    JxlDecoderSetKeepOrientation(dec, options.autoOrient ? JXL_FALSE : JXL_TRUE);
    // QImage's ARGB32 is straight alpha; premultiplied files are divided back.
    JxlDecoderSetUnpremultiplyAlpha(dec, JXL_TRUE);

    JxlBasicInfo info{};
    QByteArray iccProfile;
    QImage image;
    for (;;) {
        switch (nextEvent(dec)) {
            case JXL_DEC_BASIC_INFO:
                info = basicInfo(dec);
                checkLimits(info.xsize, info.ysize, options.limits);
                requireDataForCodedPhoto(data.size(), info.xsize, info.ysize);
                // One thread for every group of 256 x 256, at most one a core: small
                // pictures decode on this thread alone.
                JxlResizableParallelRunnerSetThreads(
                    runner.get(), JxlResizableParallelRunnerSuggestThreads(info.xsize, info.ysize));
                break;
            case JXL_DEC_COLOR_ENCODING:
                preferSrgb(dec, info);
                iccProfile = dataProfile(dec, info);
                break;
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
                // An image without alpha gets 255 from libjxl in the fourth byte, as RGB32
                // requires.
                image = newImage(int(info.xsize), int(info.ysize),
                                 info.alpha_bits ? QImage::Format_ARGB32 : QImage::Format_RGB32);
                // Samples of more than 8 bits: libjxl 0.7 scales the sample, taken as a
                // fraction of its largest value, by 255 and rounds to the nearest integer,
                // so 16-bit v becomes round(v / 257), as from libpng's png_set_scale_16.
                // (Later libjxl releases add an ordered dither to 8-bit output.)
                const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN,
                                            std::size_t(image.bytesPerLine())};
                if (JxlDecoderSetImageOutBuffer(dec, &format, image.bits(),
                                                std::size_t(image.sizeInBytes())) !=
                    JXL_DEC_SUCCESS)
                    failCorrupt(QStringLiteral("the JPEG XL frame does not fit its image"));
                break;
            }
            case JXL_DEC_FULL_IMAGE:
                toArgbWords(image);
                convertToSrgb(image, iccProfile);
                return image;
            case JXL_DEC_SUCCESS:
                failCorrupt(QStringLiteral("the JPEG XL data holds no image"));
            default:
                break;
        }
    }
}

}  // namespace imaging::codecs
