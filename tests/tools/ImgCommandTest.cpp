#include <gtest/gtest.h>
#include <QProcess>

#include "imaging/ImgX.h"
#include "imaging/codecs/Codecs.h"
#include "quorvane-img/ImgCommand.h"
#include "support/QtPrinting.h"
#include "support/TempFolder.h"

namespace {

struct Outcome {
    int code = 0;
    QString out, err;
};

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
    QString photo() {
        QImage image(9, 5, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 25, y * 50, 99));
        image.save(at("in.png"));
        return at("in.png");
    }
    QString at(const char* name) { return folder.filePath(QString::fromUtf8(name)); }
    testing_support::TempFolder folder;
};

TEST_F(ImgTool, AppliesTheOperationsInOrderLikeTheEngine) {
    const QString in = photo();
    const Outcome outcome = runTool({in, at("out.png"), "flip", "h", "rotate", "90", "crop", "1",
                                     "1", "3", "4", "grayscale", "info"});
    ASSERT_EQ(outcome.code, 0) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.out.startsWith("3x4 ")) << outcome.out.toStdString();

    imaging::ImgX expected, written;
    expected.canvas().LoadFile(in, 1, 0);
    expected.effects().Flip(0, 0);
    expected.effects().Rotate(90, 0, 0);
    expected.effects().Crop(1, 1, 3, 4, 0);
    expected.effects().Grayscale(0);
    written.canvas().LoadFile(at("out.png"), 1, 0);
    EXPECT_EQ(written.image(), expected.image());
}

TEST_F(ImgTool, MakesABlankImageFromNothing) {
    ASSERT_EQ(runTool({"-", at("blank.bmp"), "blank", "6", "4", "#336699"}).code, 0);
    const QImage written(at("blank.bmp"));
    EXPECT_EQ(written.size(), QSize(6, 4));
    EXPECT_EQ(written.pixel(5, 3), 0xFF336699u);
}

TEST_F(ImgTool, TakesSaveOptionsBeforeOrAfterTheFiles) {
    const QString in = photo();
    ASSERT_EQ(runTool({"--bits", "8", in, at("before.bmp"), "grayscale"}).code, 0);
    ASSERT_EQ(runTool({in, at("after.bmp"), "--bits", "8", "grayscale"}).code, 0);
    EXPECT_EQ(QImage(at("before.bmp")).format(), QImage::Format_Indexed8);
    EXPECT_EQ(QImage(at("after.bmp")).format(), QImage::Format_Indexed8);
}

TEST_F(ImgTool, MergesAnotherFile) {
    const QString in = photo();
    ASSERT_EQ(runTool({"-", at("top.png"), "blank", "2", "2", "0xFF0000"}).code, 0);
    const Outcome outcome = runTool({in, "-", "merge", at("top.png"), "3", "1", "100", "info"});
    ASSERT_EQ(outcome.code, 0) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.out.startsWith("9x5 ")) << outcome.out.toStdString();
}

struct BadCall {
    QStringList arguments;
    int code;
    const char* message;
};

class ImgToolRefuses : public ImgTool, public ::testing::WithParamInterface<BadCall> {};

TEST_P(ImgToolRefuses, WithItsReason) {
    QStringList arguments = GetParam().arguments;
    arguments.replaceInStrings("IN", photo());
    arguments.replaceInStrings("OUT", at("out.png"));
    const Outcome outcome = runTool(arguments);
    EXPECT_EQ(outcome.code, GetParam().code);
    EXPECT_TRUE(outcome.err.contains(QLatin1String(GetParam().message)))
        << outcome.err.toStdString();
    EXPECT_FALSE(QFile::exists(at("out.png")));
}

INSTANTIATE_TEST_SUITE_P(Calls, ImgToolRefuses,
                         ::testing::ValuesIn(std::vector<BadCall>{
                             {{}, 2, "Usage"},
                             {{"IN", "OUT"}, 2, "no operation"},
                             {{"IN", "OUT", "twirl"}, 2, "unknown operation"},
                             {{"IN", "OUT", "resize", "10"}, 2, "missing height"},
                             {{"IN", "OUT", "rotate", "lots"}, 2, "must be a number"},
                             {{"IN", "out.xyz", "grayscale"}, 2, "extension"},
                             {{"--speed", "IN", "OUT", "grayscale"}, 2, "unknown option"},
                             {{"IN", "OUT", "resize", "0", "10"}, 1, "error -2147220832"},
                             {{"-", "OUT", "grayscale"}, 1, "error -2147220838"},
                             {{"missing.png", "OUT", "grayscale"}, 1, "error -2147220826"},
                             {{"--bits", "0", "IN", "OUT", "grayscale"}, 2, R"(not "0")"},
                             {{"IN", "OUT", "--bits", "1", "grayscale"}, 2, R"(not "1")"},
                             {{"IN", "OUT", "--bits", "4", "grayscale"}, 2, R"(not "4")"},
                             {{"IN", "OUT", "--bits", "16", "grayscale"}, 2, R"(not "16")"},
                             {{"IN", "OUT", "--bits", "32", "grayscale"}, 2, R"(not "32")"},
                             {{"IN", "OUT", "--bits", "x", "grayscale"}, 2, R"(not "x")"},
                             {{"IN", "OUT", "--bits"}, 2, "missing bits"}}));

// The refusal names the option and its two values, then shows the usage.
TEST_F(ImgTool, RefusesAnyBitCountButEightAndTwentyFour) {
    const Outcome outcome = runTool({"--bits", "0", photo(), at("out.bmp"), "grayscale"});
    EXPECT_EQ(outcome.code, 2);
    EXPECT_EQ(outcome.err, "quorvane-img: --bits takes 8 or 24, not \"0\"\n\n" + imgtool::usage());
    EXPECT_FALSE(QFile::exists(at("out.bmp")));
}

TEST_F(ImgTool, WritesEightOrTwentyFourBitsAsAsked) {
    const QString in = photo();
    for (const char* format : {"bmp", "jpg"})
        for (const char* bits : {"8", "24"}) {
            SCOPED_TRACE(std::string(format) + " " + bits);
            const QString out = at("out.") + format;
            ASSERT_EQ(runTool({in, out, "--bits", bits, "flip", "h"}).code, 0);
            EXPECT_EQ(imaging::codecs::inspect(out).bitsPerPixel, QByteArray(bits).toInt());
        }
}

TEST(ImgToolProgram, RunsWithoutADisplay) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUORVANE_IMG), {"--help"});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(
        process.readAllStandardOutput().contains("quorvane-img [OPTIONS] IN OUT [OPTIONS]"));
}

}  // namespace
