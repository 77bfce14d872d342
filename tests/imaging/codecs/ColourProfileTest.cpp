#include <QColorSpace>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <lcms2.h>

#include "../ImagingTesting.h"
#include "support/ReferenceTools.h"

// A file tagged with a wide-gamut profile, in any format that carries one, opens as Little
// CMS's transicc turns its samples into sRGB, within a level; an untagged file and one tagged
// sRGB keep their exact samples.

namespace {

using namespace imaging_testing;

// Display P3, as phones tag their photos: P3's primaries, D65 white, sRGB's curve.
QByteArray displayP3() {
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {
        {0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    const cmsFloat64Number srgbCurve[] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), 0);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(curve);
    return bytes;
}

// What transicc makes of every pixel's samples, perceptual intent, into its built-in sRGB.
QImage transiccToSrgb(const QImage& samples, const QString& profilePath) {
    QProcess transicc;
    transicc.start("transicc", {"-n", "-s", "-t0", "-i" + profilePath, "-o*sRGB"});
    for (int y = 0; y < samples.height(); ++y)
        for (int x = 0; x < samples.width(); ++x) {
            const QRgb p = samples.pixel(x, y);
            transicc.write(
                QString("%1 %2 %3\n").arg(qRed(p)).arg(qGreen(p)).arg(qBlue(p)).toUtf8());
        }
    transicc.closeWriteChannel();
    transicc.waitForFinished(60000);
    const QList<QByteArray> lines = transicc.readAllStandardOutput().split('\n');
    QImage out(samples.size(), QImage::Format_RGB32);
    qsizetype line = 0;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            while (line < lines.size() && lines[line].simplified().split(' ').size() != 3) ++line;
            const QList<QByteArray> v = line < lines.size() ? lines[line++].simplified().split(' ')
                                                            : QList<QByteArray>{"0", "0", "0"};
            out.setPixel(
                x, y,
                qRgb(qRound(v[0].toDouble()), qRound(v[1].toDouble()), qRound(v[2].toDouble())));
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
    {"avif_display_p3", displayP3, nullptr, {"avifenc", "--lossless", "%i", "%o"}},
    {"jxl_display_p3", displayP3, nullptr, {"cjxl", "-d", "0", "%i", "%o"}},
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
