#include <QPainter>

#include "platform/ProcessRunner.h"
#include "platform/monitors/SwayMonitors.h"
#include "rotation/MonitorWallpaper.h"
#include "rotation/wallpaper/SwayWallpaperSetter.h"
#include "support/DesktopSession.h"
#include "support/HeadlessSway.h"
#include "support/QtPrinting.h"
#include "support/StoreFixture.h"

// The sway backend against a real sway on wlroots' headless backend, in a session of the
// test's own: the arguments of the swaybg it starts, byte for byte, and the output's pixels.

namespace wallpaper_test {

using namespace testing_support;
namespace {

class Sway : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(session_.problem(), QString());
        // Variables as a user's config defines them: a path that let sway substitute one would
        // name another file.
        ASSERT_EQ(sway_.start("output * bg #000000 solid_color\nset $mod Mod4\n"
                              "set $x /substituted\nset $HOME /substituted-home\n",
                              outputs_),
                  QString());
        ASSERT_TRUE(awaitSwaybg(kBlack));
    }

    // The arguments of every swaybg of this sway (started through a double fork, it is no
    // child of sway's, but it inherits sway's SWAYSOCK).
    QList<QByteArrayList> swaybgs() const {
        const QByteArray ours = "SWAYSOCK=" + qgetenv("SWAYSOCK");
        QList<QByteArrayList> found;
        for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QByteArray arguments = fileBytes("/proc/" + pid + "/cmdline");
            if (!arguments.startsWith(QByteArrayLiteral("swaybg\0")) ||
                !fileBytes("/proc/" + pid + "/environ").split('\0').contains(ours))
                continue;
            arguments.chop(1);
            found << arguments.split('\0');
        }
        return found;
    }
    bool awaitSwaybg(const QByteArrayList& expected) const {
        return waitFor([&] { return swaybgs() == QList<QByteArrayList>{expected}; });
    }

    // Whether the whole of the outputs, or of one, shows colour (grim), within the deadline.
    bool awaitScreen(QRgb colour, const QString& output = {}, QSize size = {1280, 720},
                     int deadlineMs = kDeadlineMs) const {
        return waitFor(
            [&] {
                const QImage shown = sway_.screenshot(output).convertToFormat(QImage::Format_RGB32);
                QImage expected(size, QImage::Format_RGB32);
                expected.fill(colour);
                // Scaled to fill, an image's outermost pixels blend with what lies beyond it, over
                // as many pixels as one of the image's covers.
                const QRect inner = expected.rect().adjusted(16, 16, -16, -16);
                return shown.size() == size && shown.copy(inner) == expected.copy(inner);
            },
            deadlineMs);
    }

    const QByteArrayList kBlack = {"swaybg", "-o", "*", "-c", "#000000"};
    int outputs_ = 1;
    DesktopSession session_;
    HeadlessSway sway_{session_};
};

TEST_F(Sway, ShowsEveryHostileFileAndRefusesWhatACommandCannotCarry) {
    QStringList started;
    rotation::SwayWallpaperSetter setter(
        [&](const QString& program, const QStringList& arguments, int timeoutMs) {
            started << program;
            return platform::runProgram(program, arguments, timeoutMs);
        });
    QByteArrayList showing = kBlack;
    for (const HostileFile& file : session_.writeHostileFiles({1280, 720})) {
        SCOPED_TRACE(file.label);
        started.clear();
        if (file.path.contains(u'\n')) {
            EXPECT_EQ(setter.apply(file.path),
                      "The image path contains a line break, which a "
                      "sway command cannot carry.");
            EXPECT_EQ(started, QStringList());
            EXPECT_EQ(swaybgs(), QList<QByteArrayList>{showing});
            continue;
        }
        EXPECT_EQ(setter.apply(file.path), QString());
        showing = {"swaybg", "-o", "*", "-i", QFile::encodeName(file.path), "-m", "fill"};
        EXPECT_TRUE(awaitSwaybg(showing)) << swaybgs().value(0).join(' ').toStdString();
        EXPECT_TRUE(awaitScreen(file.colour));
    }

    // sway opens a relative path from its own working folder.
    const QFileInfo first(session_.writeHostileFiles().front().path);
    QDir::setCurrent(first.path());
    EXPECT_EQ(setter.apply(first.fileName()), QString());
    EXPECT_TRUE(awaitSwaybg(
        {"swaybg", "-o", "*", "-i", QFile::encodeName(first.filePath()), "-m", "fill"}));

    // sway answers "success" for a missing file and keeps its background.
    started.clear();
    const QString missing = session_.folder("missing.png");
    EXPECT_EQ(setter.apply(missing),
              QStringLiteral("The image \"%1\" does not exist.").arg(missing));
    EXPECT_EQ(started, QStringList());

    // A refusal carries sway's own reason; a bare '(' is a syntax error to sway's wordexp().
    const QString bare = session_.folder("picture(");
    EXPECT_EQ(rotation::SwayWallpaperSetter([&](const QString& program, QStringList arguments,
                                                int timeoutMs) {
                  arguments[3] = bare;
                  return platform::runProgram(program, arguments, timeoutMs);
              }).apply(first.filePath()),
              QStringLiteral("sway refused the background: Invalid syntax (%1)").arg(bare));
    EXPECT_EQ(session_.pwnedFiles(), QStringList());
}

// Two outputs of different size and scale, and a third plugged in while the rotation runs.
class SwayOutputs : public Sway {
protected:
    SwayOutputs() { outputs_ = 2; }
};

TEST_F(SwayOutputs, EachOutputShowsItsOwnPictureAndANewOneIsShownAtOnce) {
    ASSERT_EQ(programOutput("swaymsg", {"output HEADLESS-1 mode 640x480 pos 0 0, output HEADLESS-2 "
                                        "mode 800x600 scale 2 pos 640 0"})
                  .contains("\"success\": false"),
              false);
    const std::vector<HostileFile> files = session_.writeHostileFiles({64, 48});
    rotation::SwayWallpaperSetter sway;
    platform::SwayMonitors outputs(qEnvironmentVariable("SWAYSOCK"));
    rotation::MonitorWallpaper wallpaper(
        sway, outputs, showlist::MonitorSettings(session_.folder("ZARN.DAT")), session_.folder(""));
    wallpaper.setMode(rotation::MonitorMode::Each);
    for (int i : {0, 1}) EXPECT_EQ(wallpaper.apply(files[i].path), QString());
    EXPECT_TRUE(awaitScreen(files[0].colour, "HEADLESS-1", {640, 480}));
    EXPECT_TRUE(awaitScreen(files[1].colour, "HEADLESS-2", {800, 600}));

    // Hot-plugged, with no rotation step: the new output shows the latest picture.
    programOutput("swaymsg", {"create_output"});
    EXPECT_TRUE(awaitScreen(files[1].colour, "HEADLESS-3", {1920, 1080}, 1500));

    // One picture, its left half one colour, across all three: the first two outputs lie in
    // its left half.
    QImage halves(200, 100, QImage::Format_RGB32);
    halves.fill(files[3].colour);
    QPainter(&halves).fillRect(0, 0, 100, 100, QColor(files[2].colour));
    ASSERT_TRUE(halves.save(session_.folder("files/halves.png")));
    wallpaper.setMode(rotation::MonitorMode::Span);
    EXPECT_EQ(wallpaper.apply(session_.folder("files/halves.png")), QString());
    EXPECT_TRUE(awaitScreen(files[2].colour, "HEADLESS-1", {640, 480}));
    EXPECT_TRUE(awaitScreen(files[2].colour, "HEADLESS-2", {800, 600}));
}

}  // namespace
}  // namespace wallpaper_test
