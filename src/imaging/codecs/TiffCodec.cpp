#include "imaging/codecs/TiffCodec.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "imaging/FormatCode.h"
#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/ColourProfile.h"
#include "imaging/codecs/ExifOrientation.h"
#include "imaging/codecs/QtImageIo.h"
#include "imaging/codecs/TiffDataCheck.h"
#include "imaging/codecs/TiffIo.h"

namespace imaging::codecs {
namespace {

using tiff::field;
using tiff::open;
using tiff::Stream;
using tiff::TiffHandle;

// Pages of 8-bit samples stored pixel by pixel in strips, with RGB or grey and at most one
// alpha sample: these are read here, exactly.
bool readsDirectly(TIFF* tiff, bool* alpha) {
    const auto samples = field<std::uint16_t>(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    const auto photometric = field<std::uint16_t>(tiff, TIFFTAG_PHOTOMETRIC, 0xFFFF);
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    const unsigned colors = photometric == PHOTOMETRIC_RGB          ? 3
                            : photometric == PHOTOMETRIC_MINISBLACK ? 1
                                                                    : 0;
    *alpha = extraCount == 1 && extra[0] != EXTRASAMPLE_UNSPECIFIED;
    return colors != 0 && !TIFFIsTiled(tiff) &&
           field<std::uint16_t>(tiff, TIFFTAG_BITSPERSAMPLE, 1) == 8 &&
           field<std::uint16_t>(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) ==
               PLANARCONFIG_CONTIG &&
           samples == colors + extraCount && extraCount <= 1;
}

QImage readRows(TIFF* tiff, Stream& stream, int width, int height, bool alpha) {
    const unsigned samples = field<std::uint16_t>(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    const bool premultiplied = alpha && extra[0] == EXTRASAMPLE_ASSOCALPHA;
    QImage image = newImage(width, height,
                            !alpha          ? QImage::Format_RGB32
                            : premultiplied ? QImage::Format_ARGB32_Premultiplied
                                            : QImage::Format_ARGB32);
    std::vector<std::uint8_t> row(std::size_t(TIFFScanlineSize(tiff)));
    if (row.size() < std::size_t(width) * samples)
        failCorrupt(QStringLiteral("the rows are shorter than the page"));
    const bool grey = samples - (alpha ? 1 : 0) == 1;
    for (int y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff, row.data(), std::uint32_t(y), 0) < 0)
            failCorrupt(stream.errorText());
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::uint8_t* p = row.data();
        for (int x = 0; x < width; ++x, p += samples) {
            const int a = alpha ? p[samples - 1] : 255;
            out[x] = grey ? qRgba(p[0], p[0], p[0], a) : qRgba(p[0], p[1], p[2], a);
        }
    }
    return normalized(std::move(image));
}

}  // namespace

FileFacts inspectTiff(Bytes data) {
    Stream stream{data};
    const TiffHandle tiff = open(stream, "r");
    if (!tiff) failCorrupt(stream.errorText());
    const auto width = field<std::uint32_t>(tiff.get(), TIFFTAG_IMAGEWIDTH, 0);
    const auto height = field<std::uint32_t>(tiff.get(), TIFFTAG_IMAGELENGTH, 0);
    FileFacts facts{kFormatTiff, int(std::min<std::uint32_t>(width, INT_MAX)),
                    int(std::min<std::uint32_t>(height, INT_MAX)),
                    int(TIFFNumberOfDirectories(tiff.get())),
                    field<std::uint16_t>(tiff.get(), TIFFTAG_BITSPERSAMPLE, 1) *
                        field<std::uint16_t>(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, 1)};
    // The orientation tag counts like the EXIF one.
    if (orientationSwapsAxes(
            field<std::uint16_t>(tiff.get(), TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT)))
        std::swap(facts.width, facts.height);
    return facts;
}

QImage decodeTiff(Bytes data, const DecodeOptions& options) {
    Stream stream{data};
    const TiffHandle tiff = open(stream, "r");
    if (!tiff) failCorrupt(stream.errorText());
    const int count = TIFFNumberOfDirectories(tiff.get());
    if (options.imageNumber < 1 || options.imageNumber > count)
        throw Error(kNoSuchImage,
                    QStringLiteral("it holds %1 image(s), so there is no image number %2")
                        .arg(count)
                        .arg(options.imageNumber));
    if (!TIFFSetDirectory(tiff.get(), tdir_t(options.imageNumber - 1)))
        failCorrupt(stream.errorText());
    const auto width = field<std::uint32_t>(tiff.get(), TIFFTAG_IMAGEWIDTH, 0);
    const auto height = field<std::uint32_t>(tiff.get(), TIFFTAG_IMAGELENGTH, 0);
    checkLimits(width, height, options.limits);
    tiff::requireDataForPage(tiff.get(), data.size());
    bool alpha = false;
    if (!readsDirectly(tiff.get(), &alpha)) return decodeWithQt(data, "tiff", options);
    QImage image = readRows(tiff.get(), stream, int(width), int(height), alpha);
    std::uint32_t profileSize = 0;
    const char* profile = nullptr;
    if (TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile)
        convertToSrgb(image, QByteArray::fromRawData(profile, qsizetype(profileSize)));
    const int orientation =
        field<std::uint16_t>(tiff.get(), TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    return options.autoOrient ? applyOrientation(image, orientation) : image;
}

void encodeTiff(const QImage& source, QIODevice& out) {
    const QImage image = normalized(source);
    const bool alpha = image.hasAlphaChannel();
    const unsigned samples = alpha ? 4 : 3;
    Stream stream;
    stream.device = &out;
    TiffHandle tiff = open(stream, "w");
    if (!tiff) throw Error(kWriteFailed, stream.errorText());
    TIFF* t = tiff.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, std::uint32_t(image.width()));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, std::uint32_t(image.height()));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    if (alpha) {
        const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
        TIFFSetField(t, TIFFTAG_XRESOLUTION, float(image.dotsPerMeterX() / 100.0));
        TIFFSetField(t, TIFFTAG_YRESOLUTION, float(image.dotsPerMeterY() / 100.0));
    }
    std::vector<std::uint8_t> row(std::size_t(image.width()) * samples);
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* p = row.data();
        for (int x = 0; x < image.width(); ++x, p += samples) {
            p[0] = std::uint8_t(qRed(in[x]));
            p[1] = std::uint8_t(qGreen(in[x]));
            p[2] = std::uint8_t(qBlue(in[x]));
            if (alpha) p[3] = std::uint8_t(qAlpha(in[x]));
        }
        if (TIFFWriteScanline(t, row.data(), std::uint32_t(y), 0) < 0)
            throw Error(kWriteFailed, stream.errorText());
    }
    if (!TIFFWriteDirectory(t)) throw Error(kWriteFailed, stream.errorText());
}

}  // namespace imaging::codecs
