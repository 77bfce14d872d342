#include <QColorSpace>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "../ImagingTesting.h"
#include "support/ReferenceTools.h"

// A file tagged with a wide-gamut profile, in any format that carries one, opens as Little
// CMS's transicc turns its samples into sRGB, within a level; an untagged file and one tagged
// sRGB keep their exact samples.

namespace {

using namespace imaging_testing;

// Display P3, as phones tag their photos: P3's primaries, D65 white, sRGB's curve (made by
// Little CMS for the fuzzing corpus).
QByteArray displayP3() { return fileBytes(QUORVANE_FUZZ_CORPUS "/icc/display-p3.icc"); }

// What transicc makes of every pixel's samples, perceptual intent, into its built-in sRGB.
QImage transiccToSrgb(const QImage& samples, const QString& profilePath) {
    QProcess transicc;
    transicc.start("transicc", {"-n", "-s", "-t0", "-i" + profilePath, "-o*sRGB"});
    for (int i = 0; i < samples.width() * samples.height(); ++i) {
        const QRgb p = samples.pixel(i % samples.width(), i / samples.width());
        transicc.write(QString("%1 %2 %3\n").arg(qRed(p)).arg(qGreen(p)).arg(qBlue(p)).toUtf8());
    }
    transicc.closeWriteChannel();
    transicc.waitForFinished(60000);
    QTextStream numbers(transicc.readAllStandardOutput());
    QImage out(samples.size(), QImage::Format_RGB32);
    for (int i = 0; i < out.width() * out.height(); ++i) {
        double r = -1, g = -1, b = -1;
        numbers >> r >> g >> b;
        out.setPixel(i % out.width(), i / out.width(), qRgb(qRound(r), qRound(g), qRound(b)));
    }
    return out;
}

QByteArray srgb() { return QColorSpace(QColorSpace::SRgb).iccProfile(); }
QByteArray untagged() { return {}; }

struct Tagged {
    const char* name;
    QByteArray (*profile)();
    const char* format;          // written by Qt's writer, which embeds the profile
    QStringList encode = {};     // else made from a tagged PNG by the format's encoder
    QStringList reference = {};  // whose samples its decoder gives; none: the PNG's, exactly
};

void PrintTo(const Tagged& tagged, std::ostream* out) { *out << tagged.name; }

const Tagged kTagged[] = {
    {"png_display_p3", displayP3, "PNG"},
    {"jpeg_display_p3", displayP3, "JPG"},
    {"tiff_display_p3", displayP3, "TIFF"},
    {"webp_display_p3", displayP3, "WEBP"},
    {"heic_display_p3", displayP3, nullptr, kHeifEncode, kHeifDecode},
    {"avif_display_p3", displayP3, nullptr, kAvifLossless},
    {"jxl_display_p3", displayP3, nullptr, kJxlLossless},
    {"png_srgb", srgb, "PNG"},
    {"jpeg_untagged", untagged, "JPG"},
};

class TaggedFiles : public ::testing::TestWithParam<Tagged> {};

TEST_P(TaggedFiles, OpenInSrgbAsLittleCmsConvertsThem) {
    const Tagged& tagged = GetParam();
    QTemporaryDir folder;
    const QByteArray profile = tagged.profile();
    QImage picture = photoLike(37, 23);
    if (!profile.isEmpty()) picture.setColorSpace(QColorSpace::fromIccProfile(profile));
    const QString path = folder.filePath(tagged.name);
    QImage samples;
    if (tagged.format) {
        ASSERT_TRUE(picture.save(path, tagged.format, 95));
        // The samples as stored: Qt's readers leave them alone.
        samples = QImage(path);
    } else {
        ASSERT_TRUE(picture.save(folder.filePath("in.png")));
        ASSERT_TRUE(runTool(tagged.encode, folder, path));
        samples = picture;
        if (!tagged.reference.isEmpty()) {
            ASSERT_TRUE(runTool(tagged.reference, folder, path));
            samples = QImage(folder.filePath("reference.png"));
        }
    }
    samples = samples.convertToFormat(QImage::Format_RGB32);
    const QImage ours = decodeFile(path);
    if (tagged.profile != displayP3) {
        EXPECT_TRUE(samePixels(samples, ours));
        return;
    }
    QFile iccFile(folder.filePath("profile.icc"));
    ASSERT_TRUE(iccFile.open(QIODevice::WriteOnly) && iccFile.write(profile) == profile.size());
    iccFile.close();
    EXPECT_FALSE(samePixels(samples, ours, 1)) << "P3's colours are wider than sRGB's";
    EXPECT_TRUE(samePixels(transiccToSrgb(samples, iccFile.fileName()), ours, 1));
}

INSTANTIATE_TEST_SUITE_P(, TaggedFiles, ::testing::ValuesIn(kTagged), caseName);

}  // namespace
