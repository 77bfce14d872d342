#include "imaging/codecs/TiffPages.h"

#include <QBuffer>
#include <algorithm>
#include <memory>
#include <vector>

#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/TiffCodec.h"
#include "imaging/codecs/TiffDataCheck.h"
#include "imaging/codecs/TiffIo.h"

namespace imaging::codecs {
namespace {

using tiff::field;
using tiff::Stream;
using tiff::TiffHandle;

[[noreturn]] void failWrite(const Stream& stream) { throw Error(kWriteFailed, stream.errorText()); }

// A page open for reading, with the stream libtiff reads it through.
struct Page {
    TIFF* tiff;
    Stream& stream;
};

// A picture as the one page of a TIFF in memory, so it is copied like any stored page.
struct EncodedPicture {
    QByteArray bytes;
    Stream stream;
    TiffHandle tiff;

    Page page() { return {tiff.get(), stream}; }
};

std::unique_ptr<EncodedPicture> encodedPicture(const QImage& image) {
    auto picture = std::make_unique<EncodedPicture>();
    QBuffer buffer(&picture->bytes);
    buffer.open(QIODevice::WriteOnly);
    encodeTiff(image, buffer);
    buffer.close();
    picture->stream.data = Bytes(reinterpret_cast<const std::uint8_t*>(picture->bytes.constData()),
                                 std::size_t(picture->bytes.size()));
    picture->tiff = tiff::open(picture->stream, "r");
    if (!picture->tiff) failWrite(picture->stream);
    return picture;
}

// Lossless compressions that libtiff both reads and writes; a page in any other is
// written with LZW.
bool keepsCompression(std::uint16_t compression) {
    switch (compression) {
        case COMPRESSION_NONE:
        case COMPRESSION_LZW:
        case COMPRESSION_PACKBITS:
        case COMPRESSION_ADOBE_DEFLATE:
        case COMPRESSION_DEFLATE:
        case COMPRESSION_LZMA:
        case COMPRESSION_ZSTD:
            return TIFFIsCODECConfigured(compression) != 0;
        default:
            return false;
    }
}

bool takesPredictor(std::uint16_t compression) {
    return compression != COMPRESSION_NONE && compression != COMPRESSION_PACKBITS;
}

// Whether libtiff hands the page's samples over in a layout that can be written back as it
// is. JPEG pages in YCbCr are handed over as RGB, which libtiff converts for us.
bool copiesSamples(TIFF* in) {
    const auto compression = field<std::uint16_t>(in, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    const auto photometric = field<std::uint16_t>(in, TIFFTAG_PHOTOMETRIC, 0xFFFF);
    if (compression == COMPRESSION_OJPEG || !TIFFIsCODECConfigured(compression)) return false;
    switch (photometric) {
        case PHOTOMETRIC_MINISWHITE:
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_RGB:
        case PHOTOMETRIC_PALETTE:
        case PHOTOMETRIC_SEPARATED:
            return true;
        case PHOTOMETRIC_YCBCR:
            return compression == COMPRESSION_JPEG &&
                   field<std::uint16_t>(in, TIFFTAG_BITSPERSAMPLE, 1) == 8 &&
                   field<std::uint16_t>(in, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) ==
                       PLANARCONFIG_CONTIG;
        default:
            return false;
    }
}

// The tags that decide how the samples are read, and the compression to store them with.
void copyLayout(TIFF* in, TIFF* out) {
    for (const ttag_t tag : {TIFFTAG_IMAGEWIDTH, TIFFTAG_IMAGELENGTH})
        TIFFSetField(out, tag, field<std::uint32_t>(in, tag, 0));
    for (const ttag_t tag : {TIFFTAG_BITSPERSAMPLE, TIFFTAG_SAMPLESPERPIXEL, TIFFTAG_PLANARCONFIG,
                             TIFFTAG_SAMPLEFORMAT})
        TIFFSetField(out, tag, field<std::uint16_t>(in, tag, 1));
    const auto compression = field<std::uint16_t>(in, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    auto photometric = field<std::uint16_t>(in, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    if (compression == COMPRESSION_JPEG && photometric == PHOTOMETRIC_YCBCR) {
        TIFFSetField(in, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        photometric = PHOTOMETRIC_RGB;
    }
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, photometric);
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    if (TIFFGetField(in, TIFFTAG_EXTRASAMPLES, &extraCount, &extra))
        TIFFSetField(out, TIFFTAG_EXTRASAMPLES, extraCount, extra);
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (photometric == PHOTOMETRIC_PALETTE &&
        TIFFGetField(in, TIFFTAG_COLORMAP, &red, &green, &blue))
        TIFFSetField(out, TIFFTAG_COLORMAP, red, green, blue);
    std::uint16_t inks = 0;
    if (TIFFGetField(in, TIFFTAG_INKSET, &inks)) TIFFSetField(out, TIFFTAG_INKSET, inks);

    const bool kept = keepsCompression(compression);
    TIFFSetField(out, TIFFTAG_COMPRESSION, kept ? compression : COMPRESSION_LZW);
    std::uint16_t predictor = 0;
    if (kept && takesPredictor(compression) && TIFFGetField(in, TIFFTAG_PREDICTOR, &predictor))
        TIFFSetField(out, TIFFTAG_PREDICTOR, predictor);
    if (TIFFIsTiled(in)) {
        for (const ttag_t tag : {TIFFTAG_TILEWIDTH, TIFFTAG_TILELENGTH})
            TIFFSetField(out, tag, field<std::uint32_t>(in, tag, 0));
    } else {
        const auto height = field<std::uint32_t>(in, TIFFTAG_IMAGELENGTH, 0);
        TIFFSetField(out, TIFFTAG_ROWSPERSTRIP,
                     std::min(field<std::uint32_t>(in, TIFFTAG_ROWSPERSTRIP, height), height));
    }
}

void copyText(TIFF* in, TIFF* out, std::initializer_list<ttag_t> tags) {
    for (const ttag_t tag : tags) {
        const char* text = nullptr;
        if (TIFFGetField(in, tag, &text) && text) TIFFSetField(out, tag, text);
    }
}

// The tags that place a page in its document; the replaced page keeps them too.
void copyPlace(TIFF* in, TIFF* out) {
    std::uint32_t kind = 0;
    if (TIFFGetField(in, TIFFTAG_SUBFILETYPE, &kind)) TIFFSetField(out, TIFFTAG_SUBFILETYPE, kind);
    std::uint16_t number = 0, count = 0;
    if (TIFFGetField(in, TIFFTAG_PAGENUMBER, &number, &count))
        TIFFSetField(out, TIFFTAG_PAGENUMBER, number, count);
    copyText(in, out, {TIFFTAG_PAGENAME, TIFFTAG_DOCUMENTNAME});
}

// The tags that say how a page shows and where it came from.
void copyDescription(TIFF* in, TIFF* out) {
    for (const ttag_t tag : {TIFFTAG_ORIENTATION, TIFFTAG_RESOLUTIONUNIT}) {
        std::uint16_t value = 0;
        if (TIFFGetField(in, tag, &value)) TIFFSetField(out, tag, value);
    }
    for (const ttag_t tag :
         {TIFFTAG_XRESOLUTION, TIFFTAG_YRESOLUTION, TIFFTAG_XPOSITION, TIFFTAG_YPOSITION}) {
        float value = 0;
        if (TIFFGetField(in, tag, &value)) TIFFSetField(out, tag, value);
    }
    std::uint32_t profileSize = 0;
    void* profile = nullptr;
    if (TIFFGetField(in, TIFFTAG_ICCPROFILE, &profileSize, &profile))
        TIFFSetField(out, TIFFTAG_ICCPROFILE, profileSize, profile);
    copyText(in, out,
             {TIFFTAG_IMAGEDESCRIPTION, TIFFTAG_MAKE, TIFFTAG_MODEL, TIFFTAG_SOFTWARE,
              TIFFTAG_DATETIME, TIFFTAG_ARTIST, TIFFTAG_HOSTCOMPUTER, TIFFTAG_COPYRIGHT});
}

// Strip by strip (or tile by tile) through libtiff's decoder and encoder, so no more than
// one strip of the page is in memory.
void copySamples(Page in, TIFF* out, Stream& outStream) {
    const bool tiled = TIFFIsTiled(in.tiff);
    const std::uint32_t chunks = tiled ? TIFFNumberOfTiles(in.tiff) : TIFFNumberOfStrips(in.tiff);
    const tmsize_t size = tiled ? TIFFTileSize(in.tiff) : TIFFStripSize(in.tiff);
    if (size <= 0) failCorrupt(in.stream.errorText());
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(size));
    for (std::uint32_t i = 0; i < chunks; ++i) {
        const tmsize_t read = tiled ? TIFFReadEncodedTile(in.tiff, i, chunk.data(), size)
                                    : TIFFReadEncodedStrip(in.tiff, i, chunk.data(), size);
        if (read < 0) failCorrupt(in.stream.errorText());
        const tmsize_t written = tiled ? TIFFWriteEncodedTile(out, i, chunk.data(), read)
                                       : TIFFWriteEncodedStrip(out, i, chunk.data(), read);
        if (written < 0) failWrite(outStream);
    }
}

// One page of the new file: samples from one page, its place in the document and its
// description from the pages given for them.
void writePage(Page samples, TIFF* place, TIFF* description, TIFF* out, Stream& outStream) {
    copyLayout(samples.tiff, out);
    copyPlace(place, out);
    copyDescription(description, out);
    copySamples(samples, out, outStream);
    if (!TIFFWriteDirectory(out)) failWrite(outStream);
}

void keepPage(Page in, int number, const DecodeLimits& limits, TIFF* out, Stream& outStream) {
    checkLimits(field<std::uint32_t>(in.tiff, TIFFTAG_IMAGEWIDTH, 0),
                field<std::uint32_t>(in.tiff, TIFFTAG_IMAGELENGTH, 0), limits);
    tiff::requireDataForPage(in.tiff, in.stream.data.size());
    if (copiesSamples(in.tiff)) {
        writePage(in, in.tiff, in.tiff, out, outStream);
        return;
    }
    DecodeOptions options;
    options.imageNumber = number;
    // Stored as it lies; its orientation tag is copied with the description.
    options.autoOrient = false;
    options.limits = limits;
    const auto picture = encodedPicture(decodeTiff(in.stream.data, options));
    writePage(picture->page(), in.tiff, in.tiff, out, outStream);
}

}  // namespace

QByteArray tiffReplacingPage(Bytes file, PageOfFile page, const QImage& image,
                             const DecodeLimits& limits) {
    if (page.number < 1 || page.number > page.count)
        throw Error(
            kInvalidArgument,
            QStringLiteral("there is no image %1 among %2").arg(page.number).arg(page.count));
    Stream inStream{file};
    const TiffHandle in = tiff::open(inStream, "r");
    if (!in) failCorrupt(inStream.errorText());
    const int count = TIFFNumberOfDirectories(in.get());
    if (count != page.count)
        throw Error(kNoSuchImage,
                    QStringLiteral("it now holds %1 image(s), not the %2 it held when image %3 "
                                   "was opened")
                        .arg(count)
                        .arg(page.count)
                        .arg(page.number));
    const auto edited = encodedPicture(image);

    // libtiff reads back what it wrote while it links the pages, so the file is put together
    // in memory; the caller writes it out in one go.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadWrite);
    Stream outStream;
    outStream.device = &buffer;
    TiffHandle out = tiff::open(outStream, TIFFIsBigTIFF(in.get()) ? "w8" : "w");
    if (!out) failWrite(outStream);
    for (int number = 1; number <= count; ++number) {
        if (!TIFFSetDirectory(in.get(), tdir_t(number - 1))) failCorrupt(inStream.errorText());
        if (number == page.number)
            writePage(edited->page(), in.get(), edited->tiff.get(), out.get(), outStream);
        else
            keepPage({in.get(), inStream}, number, limits, out.get(), outStream);
    }
    out.reset();
    buffer.close();
    return bytes;
}

}  // namespace imaging::codecs
