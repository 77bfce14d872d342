#include "support/ImageFiles.h"

#include <tiffio.h>
#include <QImageWriter>
#include <QMap>
#include <QPainter>
#include <QtEndian>

#include <vector>

#include "support/ReferenceTools.h"

namespace testing_support {

namespace {

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray bigEndian(quint32 value) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    const QByteArray typed = QByteArray(type) + data;
    return bigEndian(quint32(data.size())) + typed + bigEndian(crc32(typed));
}

}  // namespace

QString writeImage(const QString& folder, const QString& name, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kRightColour);
    QPainter(&image).fillRect(0, 0, width / 2, height, kLeftColour);
    const QString path = QDir(folder).filePath(name);
    // The photo formats Qt does not write come from their encoders, without loss but for
    // HEIC's (whose colours are near, not exact).
    const QMap<QString, QStringList> encoders = {{"avif", imaging_testing::kAvifLossless},
                                                 {"jxl", imaging_testing::kJxlLossless},
                                                 {"heic", imaging_testing::kHeifEncode}};
    if (const auto encoder = encoders.find(QFileInfo(name).suffix()); encoder != encoders.end()) {
        QTemporaryDir png;
        image.save(png.filePath("in.png"));
        imaging_testing::runTool(*encoder, png, path);
        return path;
    }
    // Names without a known suffix (the short and extensionless ones) are PNG inside.
    const QByteArray suffix = QFileInfo(name).suffix().toLower().toLatin1();
    const bool known = QImageWriter::supportedImageFormats().contains(suffix);
    image.save(path, known ? suffix.constData() : "PNG", 95);
    return path;
}

QString writeTruncatedJpeg(const QString& folder, const QString& name) {
    const QString whole = writeImage(folder, name, 320, 240);
    QFile file(whole);
    if (file.open(QIODevice::ReadWrite)) file.resize(file.size() / 2);
    return whole;
}

QString writePngHeader(const QString& folder, const QString& name, quint32 width, quint32 height) {
    QByteArray header = bigEndian(width) + bigEndian(height);
    header += QByteArray::fromHex("0802000000");  // 8-bit RGB, no interlace
    // qCompress puts the length in front of a plain zlib stream.
    const QByteArray pixels = qCompress(QByteArray(64, '\0')).mid(4);
    const QByteArray bytes = QByteArray::fromHex("89504e470d0a1a0a") + pngChunk("IHDR", header) +
                             pngChunk("IDAT", pixels) + pngChunk("IEND", {});
    QFile file(QDir(folder).filePath(name));
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return file.fileName();
}

QString writeMultiPageTiff(const QString& folder, const QString& name, const QList<QSize>& pages) {
    const QString path = QDir(folder).filePath(name);
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff) return path;
    for (qsizetype n = 0; n < pages.size(); ++n) {
        const QSize size = pages[n];
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, std::uint32_t(size.width()));
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, std::uint32_t(size.height()));
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, std::uint32_t(size.height()));
        std::vector<unsigned char> row(std::size_t(size.width()), (unsigned char)(40 * (n + 1)));
        for (int y = 0; y < size.height(); ++y)
            TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0);
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
    return path;
}

}  // namespace testing_support
