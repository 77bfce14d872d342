#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "imaging/Error.h"
#include "imaging/ImgX.h"
#include "imaging/codecs/Codecs.h"
#include "showlist/BitmapBackup.h"
#include "support/HostileNames.h"
#include "support/QtPrinting.h"
#include "support/SmallDisk.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"
#include "support/ReferenceTools.h"

namespace {

struct Outcome {
    int code = -1;
    QString out, err;
};

// quorvane-img as a user runs it, without a display: its exit status and what it printed.
Outcome run(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUORVANE_IMG), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

class ImgTool : public ::testing::Test {
protected:
    // 9 x 5 of graded colours; `fileName` names it.
    QString photo(const QString& fileName = QStringLiteral("in.png")) {
        QImage image(9, 5, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 25, y * 50, 99));
        image.save(at(fileName), "PNG");
        return at(fileName);
    }
    QString at(const QString& name) { return folder.filePath(name); }
    testing_support::TempFolder folder;
};

class HostileFileNames : public ImgTool,
                         public ::testing::WithParamInterface<testsupport::HostileName> {};

// The files are named as the user named them; the operations run in order as in the engine.
TEST_P(HostileFileNames, AreReadAndWrittenAsNamedAndTheOperationsRunInOrder) {
    const QString in = photo(GetParam().name + ".png"), out = at(GetParam().name + " out.png");
    const Outcome outcome = run(
        {in, out, "flip", "h", "rotate", "90", "crop", "1", "1", "3", "4", "grayscale", "info"});
    ASSERT_EQ(outcome.code, 0) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.out.startsWith("3x4 ")) << outcome.out.toStdString();
    imaging::ImgX expected, written;
    expected.canvas().LoadFile(in, 1, 0);
    expected.effects().Flip(0, 0);
    expected.effects().Rotate(90, 0, 0);
    expected.effects().Crop(1, 1, 3, 4, 0);
    expected.effects().Grayscale(0);
    written.canvas().LoadFile(out, 1, 0);
    EXPECT_EQ(written.image(), expected.image());
}

INSTANTIATE_TEST_SUITE_P(Names, HostileFileNames, ::testing::ValuesIn(testsupport::hostileNames()),
                         [](const auto& info) { return std::string(info.param.label); });

// Options go before the files or after them.
TEST_F(ImgTool, MakesMergesAndWritesEightOrTwentyFourBitsAsAsked) {
    ASSERT_EQ(run({"-", at("top.bmp"), "blank", "6", "4", "#336699"}).code, 0);
    EXPECT_EQ(QImage(at("top.bmp")).pixel(5, 3), 0xFF336699u);
    EXPECT_TRUE(run({photo(), "-", "merge", at("top.bmp"), "3", "1", "100", "info"})
                    .out.startsWith("9x5 "));
    for (const QString out : {"8.bmp", "24.bmp", "8.jpg", "24.jpg"}) {
        const QString bits = out.section('.', 0, 0);
        ASSERT_EQ(run((bits == "8" ? QStringList{"--bits", bits, photo(), at(out)}
                                   : QStringList{photo(), at(out), "--bits", bits}) +
                      QStringList{"flip", "h"})
                      .code,
                  0);
        EXPECT_EQ(imaging::codecs::inspect(at(out)).bitsPerPixel, bits.toInt());
    }
}

// The photo formats of phones and the web are read as the engine reads them; `info` names
// the format read.
TEST_F(ImgTool, ReadsTodaysPhotoFormatsAndNamesThem) {
    using namespace imaging_testing;
    QTemporaryDir tools;
    ASSERT_TRUE(QFile::copy(photo(), tools.filePath("in.png")));
    for (const auto& [name, encode, label] :
         {std::tuple{"photo.heic", kHeifEncode, "HEIF"}, {"photo.avif", kAvifEncode, "AVIF"},
          {"photo.jxl", kJxlEncode, "JPEG XL"}}) {
        ASSERT_TRUE(runTool(encode, tools, at(name))) << name;
        imaging::ImgX expected;
        expected.canvas().LoadFile(at(name), 1, 0);
        EXPECT_EQ(run({at(name), at("out.bmp"), "info"}).out,
                  QString("9x5 %1 colours, %2\n").arg(expected.Colors()).arg(label));
        EXPECT_EQ(QImage(at("out.bmp")), expected.image().convertToFormat(QImage::Format_RGB32));
    }
}

// Only the program's own line opens stderr: libpng's "libpng error: ..." stays out.
TEST_F(ImgTool, RefusesAWrongCallOrADamagedFileWithItsReasonAndWritesNothing) {
    const QString usage = run({"--help"}).out;
    EXPECT_TRUE(usage.contains("quorvane-img [OPTIONS] IN OUT [OPTIONS]"));
    QByteArray png = testing_support::fileBytes(photo());
    folder.write("ends.png", png.left(60));
    png[png.indexOf("IDAT") + 4] = char(~png[png.indexOf("IDAT") + 4]);
    folder.write("broken.png", png);
    const std::tuple<int, QString, QStringList> calls[] = {
        {2, "", {}},
        {2, "no operation given\n\nUsage", {"IN", "OUT"}},
        {2, "unknown operation", {"IN", "OUT", "twirl"}},
        {2, "missing height", {"IN", "OUT", "resize", "10"}},
        {2, "degrees must be a number", {"IN", "OUT", "rotate", "lots"}},
        {2, "width must be a whole number", {"IN", "OUT", "resize", "10.5", "10"}},
        {2, "cannot tell the format of \"out.xyz\"", {"IN", "out.xyz", "grayscale"}},
        {2, "unknown option", {"--speed", "IN", "OUT", "grayscale"}},
        {2, "missing bits", {"IN", "OUT", "--bits"}},
        {2,
         "--bits takes 8 or 24, not \"16\"\n\nUsage",
         {"--bits", "16", "IN", "OUT", "grayscale"}},
        {1,
         "The width and height must be at least 1 pixel. (error -2147220832)\n",
         {"IN", "OUT", "resize", "0", "10"}},
        {1, "No image is loaded. (error -2147220838)\n", {"-", "OUT", "grayscale"}},
        {1, "The file \"missing.png\" could not be opened", {"missing.png", "OUT", "grayscale"}},
        {1,
         "The image file \"DIR/ends.png\" is damaged or incomplete: the file ends early.",
         {"DIR/ends.png", "-", "info"}},
        {1,
         "The image file \"DIR/broken.png\" is damaged or incomplete: IDAT: incorrect header",
         {"DIR/broken.png", "-", "info"}}};
    for (auto [code, message, arguments] : calls) {
        arguments.replaceInStrings("IN", photo());
        arguments.replaceInStrings("OUT", at("out.png"));
        arguments.replaceInStrings("DIR", folder.path());
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.code, code) << message.toStdString();
        EXPECT_TRUE(outcome.err.startsWith(
            message.isEmpty() ? usage : "quorvane-img: " + message.replace("DIR", folder.path())))
            << outcome.err.toStdString();
        EXPECT_FALSE(QFile::exists(at("out.png")));
    }
}

// With the disk full, or with 16 KiB left so the file breaks off part of the way.
TEST_F(ImgTool, OnAFullDiskAWriteFailsWithTheSystemsReasonAndKeepsTheOldFile) {
    using testing_support::fileBytes;
    testing_support::SmallDisk disk(1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.whyNot().toStdString();
    QImage noise(320, 240, QImage::Format_RGB32);
    for (int i = 0; i < 320 * 240; ++i)
        noise.setPixel(i % 320, i / 320, 0xFF000000u | (i * 2654435761u >> 8));
    noise.save(at("in.bmp"));
    const QString old = disk.filePath("old.png"), copy = disk.filePath("copy.bmp");
    ASSERT_EQ(run({"-", old, "blank", "4", "4", "#123456"}).code, 0);
    showlist::copyBitmap(folder.write("earlier.bmp", QByteArray(1000, 'e')), copy);
    const QByteArray before = fileBytes(old);
    for (const qint64 room : {0, 16 * 1024}) {
        disk.fill(room);
        const Outcome outcome = run({at("in.bmp"), old, "flip", "h"});
        EXPECT_EQ(std::pair(outcome.code, outcome.err),
                  std::pair(1, QStringLiteral("quorvane-img: The file \"%1\" could not be written: "
                                              "No space left on device. (error -2147220821)\n")
                                   .arg(old)));
        EXPECT_THAT([&] { showlist::copyBitmap(at("in.bmp"), copy); },
                    ::testing::Throws<imaging::Error>(::testing::Field(
                        &imaging::Error::description, QStringLiteral("No space left on device"))));
        EXPECT_EQ(std::pair(fileBytes(old), fileBytes(copy)),
                  std::pair(before, QByteArray(1000, 'e')));
        EXPECT_EQ(disk.entries(), (QStringList{"copy.bmp", "old.png"}))
            << "a half-written file was left";
    }
    disk.empty();
    showlist::copyBitmap(at("in.bmp"), copy);
    EXPECT_EQ(fileBytes(copy), fileBytes(at("in.bmp")));
}

}  // namespace
