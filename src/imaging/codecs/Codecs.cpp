#include "imaging/codecs/Codecs.h"

#include <QDir>
#include <functional>
#include <new>

#include "imaging/Error.h"
#include "imaging/codecs/AtomicFile.h"
#include "imaging/codecs/BmpCodec.h"
#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/EmfCodec.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/FormatSniffer.h"
#include "imaging/codecs/HeifCodec.h"
#include "imaging/codecs/JpegCodec.h"
#include "imaging/codecs/JxlCodec.h"
#include "imaging/codecs/PcxCodec.h"
#include "imaging/codecs/PngCodec.h"
#include "imaging/codecs/ReadOnlyFormats.h"
#include "imaging/codecs/TgaCodec.h"
#include "imaging/codecs/TiffCodec.h"
#include "imaging/codecs/TiffPages.h"
#include "imaging/codecs/WmfCodec.h"

namespace imaging::codecs {
namespace {

// The codecs' short details, put into a sentence that names the file.
Error namingFile(const Error& error, const QString& path, bool writing) {
    const QString file = QDir::toNativeSeparators(path);
    QString lead;
    switch (writing ? kWriteFailed : error.number) {
        case kFileNotFound:
            lead = QStringLiteral("The file \"%1\" could not be opened");
            break;
        case kUnsupportedFile:
            lead = QStringLiteral("The file \"%1\" is not an image this program can read");
            break;
        case kCorruptFile:
            lead = QStringLiteral("The image file \"%1\" is damaged or incomplete");
            break;
        case kImageTooLarge:
            lead = QStringLiteral("The image \"%1\" is too large");
            break;
        case kNoSuchImage:
            lead = QStringLiteral("The file \"%1\" has no such image");
            break;
        case kOutOfMemory:
            lead = QStringLiteral("There is not enough memory for the image \"%1\"");
            break;
        case kWriteFailed:
            lead = QStringLiteral("The file \"%1\" could not be written");
            break;
        default:
            lead = QStringLiteral("\"%1\"");
    }
    return Error(error.number,
                 lead.arg(file) + QStringLiteral(": ") + error.description + QLatin1Char('.'),
                 error.source);
}

template <typename Work>
auto namingFileOnError(const QString& path, Work&& work, bool writing = false) {
    try {
        return work();
    } catch (const Error& error) {
        throw namingFile(error, path, writing);
    } catch (const std::bad_alloc&) {
        throw namingFile(Error(kOutOfMemory, QStringLiteral("the memory ran out")), path, writing);
    }
}

FileKind kindOf(Bytes data) {
    const FileKind kind = sniffFormat(data);
    if (kind == FileKind::Unknown)
        failUnsupported(data.empty() ? QStringLiteral("the file is empty")
                                     : QStringLiteral("its content is not a known image format"));
    return kind;
}

FileFacts inspectBytes(FileKind kind, Bytes data, const DecodeLimits& limits) {
    switch (kind) {
        case FileKind::Jpeg:
            return inspectJpeg(data);
        case FileKind::Png:
            return inspectPng(data);
        case FileKind::Tiff:
            return inspectTiff(data);
        case FileKind::Pcx:
            return inspectPcx(data);
        case FileKind::Tga:
            return inspectTga(data);
        case FileKind::Bmp:
            return inspectBmp(data);
        case FileKind::Wmf:
            return inspectWmf(data, limits);
        case FileKind::Emf:
            return inspectEmf(data, limits);
        case FileKind::Gif:
            return inspectGif(data);
        case FileKind::WebP:
            return inspectWebP(data);
        case FileKind::Heif:
        case FileKind::Avif:
            return inspectHeif(data);
        case FileKind::JpegXl:
            return inspectJpegXl(data);
        default:
            return inspectIcon(data);
    }
}

QImage decodeBytes(FileKind kind, Bytes data, const DecodeOptions& options) {
    const bool several = kind == FileKind::Tiff || kind == FileKind::Gif ||
                         kind == FileKind::WebP || kind == FileKind::Icon;
    if (!several && options.imageNumber != 1)
        throw Error(kNoSuchImage,
                    QStringLiteral("it holds one image, so there is no image number %1")
                        .arg(options.imageNumber));
    switch (kind) {
        case FileKind::Jpeg:
            return decodeJpeg(data, options);
        case FileKind::Png:
            return decodePng(data, options);
        case FileKind::Tiff:
            return decodeTiff(data, options);
        case FileKind::Pcx:
            return decodePcx(data, options.limits);
        case FileKind::Tga:
            return decodeTga(data, options.limits);
        case FileKind::Bmp:
            return decodeBmp(data, options.limits);
        case FileKind::Wmf:
            return decodeWmf(data, options.limits);
        case FileKind::Emf:
            return decodeEmf(data, options.limits);
        case FileKind::Gif:
            return decodeGif(data, options);
        case FileKind::WebP:
            return decodeWebP(data, options);
        case FileKind::Heif:
        case FileKind::Avif:
            return decodeHeif(data, options);
        case FileKind::JpegXl:
            return decodeJpegXl(data, options);
        default:
            return decodeIcon(data, options);
    }
}

// Written beside the target and renamed over it, so a failure leaves the old file. A writer
// that gives up at a failed write says so in its library's words ("Output file write error");
// the system's reason ("No space left on device") is what the user can act on.
void writeAtomically(const QString& path, bool durable,
                     const std::function<void(QIODevice&)>& write) {
    AtomicFile file(path, durable);
    try {
        write(file);
    } catch (const Error&) {
        if (file.failed()) throw Error(kWriteFailed, file.failure());
        throw;
    }
    file.commit();
}

void requireBits(int bits, const char* format) {
    if (bits != 8 && bits != 24)
        throw Error(kInvalidArgument,
                    QStringLiteral("%1 files are written with 8 or 24 bits per pixel, not %2.")
                        .arg(QLatin1String(format))
                        .arg(bits));
}

}  // namespace

FileFacts inspect(const QString& path, const DecodeLimits& limits) {
    return namingFileOnError(path, [&] {
        const FileBytes file(path);
        const FileKind kind = kindOf(file.bytes());
        FileFacts facts = inspectBytes(kind, file.bytes(), limits);
        facts.formatCode = formatCodeOf(kind);
        return facts;
    });
}

QImage decode(const QString& path, const DecodeOptions& options, int* formatCode) {
    return namingFileOnError(path, [&] {
        const FileBytes file(path);
        const FileKind kind = kindOf(file.bytes());
        QImage image = decodeBytes(kind, file.bytes(), options);
        if (formatCode) *formatCode = formatCodeOf(kind);
        return image;
    });
}

QImage decodeThumbnail(const QString& path, QSize box, const DecodeLimits& limits) {
    if (box.width() < 1 || box.height() < 1)
        throw Error(kInvalidArgument,
                    QStringLiteral("A preview needs a box of at least one pixel."));
    const QImage image = namingFileOnError(path, [&] {
        const FileBytes file(path);
        const FileKind kind = kindOf(file.bytes());
        DecodeOptions options;
        options.limits = limits;
        if (kind == FileKind::Jpeg) return decodeJpeg(file.bytes(), options, box);
        if (kind == FileKind::Heif || kind == FileKind::Avif)
            return decodeHeif(file.bytes(), options, box);
        return decodeBytes(kind, file.bytes(), options);
    });
    if (image.width() <= box.width() && image.height() <= box.height()) return image;
    return normalized(image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void encode(const QImage& image, const QString& path, int formatCode,
            const EncodeOptions& options) {
    if (image.isNull()) throw Error(kNoImage, QStringLiteral("There is no image to save."));
    std::function<void(QIODevice&)> write;
    switch (formatCode) {
        case kFormatJpeg:
            requireBits(options.bits, "JPEG");
            write = [&](QIODevice& out) { encodeJpeg(image, options, out); };
            break;
        case kFormatPng:
            write = [&](QIODevice& out) { encodePng(image, options.interlaced, out); };
            break;
        case kFormatTiff:
            write = [&](QIODevice& out) { encodeTiff(image, out); };
            break;
        case kFormatPcx:
            write = [&](QIODevice& out) { encodePcx(image, out); };
            break;
        case kFormatTga:
            write = [&](QIODevice& out) { encodeTga(image, options.rle, out); };
            break;
        case kFormatBmp:
            requireBits(options.bits, "BMP");
            write = [&](QIODevice& out) { encodeBmp(image, options.bits, out); };
            break;
        case kFormatWmf:
            write = [&](QIODevice& out) { encodeWmf(image, options.placeable, out); };
            break;
        case kFormatEmf:
            write = [&](QIODevice& out) { encodeEmf(image, out); };
            break;
        default:
            throw Error(kUnknownFormat,
                        QStringLiteral("Images cannot be saved in format %1.").arg(formatCode));
    }
    namingFileOnError(
        path, [&] { writeAtomically(path, options.durable, write); }, true);
}

void encodeTiffPage(const QImage& image, const QString& path, PageOfFile page,
                    const DecodeLimits& limits) {
    if (image.isNull()) throw Error(kNoImage, QStringLiteral("There is no image to save."));
    namingFileOnError(
        path,
        [&] {
            QByteArray bytes;
            try {
                const FileBytes file(path);
                if (sniffFormat(file.bytes()) != FileKind::Tiff)
                    failUnsupported(QStringLiteral("it is no longer a TIFF file"));
                bytes = tiffReplacingPage(file.bytes(), page, image, limits);
            } catch (const Error& error) {
                if (error.number == kWriteFailed) throw;
                // A one-page file in place of the user's pages would lose them without a word.
                throw Error(kWriteFailed,
                            QStringLiteral("its other pages could not be read back, so nothing "
                                           "was written (%1)")
                                .arg(error.description));
            }
            writeAtomically(path, true, [&](QIODevice& out) {
                if (out.write(bytes) != bytes.size()) throw Error(kWriteFailed, out.errorString());
            });
        },
        true);
}

}  // namespace imaging::codecs
