#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>

#include "imaging/ImgX.h"
#include "imaging/codecs/Codecs.h"
#include "quorvane-img/ImgCommand.h"
#include "support/HostileNames.h"
#include "support/QtPrinting.h"
#include "support/SmallDisk.h"
#include "support/TempFolder.h"

namespace {

struct Outcome {
    int code = -1;
    QString out, err;
};

// quorvane-img as a user runs it, without a display: its exit status and what it printed.
Outcome runProgram(const QStringList& arguments) {
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

Outcome runTool(const QStringList& arguments) {
    Outcome outcome;
    QTextStream out(&outcome.out), err(&outcome.err);
    outcome.code = imgtool::run(arguments, out, err);
    out.flush();
    err.flush();
    return outcome;
}

class ImgTool : public ::testing::Test {
protected:
    // 9 x 5 of graded colours; `fileName` names it.
    QString photo(const QString& fileName = QStringLiteral("in.png")) {
        QImage image(9, 5, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 25, y * 50, 99));
        image.save(folder.filePath(fileName), "PNG");
        return folder.filePath(fileName);
    }
    QString at(const QString& name) { return folder.filePath(name); }
    testing_support::TempFolder folder;
};

class HostileFileNames : public ImgTool,
                         public ::testing::WithParamInterface<testsupport::HostileName> {};

// The files are named as the user named them; the operations run in order as in the engine.
TEST_P(HostileFileNames, AreReadAndWrittenAsNamedAndTheOperationsRunInOrder) {
    const QString in = photo(GetParam().name + ".png"), out = at(GetParam().name + " out.png");
    const Outcome outcome = runProgram(
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

TEST_F(ImgTool, MakesMergesAndWritesEightOrTwentyFourBitsAsAsked) {
    ASSERT_EQ(runTool({"-", at("top.bmp"), "blank", "6", "4", "#336699"}).code, 0);
    EXPECT_EQ(QImage(at("top.bmp")).pixel(5, 3), 0xFF336699u);
    EXPECT_TRUE(runTool({photo(), "-", "merge", at("top.bmp"), "3", "1", "100", "info"})
                    .out.startsWith("9x5 "));
    for (const QString format : {"bmp", "jpg"})
        for (const QString bits : {"8", "24"}) {
            // Options go before the files or after them.
            const QStringList options{"--bits", bits};
            const QStringList files{photo(), at("out." + format)};
            ASSERT_EQ(runTool(bits == "8" ? options + files + QStringList{"flip", "h"}
                                          : files + options + QStringList{"flip", "h"})
                          .code,
                      0);
            EXPECT_EQ(imaging::codecs::inspect(at("out." + format)).bitsPerPixel, bits.toInt());
        }
}

TEST_F(ImgTool, RefusesAWrongCallWithItsReasonAndWritesNothing) {
    const std::tuple<QStringList, int, const char*> calls[] = {
        {{}, 2, "Usage"},
        {{"IN", "OUT"}, 2, "no operation"},
        {{"IN", "OUT", "twirl"}, 2, "unknown operation"},
        {{"IN", "OUT", "resize", "10"}, 2, "missing height"},
        {{"IN", "OUT", "rotate", "lots"}, 2, "must be a number"},
        {{"IN", "OUT", "resize", "10.5", "10"}, 2, "width must be a whole number"},
        {{"IN", "out.xyz", "grayscale"}, 2, "extension"},
        {{"--speed", "IN", "OUT", "grayscale"}, 2, "unknown option"},
        {{"IN", "OUT", "resize", "0", "10"}, 1, "error -2147220832"},
        {{"-", "OUT", "grayscale"}, 1, "error -2147220838"},
        {{"missing.png", "OUT", "grayscale"}, 1, "error -2147220826"},
        {{"IN", "OUT", "--bits"}, 2, "missing bits"}};
    for (auto [arguments, code, message] : calls) {
        arguments.replaceInStrings("IN", photo());
        arguments.replaceInStrings("OUT", at("out.png"));
        const Outcome outcome = runTool(arguments);
        EXPECT_EQ(outcome.code, code) << message;
        EXPECT_TRUE(outcome.err.contains(QLatin1String(message))) << outcome.err.toStdString();
        EXPECT_FALSE(QFile::exists(at("out.png")));
    }
    for (const char* bits : {"0", "1", "16", "32", "x"})
        EXPECT_EQ(runTool({"--bits", bits, photo(), at("out.bmp"), "grayscale"}).err,
                  QString("quorvane-img: --bits takes 8 or 24, not \"%1\"\n\n").arg(bits) +
                      imgtool::usage());
    EXPECT_TRUE(runProgram({"--help"}).out.contains("quorvane-img [OPTIONS] IN OUT [OPTIONS]"));
}

// Only the program's own line reaches stderr: libpng's "libpng error: ..." stays out.
TEST_F(ImgTool, ADamagedFileIsNamedWithTheReasonOnStderrAlone) {
    QFile file(photo());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray png = file.readAll();
    QByteArray broken = png;
    broken[png.indexOf("IDAT") + 4] = char(~broken[png.indexOf("IDAT") + 4]);
    for (const auto& [bytes, reason] : {std::pair{png.left(60), "the file ends early"},
                                        std::pair{broken, "IDAT: incorrect header check"}}) {
        const QString damaged = folder.write("damaged.png", bytes);
        const Outcome outcome = runProgram({damaged, "-", "info"});
        EXPECT_EQ(outcome.code, 1);
        EXPECT_EQ(outcome.err, QStringLiteral("quorvane-img: The image file \"%1\" is damaged or "
                                              "incomplete: %2. (error -2147220824)\n")
                                   .arg(QDir::toNativeSeparators(damaged), reason));
    }
}

// With the disk full, or with 16 KiB left so the file breaks off part of the way, the program
// fails with the system's reason and the old file keeps every byte.
TEST_F(ImgTool, OnAFullDiskFailsWithTheSystemsReasonAndKeepsTheOldFile) {
    testing_support::SmallDisk disk(1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.whyNot().toStdString();
    QImage noise(320, 240, QImage::Format_RGB32);
    for (int i = 0; i < 320 * 240; ++i)
        noise.setPixel(i % 320, i / 320, 0xFF000000u | (i * 2654435761u >> 8));
    noise.save(at("in.bmp"));
    const QString old = disk.filePath("old.png");
    ASSERT_EQ(runProgram({"-", old, "blank", "4", "4", "#123456"}).code, 0);
    QFile kept(old);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    const QByteArray before = kept.readAll();
    for (const qint64 room : {0, 16 * 1024}) {
        disk.fill(room);
        const Outcome outcome = runProgram({at("in.bmp"), old, "flip", "h"});
        EXPECT_EQ(outcome.code, 1);
        EXPECT_EQ(outcome.err, QStringLiteral("quorvane-img: The file \"%1\" could not be written: "
                                              "No space left on device. (error -2147220821)\n")
                                   .arg(QDir::toNativeSeparators(old)));
        kept.seek(0);
        EXPECT_EQ(kept.readAll(), before);
        EXPECT_EQ(disk.entries(), QStringList{"old.png"});
    }
}

}  // namespace
