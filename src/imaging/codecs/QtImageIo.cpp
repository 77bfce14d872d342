#include "imaging/codecs/QtImageIo.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <mutex>

#include "imaging/codecs/CodecSupport.h"
#include "imaging/codecs/ColourProfile.h"

namespace imaging::codecs {
namespace {

QByteArray rawBytes(Bytes data) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                   qsizetype(data.size()));
}

// Qt's limit is process-wide, so it is only ever raised, under a lock, and only to what an
// image that already passed our limits needs (8 bytes a pixel covers Qt's 16-bit formats).
void allowAllocationFor(QSize size) {
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    const qint64 megabytes = (qint64(size.width()) * size.height() * 8 >> 20) + 1;
    const int current = QImageReader::allocationLimit();
    if (current != 0 && current < megabytes)
        QImageReader::setAllocationLimit(int(std::min<qint64>(megabytes, INT_MAX)));
}

[[noreturn]] void failRead(const QImageReader& reader) {
    const QString detail = reader.errorString();
    if (reader.error() == QImageReader::UnsupportedFormatError) failUnsupported(detail);
    failCorrupt(detail);
}

int imageCountOf(QImageReader& reader) {
    const int count = reader.imageCount();
    return count > 0 ? count : 1;
}

}  // namespace

QtFacts inspectWithQt(Bytes data, const char* format) {
    QByteArray bytes = rawBytes(data);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    if (!reader.canRead()) failRead(reader);
    QtFacts facts;
    facts.size = reader.size();
    facts.imageCount = imageCountOf(reader);
    facts.depth = QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel();
    if (!facts.size.isValid()) failCorrupt(QStringLiteral("the image size cannot be read"));
    return facts;
}

QImage decodeWithQt(Bytes data, const char* format, const DecodeOptions& options) {
    QByteArray bytes = rawBytes(data);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(options.autoOrient);
    if (!reader.canRead()) failRead(reader);
    const int count = imageCountOf(reader);
    if (options.imageNumber < 1 || options.imageNumber > count)
        throw Error(kNoSuchImage,
                    QStringLiteral("it holds %1 image(s), so there is no image number %2")
                        .arg(count)
                        .arg(options.imageNumber));
    auto checkSize = [&] {
        const QSize size = reader.size();
        if (!size.isValid()) failCorrupt(QStringLiteral("the image size cannot be read"));
        checkLimits(size.width(), size.height(), options.limits);
        allowAllocationFor(size);
    };
    checkSize();
    // Animations cannot jump; their frames are read in turn.
    if (options.imageNumber > 1 && !reader.jumpToImage(options.imageNumber - 1))
        for (int skipped = 1; skipped < options.imageNumber; ++skipped) {
            if (reader.read().isNull()) failRead(reader);
        }
    checkSize();
    QImage image;
    if (!reader.read(&image)) failRead(reader);
    // Qt's readers hand the embedded profile over untouched; the pixels are made sRGB here as
    // our own readers make theirs, and carry no profile after, as theirs do not.
    const QByteArray iccProfile = image.colorSpace().iccProfile();
    image.setColorSpace(QColorSpace());
    image = normalized(std::move(image));
    convertToSrgb(image, iccProfile);
    return image;
}

}  // namespace imaging::codecs
