#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "../ImagingTesting.h"

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
    bool deep = false;  // the picture as 16 bits per sample, coded with 10
    // libavif's conversion from YUV rounds differently from libheif's, by a level at most.
    int tolerance = 0;
};

void PrintTo(const PhotoFile& file, std::ostream* out) { *out << file.name; }

const QStringList kHeifEncode = {"heif-enc", "-q", "80", "%i", "-o", "%o"};
const QStringList kHeifDecode = {"heif-convert", "%o", "%r"};

const PhotoFile kPhotoFiles[] = {
    {"heic", kHeifEncode, kHeifDecode},
    {"heic_alpha", kHeifEncode, kHeifDecode, true},
    {"heic_10_bits",
     {"heif-enc", "-b", "10", "-q", "80", "%i", "-o", "%o"},
     kHeifDecode,
     false,
     true},
    {"avif", {"avifenc", "%i", "%o"}, {"avifdec", "%o", "%r"}, false, false, 1},
    {"avif_alpha", {"avifenc", "%i", "%o"}, {"avifdec", "%o", "%r"}, true, false, 1},
    {"avif_lossless", {"avifenc", "--lossless", "%i", "%o"}, {}},
};

bool run(QStringList command, const QTemporaryDir& folder, const QString& out) {
    for (QString& argument : command)
        argument.replace("%i", folder.filePath("in.png"))
            .replace("%o", out)
            .replace("%r", folder.filePath("reference.png"));
    QProcess tool;
    tool.start(command.takeFirst(), command);
    return tool.waitForFinished(60000) && tool.exitCode() == 0;
}

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

class PhotoFiles : public ::testing::TestWithParam<PhotoFile> {};

TEST_P(PhotoFiles, DecodeAsTheirReferenceDecoderAndRefuseDamage) {
    const PhotoFile& file = GetParam();
    QTemporaryDir folder;
    const QImage picture = photoLike(37, 23, file.alpha);
    ASSERT_TRUE((file.deep ? picture.convertToFormat(QImage::Format_RGBA64) : picture)
                    .save(folder.filePath("in.png")));
    const QString path = folder.filePath(file.name);
    ASSERT_TRUE(run(file.encode, folder, path)) << "scripts/install-deps.sh installs the tools";
    QImage expected = picture;
    if (!file.reference.isEmpty()) {
        ASSERT_TRUE(run(file.reference, folder, path));
        expected = eightBits(QImage(folder.filePath("reference.png")), file.alpha);
    }
    EXPECT_TRUE(samePixels(expected, decodeFile(path), file.tolerance));
    const codecs::FileFacts facts = codecs::inspect(path);
    EXPECT_EQ(QSize(facts.width, facts.height), picture.size());

    QFile cut(path);
    ASSERT_TRUE(cut.open(QIODevice::ReadWrite) && cut.resize(cut.size() / 2));
    EXPECT_EQ(errorNumberOf([&] { decodeFile(path); }), imaging::kCorruptFile);
}

INSTANTIATE_TEST_SUITE_P(, PhotoFiles, ::testing::ValuesIn(kPhotoFiles), caseName);

}  // namespace
