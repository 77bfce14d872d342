#include <QColorSpace>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <lcms2.h>

#include "../ImagingTesting.h"

// A file tagged with a wide-gamut profile opens as Little CMS's transicc turns its samples into
// sRGB, within a level; an untagged file and one tagged sRGB keep their exact samples.

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

struct Tagged {
    const char* name;
    const char* format;
    QByteArray (*profile)();
};

void PrintTo(const Tagged& tagged, std::ostream* out) { *out << tagged.name; }

const Tagged kTagged[] = {
    {"png_display_p3", "PNG", displayP3},
    {"jpeg_display_p3", "JPG", displayP3},
    {"png_srgb", "PNG", [] { return QColorSpace(QColorSpace::SRgb).iccProfile(); }},
    {"jpeg_untagged", "JPG", [] { return QByteArray(); }},
};

class TaggedFiles : public ::testing::TestWithParam<Tagged> {};

TEST_P(TaggedFiles, OpenInSrgbAsLittleCmsConvertsThem) {
    const Tagged& tagged = GetParam();
    QTemporaryDir folder;
    const QByteArray profile = tagged.profile();
    QImage picture = photoLike(37, 23);
    if (!profile.isEmpty()) picture.setColorSpace(QColorSpace::fromIccProfile(profile));
    const QString path = folder.filePath(tagged.name);
    ASSERT_TRUE(picture.save(path, tagged.format, 95));
    // The samples as stored: Qt's readers leave them alone.
    const QImage samples = QImage(path).convertToFormat(QImage::Format_RGB32);
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
