#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>

#include "X11TestScreen.h"
#include "rotation/wallpaper/X11WallpaperSetter.h"
#include "support/ImageFiles.h"
#include "support/TempFolder.h"

namespace wallpaper_test {
namespace {

constexpr int kWidth = 64, kHeight = 48;
constexpr QRgb kRed = 0xffff0000, kBlue = 0xff0000ff, kGreen = 0xff00ff00, kYellow = 0xffffff00;

// Green outer tenths that covering the 4:3 root must crop away, red then blue in between,
// along the image's longer side.
QImage stripes(QSize size) {
    const bool wide = size.width() > size.height();
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int tenth = wide ? x * 10 / size.width() : y * 10 / size.height();
            image.setPixel(x, y, tenth < 1 || tenth >= 9 ? kGreen : tenth < 5 ? kRed : kBlue);
        }
    }
    return image;
}

QImage solid(QRgb colour) {
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

struct Point {
    int x, y;
    QRgb colour;
};

struct Picture {
    int depth;
    QSize size;
    std::vector<Point> expected;
    // Which root properties name a finished setter's retained background beforehand (the
    // other one, if any, names an unrelated retained pixmap). It may be freed only when
    // both do: that is how its owner agreed to be killed for it.
    bool inRootId, inEsetroot;
};

void PrintTo(const Picture& picture, std::ostream* out) {
    *out << picture.size.width() << 'x' << picture.size.height() << " at depth " << picture.depth
         << " after " << picture.inRootId << picture.inEsetroot;
}

class X11Root : public ::testing::TestWithParam<Picture> {};

TEST_P(X11Root, ShowsTheImageZoomedToCoverAndCentredThenReplacesIt) {
    const Picture& picture = GetParam();
    X11TestScreen screen(kWidth, kHeight, picture.depth);
    ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)";
    const QString named = picture.inRootId && picture.inEsetroot ? QStringLiteral("both")
                          : picture.inRootId                     ? QStringLiteral("root")
                          : picture.inEsetroot                   ? QStringLiteral("esetroot")
                                                                 : QStringLiteral("none");
    const XID previous = screen.retained(QStringLiteral("pixmap"), named);
    ASSERT_TRUE(previous) << "x11_resource_holder made no pixmap";
    XID unrelated = 0;
    if (picture.inRootId != picture.inEsetroot)
        unrelated =
            screen.retained(QStringLiteral("pixmap"),
                            picture.inRootId ? QStringLiteral("esetroot") : QStringLiteral("root"));

    EXPECT_EQ(screen.apply(stripes(picture.size)), QString());
    const QImage shown = screen.rootPixels();
    for (const Point& point : picture.expected)
        EXPECT_EQ(shown.pixel(point.x, point.y), point.colour) << point.x << "," << point.y;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_NE(shown.pixel(x, y), kGreen) << "uncropped edge at " << x << "," << y;
    const Pixmap first = screen.property("_XROOTPMAP_ID");
    EXPECT_TRUE(first && screen.exists(first));
    EXPECT_EQ(screen.property("ESETROOT_PMAP_ID"), first);
    EXPECT_EQ(screen.exists(previous), !(picture.inRootId && picture.inEsetroot));
    if (unrelated) {
        EXPECT_TRUE(screen.exists(unrelated));
    }

    EXPECT_EQ(screen.apply(solid(kYellow)), QString());
    EXPECT_EQ(screen.rootPixel(0, 0), kYellow);
    EXPECT_EQ(screen.rootPixel(kWidth - 1, kHeight - 1), kYellow);
    const Pixmap latest = screen.property("_XROOTPMAP_ID");
    EXPECT_TRUE(latest != first && screen.exists(latest));
    EXPECT_FALSE(screen.exists(first));
}

// On the 64x48 root the middle of the image shows: red, then blue from the middle on.
const std::vector<Point> kAcross = {{2, 2, kRed}, {29, 24, kRed}, {34, 24, kBlue}, {61, 45, kBlue}};
const std::vector<Point> kDown = {{2, 2, kRed}, {61, 20, kRed}, {2, 28, kBlue}, {61, 45, kBlue}};

INSTANTIATE_TEST_SUITE_P(wallpaper_pictures, X11Root,
                         ::testing::Values(Picture{24, {40, 24}, kAcross, true, true},
                                           Picture{24, {24, 40}, kDown, true, false},
                                           Picture{16, {40, 24}, kAcross, false, true},
                                           Picture{16, {24, 40}, kDown, false, false},
                                           Picture{30, {40, 24}, kAcross, true, true},
                                           Picture{30, {24, 40}, kDown, false, true}));

// What the setter answers when it cannot show the image, and that it then leaves the root
// window and the server as they were.
enum class File { Missing, NotAnImage, TooLarge, Picture };
enum class Target { TestServer, Unreachable, NoDisplay };

struct Failure {
    const char* label;
    int depth;
    File file;
    Target target;
    // The server may map less memory than a screen-sized pixmap takes (a 2000x2000 screen).
    bool starved;
    // %1: the image's path, %2: the display's name.
    const char* answer;
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.label; }

class X11Failure : public ::testing::TestWithParam<Failure> {};

TEST_P(X11Failure, SaysWhyAndLeavesTheRootAlone) {
    const Failure& failure = GetParam();
    const int side = failure.starved ? 2000 : 0;
    X11TestScreen screen(side ? side : kWidth, side ? side : kHeight, failure.depth);
    ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)";
    if (failure.starved) {
        ASSERT_TRUE(screen.limitServerMemory(side * side * 4 / 2));
    }
    testing_support::TempFolder folder;
    QString path;
    switch (failure.file) {
        case File::Missing:
            path = folder.filePath(QStringLiteral("gone.png"));
            break;
        case File::NotAnImage:
            path = folder.write(QStringLiteral("notes.png"), "not a picture\n");
            break;
        case File::TooLarge:
            path = testing_support::writePngHeader(folder.path(), QStringLiteral("huge.png"), 9000,
                                                   9000);
            break;
        case File::Picture:
            path = folder.filePath(QStringLiteral("red.png"));
            ASSERT_TRUE(solid(kRed).save(path));
            break;
    }
    QString display = screen.name();
    if (failure.target == Target::Unreachable) display = QStringLiteral(":no-such-display");
    const QByteArray ownDisplay = qgetenv("DISPLAY");
    if (failure.target == Target::NoDisplay) {
        display.clear();
        qunsetenv("DISPLAY");
    }

    const QString answer = rotation::X11WallpaperSetter(display).apply(path);
    if (failure.target == Target::NoDisplay && !ownDisplay.isNull()) qputenv("DISPLAY", ownDisplay);
    QString expected = QString::fromUtf8(failure.answer);
    expected.replace(QStringLiteral("%2"), display).replace(QStringLiteral("%1"), path);
    EXPECT_EQ(answer, expected);
    EXPECT_EQ(screen.property("_XROOTPMAP_ID"), 0u);
    EXPECT_EQ(screen.otherClients(), 0) << "a failed change left a client on the server";
}

INSTANTIATE_TEST_SUITE_P(
    wallpaper_failures, X11Failure,
    ::testing::Values(
        Failure{"missing_file", 24, File::Missing, Target::TestServer, false,
                "The image \"%1\" could not be read (File not found)."},
        Failure{"not_an_image", 24, File::NotAnImage, Target::TestServer, false,
                "The image \"%1\" could not be read (Unsupported image format)."},
        Failure{"too_large", 24, File::TooLarge, Target::TestServer, false,
                "The image \"%1\" is too large to show: 9000 x 9000 pixels, more than 64 "
                "megapixels."},
        Failure{"unreachable_display", 24, File::Picture, Target::Unreachable, false,
                "The X display \"%2\" could not be opened."},
        Failure{"no_display", 24, File::Picture, Target::NoDisplay, false,
                "There is no X display to draw the wallpaper on: DISPLAY is not set."},
        Failure{"palette_screen", 8, File::Picture, Target::TestServer, false,
                "The X display \"%2\" is not in true colour (depth 8); the wallpaper needs a "
                "true-colour screen."},
        Failure{"server_out_of_memory", 24, File::Picture, Target::TestServer, true,
                "The X display \"%2\" could not hold the wallpaper (2000 x 2000 pixels at depth "
                "24)."}),
    [](const auto& info) { return std::string(info.param.label); });

// Parts of file and folder names that break naive quoting somewhere: shell syntax, quotes,
// globbing, an option-like leading dash, letters outside ASCII, a line break.
const QStringList kHostileNames = {
    QStringLiteral("two  spaces"),   QStringLiteral("it's \"quoted\""),
    QStringLiteral("$HOME"),         QStringLiteral("$(touch pwned)"),
    QStringLiteral("`touch pwned`"), QStringLiteral("a;b&c"),
    QStringLiteral("#hash %41 %f"),  QStringLiteral("what? ~ !bang"),
    QStringLiteral("back\\slash"),   QStringLiteral("-leading dash"),
    QString::fromUtf8("é 日本"),     QStringLiteral("line\nbreak"),
};

TEST(wallpaper_x11, ShowsImagesWhoseNamesAreHostileAndNamesThemExactly) {
    X11TestScreen screen(kWidth, kHeight, 24);
    ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)";
    testing_support::TempFolder folder;
    for (int i = 0; i < kHostileNames.size(); ++i) {
        const QString& name = kHostileNames[i];
        SCOPED_TRACE(name.toStdString());
        const QString inside = folder.filePath(name);
        ASSERT_TRUE(QDir().mkpath(inside));
        const QString image = inside + QLatin1Char('/') + name + QStringLiteral(".png");
        const QRgb colour = i % 2 ? kRed : kBlue;
        ASSERT_TRUE(solid(colour).save(image, "PNG"));
        EXPECT_EQ(screen.applyFile(image), QString());
        EXPECT_EQ(screen.rootPixel(kWidth / 2, kHeight / 2), colour);

        const QString text = inside + QLatin1Char('/') + name + QStringLiteral(".txt.png");
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture\n");
        file.close();
        EXPECT_EQ(screen.applyFile(text),
                  QStringLiteral("The image \"%1\" could not be read (Unsupported image format).")
                      .arg(text));
    }
    QDirIterator everything(folder.path(), QDir::AllEntries | QDir::Hidden | QDir::System,
                            QDirIterator::Subdirectories);
    while (everything.hasNext())
        EXPECT_NE(everything.nextFileInfo().fileName(), QStringLiteral("pwned"));
    EXPECT_FALSE(QFile::exists(QStringLiteral("pwned")));
    EXPECT_FALSE(QFile::exists(QDir::home().filePath(QStringLiteral("pwned"))));
}

}  // namespace
}  // namespace wallpaper_test
