#include <sys/resource.h>

#include <QDir>
#include <QDirIterator>

#include "HandMadeFiles.h"
#include "imaging/ImgX.h"
#include "imaging/codecs/ColourProfile.h"

// Damaged and lying files are refused with their reason before their pixels are allocated,
// when opened and when previewed; the densest honest files still open; and every file of the
// fuzzers' corpus decodes or fails cleanly.
namespace {

using namespace imaging_testing;
using namespace imaging;  // the error numbers

constexpr int kSide = 16384;  // 1 GiB decoded, just within the decode limits

QByteArray segment(int marker, const QByteArray& body) {
    const int length = int(body.size()) + 2;
    return QByteArray("\xFF", 1) + char(marker) + char(length >> 8) + char(length) + body;
}

// Three components at 4:2:0, as cameras write them, and a few bytes of scan data; Huffman
// files take the standard tables libjpeg supplies when a file has none.
QByteArray jpegBomb(int side, int frameMarker, const QByteArray& spectralSelection) {
    const QByteArray frame = Bytes()
                                 .u8(8, side >> 8, side & 0xFF, side >> 8, side & 0xFF, 3, 1, 0x22,
                                     0, 2, 0x11, 0, 3, 0x11, 0)
                                 .data;
    const QByteArray scan = Bytes().u8(3, 1, 0, 2, 0x11, 3, 0x11).raw(spectralSelection).data;
    return QByteArray("\xFF\xD8", 2) + segment(0xDB, QByteArray(1, '\0') + QByteArray(64, 1)) +
           segment(frameMarker, frame) + segment(0xDA, scan) + QByteArray(16, '\0') +
           QByteArray("\xFF\xD9", 2);
}

QByteArray pngHeader(std::uint32_t side) {
    QByteArray ihdr("\0\0\0\x0DIHDR", 8);
    for (int i = 0; i < 2; ++i)
        for (int shift = 24; shift >= 0; shift -= 8) ihdr.append(char(side >> shift));
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + ihdr + QByteArray("\x08\x02\0\0\0\0\0\0\0", 9);
}

// A bare JPEG XL codestream, its bits read from the low end: not a small size (0), an 18-bit
// height (selector 2) of side - 1, width in ratio 1 (the same), then all-default metadata (1).
QByteArray jxlHeader(std::uint32_t side) {
    const std::uint32_t bits = 2u << 1 | (side - 1) << 3 | 1u << 21;
    return QByteArray("\xFF\x0A", 2) + char(bits) + char(bits >> 8) + char(bits >> 16) + char(1);
}

// A refused file; `reason` is what follows "The image file "..." is damaged or incomplete: ".
struct Refused {
    const char* name;
    QByteArray file;
    std::int32_t error;
    QString reason = {};
};

QString cannotHold(int bytes) {
    return QStringLiteral("%1 bytes of compressed data cannot hold 16384 x 16384 pixels")
        .arg(bytes);
}

std::vector<Refused> refusedFiles() {
    const QByteArray end("\0\1", 2), zeros(16, '\0'), whole("\0\x3F\0", 3);
    const QString pastTheEnd = QStringLiteral("strip 1 reaches past the end of the file");
    const QString endsEarly = QStringLiteral("the pixel data ends early");
    const auto tiffBomb = [&](int compression, QByteArray data, std::int64_t declared = -1) {
        return tiffFile({{kSide, kSide, data, compression, 1, declared}});
    };
    const auto rle = [](int bits, QByteArray runs) {
        return bmp(kSide, kSide, bits, bits == 8 ? 1 : 2, std::vector<QRgb>(1u << bits), runs);
    };
    return {{"BmpTruncated", bmp(10, 10, 24, 0, {}, QByteArray(100, '\0')), kCorruptFile},
            {"BmpRleEndsEarly", bmp(4, 4, 8, 1, {K, R}, Bytes().u8(4, 1, 0, 0).data), kCorruptFile},
            {"BmpEmbeddedJpeg", bmp(2, 2, 0, 4, {}, zeros), kUnsupportedFile},
            {"BmpBomb", bmp(20000, 20000, 24, 0, {}, QByteArray(64, '\0')), kImageTooLarge},
            {"PcxTruncated", pcx(8, 3, 4, 4, 4, false).fill(20).data, kCorruptFile},
            {"PcxBomb", pcx(8, 3, 20000, 20000, 20000).u8(0xFF, 0).data, kImageTooLarge},
            {"TgaHuffman", withFooter(tga(32, 8, 4, 4, 0).fill(16)), kUnsupportedFile},
            {"TgaBomb", withFooter(tga(10, 24, 20000, 20000, 0).u8(0xFF).fill(3)), kImageTooLarge},
            {"PngBomb", pngHeader(20000), kImageTooLarge},
            {"TiffBomb", tiffFile({{20000, 20000, zeros}}), kImageTooLarge},
            {"JxlBomb", jxlHeader(20000), kImageTooLarge},
            // Within the limits, but far too short for the size they claim.
            {"BmpRle8EndOfBitmap", rle(8, end), kCorruptFile, cannotHold(2)},
            // Each delta moves 255 lines down: 64 of them cross the whole image.
            {"BmpRle8Deltas", rle(8, QByteArray("\0\x02\xFF\xFF", 4).repeated(64) + end),
             kCorruptFile, cannotHold(258)},
            {"BmpRle8EndOfLines", rle(8, QByteArray(2, '\0').repeated(kSide)), kCorruptFile,
             cannotHold(32768)},
            {"JpegBaseline", jpegBomb(kSide, 0xC0, whole), kCorruptFile, cannotHold(18)},
            {"JpegProgressive", jpegBomb(kSide, 0xC2, QByteArray(3, '\0')), kCorruptFile,
             cannotHold(18)},
            {"JpegArithmetic", jpegBomb(kSide, 0xC9, whole), kCorruptFile, cannotHold(18)},
            {"JxlHeaderOnly", jxlHeader(kSide), kCorruptFile, cannotHold(6)},
            // libtiff puts the byte count of a single uncompressed strip too short for the page
            // at the page's size.
            {"TiffUncompressed", tiffBomb(1, zeros), kCorruptFile, pastTheEnd},
            {"TiffStripPastTheEnd", tiffBomb(8, zeros, 1 << 30), kCorruptFile, pastTheEnd},
            {"TiffPackBits", tiffBomb(32773, QByteArray(16, '\x81')), kCorruptFile, cannotHold(16)},
            {"TiffLzw", tiffBomb(5, zeros), kCorruptFile, cannotHold(16)},
            {"TiffJpeg", tiffBomb(7, zeros), kCorruptFile, cannotHold(16)},
            {"TiffFaxGroup4", tiffBomb(4, zeros), kCorruptFile, cannotHold(16)},
            {"PcxRle", pcx(8, 1, kSide, kSide, kSide).u8(0xFF, 0, 0xFF, 0).data, kCorruptFile,
             endsEarly},
            {"TgaRle", withFooter(tga(10, 24, kSide, kSide, 0).u8(0xFF).fill(3)), kCorruptFile,
             endsEarly}};
}

long peakKiB() {
    rusage usage{};
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : 0;
}

class RefusedFile : public testing::TestWithParam<Refused> {};

// Opened, and previewed as the show list's browser does (a JPEG at 1/8 of its size): refused
// with the right error and reason, in less memory than a bomb's pixels would take.
TEST_P(RefusedFile, IsRefusedBeforeItsPixelsAreAllocated) {
    const Refused& r = GetParam();
    TempFolder folder;
    const QString path = folder.write(QStringLiteral("bad"), r.file);
    if (r.error == kImageTooLarge || !r.reason.isEmpty()) {
        EXPECT_GE(codecs::inspect(path).width, kSide) << "still described";
    }
    const std::function<void()> openings[] = {[&] { decodeFile(path); },
                                              [&] {
                                                  ImgX engine;
                                                  engine.viewer().Thumbnail(path, QSize(204, 204));
                                              }};
    // Each case runs in a process of its own, so the peak before is that of a fresh start.
    const long before = peakKiB();
    for (const auto& work : openings) {
        const Error error = errorOf(work);
        EXPECT_EQ(error.number, r.error);
        if (!r.reason.isEmpty()) {
            EXPECT_EQ(error.description,
                      QStringLiteral("The image file \"%1\" is damaged or incomplete: %2.")
                          .arg(QDir::toNativeSeparators(path), r.reason));
        }
    }
    EXPECT_LT(peakKiB() - before, 32 * 1024);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFile, testing::ValuesIn(refusedFiles()), caseName);

// A file as densely packed as its encoder can, deflate at zlib's best level: 16 million pixels
// in a few kilobytes. The guard against bombs must let it open.
TEST(DenseFile, OpensPixelForPixel) {
    TempFolder folder;
    QByteArray flat(4000 * 4000, char(128));
    flat = qCompress(flat, 9).mid(4);
    const QString tiff = folder.write("deflate.tif", tiffFile({{4000, 4000, flat, 8}}));
    QImage grey(4000, 4000, QImage::Format_RGB32);
    grey.fill(qRgb(128, 128, 128));
    EXPECT_EQ(decodeFile(tiff), grey);
}

// The seeds and the inputs that once crashed a codec, through the public decoder of the
// ordinary build.
TEST(FuzzCorpus, EveryFileDecodesOrFailsCleanly) {
    const QString root = QStringLiteral(QUORVANE_FUZZ_CORPUS);
    const codecs::DecodeLimits limits{1 << 22, std::int64_t(1) << 24};
    int files = 0;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); ++files) {
        const QString path = it.next();
        SCOPED_TRACE(path.toStdString());
        if (path.contains("/icc/")) {  // a colour profile: the picture keeps its alpha
            const QImage before = randomImage(8, 8, QImage::Format_ARGB32, 1);
            QImage after = before.copy();
            codecs::convertToSrgb(after, fileBytes(path));
            for (int i = 0; i < 64; ++i)
                EXPECT_EQ(qAlpha(after.pixel(i % 8, i / 8)), qAlpha(before.pixel(i % 8, i / 8)));
            continue;
        }
        try {
            const QImage image = codecs::decode(path, {1, true, limits});
            EXPECT_TRUE(image.format() == QImage::Format_RGB32 ||
                        image.format() == QImage::Format_ARGB32);
        } catch (const Error& error) {
            EXPECT_FALSE(error.description.isEmpty());
        }
        errorNumberOf([&] { codecs::inspect(path, limits); });  // a description or an error
    }
    EXPECT_GE(files, 25) << "corpus not found under " << root.toStdString();
}

}  // namespace
