#include <QImage>
#include <QTemporaryDir>
#include <QTransform>

#include <libheif/heif.h>
#include <sys/resource.h>

#include "../ImagingTesting.h"
#include "support/ReferenceTools.h"

// The photo formats of today, made by their reference encoders: lossless files give the
// picture back exactly, lossy ones the reference decoder's pixels; a file cut short is
// damaged, one whose header claims a huge picture is refused before it is decoded.

namespace {

using namespace imaging_testing;

struct PhotoFile {
    const char* name;
    QStringList encode;     // %i: a PNG of the picture, %o: the file made
    QStringList reference;  // decodes %o into the PNG %r; none: the picture itself is expected
    bool alpha = false;
    bool deep = false;     // the picture as 16 bits per sample, coded with 10
    bool bombable = true;  // its size lies in ISO media boxes ("ispe") a test can rewrite
};

void PrintTo(const PhotoFile& file, std::ostream* out) { *out << file.name; }

const PhotoFile kPhotoFiles[] = {
    {"heic", kHeifEncode, kHeifDecode},
    {"heic_alpha", kHeifEncode, kHeifDecode, true},
    {"heic_10_bits",
     {"heif-enc", "-b", "10", "-q", "80", "%i", "-o", "%o"},
     kHeifDecode,
     false,
     true},
    {"avif", kAvifEncode, kAvifDecode},
    {"avif_alpha", kAvifEncode, kAvifDecode, true},
    {"avif_10_bits",
     {"avifenc", "-d", "10", "%i", "%o"},
     {"avifdec", "-d", "8", "%o", "%r"},
     false,
     true},
    {"avif_lossless", kAvifLossless, {}},
    {"jxl", kJxlEncode, kJxlDecode, false, false, false},
    {"jxl_alpha", kJxlEncode, kJxlDecode, true, false, false},
    {"jxl_lossless", kJxlLossless, {}, false, false, false},
};

// The image as 8 bits per sample, a deep one reduced by dropping its low bits.
QImage eightBits(const QImage& image, bool alpha) {
    QImage deep = image.convertToFormat(QImage::Format_RGBA64);
    QImage out(image.size(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgba64 p = reinterpret_cast<const QRgba64*>(deep.constScanLine(y))[x];
            out.setPixel(
                x, y,
                qRgba(p.red() >> 8, p.green() >> 8, p.blue() >> 8, alpha ? p.alpha() >> 8 : 255));
        }
    return out;
}

// Refused as too large, in far less memory than its pixels would take.
::testing::AssertionResult refusedAsTooLarge(const QString& path) {
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const std::int32_t error = errorNumberOf([&] { decodeFile(path); });
    getrusage(RUSAGE_SELF, &after);
    if (error == imaging::kImageTooLarge && after.ru_maxrss - before.ru_maxrss < 32 * 1024)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "error " << error << ", peak grew by "
                                         << after.ru_maxrss - before.ru_maxrss << " KiB";
}

class PhotoFiles : public ::testing::TestWithParam<PhotoFile> {};

TEST_P(PhotoFiles, DecodeAsTheirReferenceDecoderAndRefuseDamage) {
    const PhotoFile& file = GetParam();
    QTemporaryDir folder;
    const QImage picture = photoLike(37, 23, file.alpha);
    ASSERT_TRUE((file.deep ? picture.convertToFormat(QImage::Format_RGBA64) : picture)
                    .save(folder.filePath("in.png")));
    const QString path = folder.filePath(file.name);
    ASSERT_TRUE(runTool(file.encode, folder, path)) << "scripts/install-deps.sh installs the tools";
    QImage expected = picture;
    if (!file.reference.isEmpty()) {
        ASSERT_TRUE(runTool(file.reference, folder, path));
        expected = eightBits(QImage(folder.filePath("reference.png")), file.alpha);
    }
    EXPECT_TRUE(samePixels(expected, decodeFile(path)));
    const codecs::FileFacts facts = codecs::inspect(path);
    EXPECT_EQ(QSize(facts.width, facts.height), picture.size());

    // Every image of it claiming 20000 x 20000 pixels: refused in far less memory than that.
    if (file.bombable) {
        QByteArray bomb = fileBytes(path);
        for (qsizetype at = bomb.indexOf("ispe"); at >= 0; at = bomb.indexOf("ispe", at + 1))
            bomb.replace(at + 8, 8, QByteArray::fromHex("00004e2000004e20"));
        QFile bombFile(folder.filePath("bomb"));
        ASSERT_TRUE(bombFile.open(QIODevice::WriteOnly) && bombFile.write(bomb) == bomb.size());
        bombFile.close();
        EXPECT_TRUE(refusedAsTooLarge(bombFile.fileName()));
    }

    QFile cut(path);
    ASSERT_TRUE(cut.open(QIODevice::ReadWrite) && cut.resize(cut.size() / 2));
    EXPECT_EQ(errorNumberOf([&] { decodeFile(path); }), imaging::kCorruptFile);
}

INSTANTIATE_TEST_SUITE_P(, PhotoFiles, ::testing::ValuesIn(kPhotoFiles), caseName);

// A grid of tiles is decoded at the grid's size, which the fuzzer found libheif does not hold
// to the image's declared 37 x 23: the grid's 18290 x 26980 must pass the limits first.
TEST(HeifGrid, AGridLargerThanItsImageIsRefusedBeforeItIsDecoded) {
    EXPECT_TRUE(
        refusedAsTooLarge(QUORVANE_FUZZ_CORPUS "/heif/found-grid-larger-than-its-image.heic"));
}

// A phone keeps its photo as the sensor saw it and says how to turn it (irot): shown turned,
// once; as stored when asked.
TEST(HeifOrientation, TurnsThePictureOnceAsItsContainerSays) {
    QTemporaryDir folder;
    const QString path = folder.filePath("turned.heic");
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_image_create(64, 32, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, 64, 32, 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    // Blue on the left quarter, red elsewhere.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            std::memcpy(plane + y * stride + x * 3, x < 16 ? "\0\0\xff" : "\xff\0\0", 3);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation_rotate_90_cw;
    const bool written =
        heif_context_encode_image(context, image, encoder, options, nullptr).code == 0 &&
        heif_context_write_to_file(context, path.toUtf8().constData()).code == 0;
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    ASSERT_TRUE(written);

    // Turned a quarter clockwise, the left quarter is the top one.
    const QImage upright = decodeFile(path);
    ASSERT_EQ(upright.size(), QSize(32, 64));
    EXPECT_LT(colorDistance(upright.pixel(16, 6), 0xFF0000FF), 24);
    EXPECT_LT(colorDistance(upright.pixel(16, 40), 0xFFFF0000), 24);
    EXPECT_EQ(codecs::inspect(path).width, 32);
    const QImage stored = codecs::decode(path, {1, false, {}});
    ASSERT_EQ(stored.size(), QSize(64, 32));
    EXPECT_LT(colorDistance(stored.pixel(6, 16), 0xFF0000FF), 24);
}

// The container's crop (clap), turn (irot) and mirror (imir), as avifenc writes them: applied
// once, in that order; the picture as stored when asked.
TEST(AvifOrientation, CropsTurnsAndMirrorsAsItsContainerSays) {
    QTemporaryDir folder;
    const QImage picture = photoLike(37, 23);
    ASSERT_TRUE(picture.save(folder.filePath("in.png")));
    const QString path = folder.filePath("turned.avif");
    const std::pair<QStringList, QImage> cases[] = {
        {{"--irot", "1"}, picture.transformed(QTransform().rotate(-90))},
        {{"--clap", "31,1,21,1,0,1,0,1", "--irot", "3", "--imir", "1"},
         picture.copy(3, 1, 31, 21).transformed(QTransform().rotate(90)).mirrored(true, false)}};
    for (const auto& [transforms, expected] : cases) {
        ASSERT_TRUE(
            runTool(QStringList{"avifenc", "--lossless"} + transforms + QStringList{"%i", "%o"},
                    folder, path));
        EXPECT_TRUE(samePixels(expected, decodeFile(path)));
        const codecs::FileFacts facts = codecs::inspect(path);
        EXPECT_EQ(QSize(facts.width, facts.height), expected.size());
        EXPECT_TRUE(samePixels(picture, codecs::decode(path, {1, false, {}})));
    }
}

}  // namespace
