#include <QColor>
#include <bit>

#include "platform/ProcessRunner.h"
#include "rotation/wallpaper/X11WallpaperSetter.h"
#include "support/DesktopSession.h"
#include "support/ImageFiles.h"
#include "support/QtPrinting.h"

// Xlib last: its macros (None, Bool, Status) collide with names in Qt and GoogleTest.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include "rotation/wallpaper/X11ErrorTrap.h"

// The x11 backend on a real X server (Xvfb) of a session of the test's own: the root window's
// pixels and properties, and which clients the setter frees when it replaces a wallpaper - the
// previous one, never a program whose id the root properties happen to name.

namespace wallpaper_test {

using namespace testing_support;
namespace {

constexpr int kWidth = 64, kHeight = 48;
constexpr QRgb kRed = 0xffff0000, kBlue = 0xff0000ff, kGreen = 0xff00ff00, kYellow = 0xffffff00;

QImage solid(QRgb colour, QSize size = {10, 10}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Another program's client (x11_resource_holder): a window or pixmap of KIND, named in the root
// properties (none, root, esetroot, both); live, it stays connected while the holder lasts.
struct Holder {
    Holder(const char* mode, const char* kind, const char* named) {
        program.start(X11_RESOURCE_HOLDER, {qEnvironmentVariable("DISPLAY"), mode, kind, named});
        while (!program.canReadLine() && program.waitForReadyRead(kDeadlineMs)) {
        }
        id = program.readLine().trimmed().toULong(nullptr, 16);
        // Only a client whose process has ended is a retained one.
        if (QLatin1String(mode) == "retained") program.waitForFinished(kDeadlineMs);
    }
    ~Holder() {
        program.closeWriteChannel();
        program.waitForFinished();
    }
    QProcess program;
    XID id = 0;
};

class X11 : public ::testing::Test {
protected:
    void show(int depth) {
        ASSERT_EQ(session_.startDisplay({kWidth, kHeight}, depth), QString())
            << "Xvfb (package xvfb)";
        display_ = XOpenDisplay(nullptr);
        ASSERT_TRUE(display_);
        root_ = DefaultRootWindow(display_);
        ownId_ = XAllocID(display_);  // creates nothing on the server
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }
    QString apply(const QImage& image) {
        const QString path = session_.folder(QStringLiteral("files/%1.png").arg(++saved_));
        image.save(path);
        return rotation::X11WallpaperSetter(qEnvironmentVariable("DISPLAY")).apply(path);
    }

    // The colours the root window shows, each channel read back through the visual's mask.
    QImage rootPixels() {
        const Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
        XImage* shown = XGetImage(display_, root_, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        QImage pixels(kWidth, kHeight, QImage::Format_RGB32);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                QRgb rgb = 0;
                for (const unsigned long mask :
                     {visual->red_mask, visual->green_mask, visual->blue_mask})
                    rgb = rgb << 8 | ((XGetPixel(shown, x, y) & mask) * 255 + mask / 2) / mask;
                pixels.setPixel(x, y, rgb | 0xff000000);
            }
        XDestroyImage(shown);
        return pixels;
    }
    // Whether the whole root shows colour, as near as the visual's channels come to it.
    bool showsOnly(QRgb colour) {
        const Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
        const int most = int(visual->red_mask >> std::countr_zero(visual->red_mask));
        const QImage shown = rootPixels();
        for (int i = 0; i < kWidth * kHeight * 3; ++i) {
            const int shift = i % 3 * 8, value = int(colour >> shift & 255);
            if (std::abs(int(shown.pixel(i / 3 % kWidth, i / 3 / kWidth) >> shift & 255) - value) *
                    most >=
                255)
                return false;
        }
        return true;
    }
    Pixmap property(const char* name) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display_, root_, XInternAtom(display_, name, False), 0, 1, False,
                           XA_PIXMAP, &type, &format, &items, &after, &data);
        const Pixmap pixmap =
            type == XA_PIXMAP && items == 1 ? *reinterpret_cast<Pixmap*>(data) : 0;
        if (data) XFree(data);
        return pixmap;
    }
    bool exists(XID id) {
        rotation::X11ErrorTrap trap(display_);
        Window root = 0;
        int at = 0;
        unsigned size = 0;
        XGetGeometry(display_, id, &root, &at, &at, &size, &size, &size, &size);
        return !trap.hadError();
    }
    // The clients besides the server and this connection, and the pixmaps they hold.
    std::pair<int, int> otherClientsAndPixmaps() {
        int count = 0;
        XResClient* clients = nullptr;
        XResQueryClients(display_, &count, &clients);
        std::pair<int, int> held;
        for (int i = 0; i < count; ++i) {
            if (!clients[i].resource_base ||
                (ownId_ & ~clients[i].resource_mask) == clients[i].resource_base)
                continue;
            ++held.first;
            int types = 0;
            XResType* type = nullptr;
            XResQueryClientResources(display_, clients[i].resource_base, &types, &type);
            for (int t = 0; t < types; ++t)
                if (type[t].resource_type == XA_PIXMAP) held.second += int(type[t].count);
            XFree(type);
        }
        XFree(clients);
        return held;
    }

    DesktopSession session_;
    Display* display_ = nullptr;
    Window root_ = 0;
    XID ownId_ = 0;
    int saved_ = 0;
};

// Each depth and orientation: green outer tenths that covering the 4:3 root must crop away, red
// then blue between them along the image's longer side. Then every hostile file in turn, each
// change freeing the one before; one retained client holding one pixmap stays.
class X11Root : public X11, public ::testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(X11Root, ShowsEachImageZoomedToCoverAndCentredAndFreesTheOneBefore) {
    const auto [depth, wide] = GetParam();
    ASSERT_NO_FATAL_FAILURE(show(depth));
    const int length = 40, across = 24;
    QImage stripes(wide ? length : across, wide ? across : length, QImage::Format_RGB32);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x) {
            const int tenth = (wide ? x : y) * 10 / length;
            stripes.setPixel(x, y, tenth < 1 || tenth >= 9 ? kGreen : tenth < 5 ? kRed : kBlue);
        }
    EXPECT_EQ(apply(stripes), QString());
    // Smoothing blends the pixels next to the borders and to the middle line.
    const QImage shown = rootPixels();
    int wrong = 0;
    for (int y = 2; y < kHeight - 2; ++y)
        for (int x = 2; x < kWidth - 2; ++x) {
            const int fromMiddle = wide ? x - kWidth / 2 : y - kHeight / 2;
            wrong +=
                std::abs(fromMiddle) > 2 && shown.pixel(x, y) != (fromMiddle < 0 ? kRed : kBlue);
        }
    EXPECT_EQ(wrong, 0) << "pixels other than covering and centring give";
    Pixmap before = property("_XROOTPMAP_ID");
    for (const HostileFile& file : session_.writeHostileFiles({kWidth, kHeight})) {
        SCOPED_TRACE(file.label);
        ASSERT_EQ(rotation::X11WallpaperSetter(QString()).apply(file.path), QString());
        EXPECT_TRUE(showsOnly(file.colour));
        const Pixmap latest = property("_XROOTPMAP_ID");
        EXPECT_TRUE(latest != before && exists(latest));
        EXPECT_EQ(property("ESETROOT_PMAP_ID"), latest);
        EXPECT_FALSE(exists(before));
        before = latest;
    }
    EXPECT_EQ(otherClientsAndPixmaps(), std::pair(1, 1));
    EXPECT_EQ(session_.pwnedFiles(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(, X11Root,
                         ::testing::Combine(::testing::Values(16, 24, 30),
                                            ::testing::Values(false, true)));

// What the root properties may name before a change: a finished setter's screen-sized pixmap
// is freed only when both do (that is how its owner agreed to be killed for it); a running
// program's window or pixmap, or, left behind, a window, a pixmap that does not cover the
// screen or lacks its depth, or one whose owner also keeps a window, stays.
struct Neighbour {
    const char* mode;
    const char* kind;
    const char* named;
    bool freed = false;
};

void PrintTo(const Neighbour& n, std::ostream* out) {
    *out << n.mode << ' ' << n.kind << ' ' << n.named;
}

class X11Neighbour : public X11, public ::testing::WithParamInterface<Neighbour> {};

TEST_P(X11Neighbour, IsFreedOnlyWhenProvedAPreviousWallpaper) {
    const Neighbour& neighbour = GetParam();
    ASSERT_NO_FATAL_FAILURE(show(24));
    Holder holder(neighbour.mode, neighbour.kind, neighbour.named);
    ASSERT_TRUE(holder.id);
    const int clientsBefore = otherClientsAndPixmaps().first;
    EXPECT_EQ(apply(solid(kBlue)), QString());
    EXPECT_TRUE(showsOnly(kBlue));
    EXPECT_EQ(property("ESETROOT_PMAP_ID"), property("_XROOTPMAP_ID"));
    EXPECT_EQ(exists(holder.id), !neighbour.freed);
    EXPECT_EQ(otherClientsAndPixmaps().first, clientsBefore + 1 - neighbour.freed);
}

INSTANTIATE_TEST_SUITE_P(, X11Neighbour,
                         ::testing::Values(Neighbour{"retained", "pixmap", "none"},
                                           Neighbour{"retained", "pixmap", "root"},
                                           Neighbour{"retained", "pixmap", "esetroot"},
                                           Neighbour{"retained", "pixmap", "both", true},
                                           Neighbour{"live", "window", "both"},
                                           Neighbour{"live", "pixmap", "both"},
                                           Neighbour{"retained", "window", "both"},
                                           Neighbour{"retained", "small-pixmap", "both"},
                                           Neighbour{"retained", "bitmap", "both"},
                                           Neighbour{"retained", "pixmap-and-window", "both"}));

// Someone else frees our wallpaper (xkill) and leaves the properties and our own note naming
// its id; the server hands the freed slot, and with it the same id, to the next connection.
TEST_F(X11, AReusedIdIsNotMistakenForOurPreviousWallpaper) {
    ASSERT_NO_FATAL_FAILURE(show(24));
    EXPECT_EQ(apply(solid(kRed)), QString());
    const Pixmap ours = property("_XROOTPMAP_ID");
    XKillClient(display_, ours);
    XSync(display_, False);
    Holder holder("live", "pixmap", "none");
    ASSERT_EQ(holder.id, ours) << "the server gave the next client another slot";
    EXPECT_EQ(apply(solid(kBlue)), QString());
    EXPECT_TRUE(showsOnly(kBlue));
    EXPECT_TRUE(exists(holder.id)) << "the program's connection was killed";
}

// Another setter taking turns with us. Those of the Esetroot convention leave their pixmap for
// the next setter to free and free ours; xsetroot -solid leaves both properties naming ours.
class X11OtherSetter : public X11, public ::testing::WithParamInterface<QStringList> {};

TEST_P(X11OtherSetter, TakesTurnsWithUsWithoutLeakingOrKillingTheWrongClient) {
    ASSERT_NO_FATAL_FAILURE(show(24));
    const bool publishes = GetParam().front() != "xsetroot";
    const auto runSetter = [&](QRgb colour) {
        solid(colour).save(session_.folder("files/theirs.png"));
        QStringList arguments = GetParam();
        arguments.replaceInStrings("%f", session_.folder("files/theirs.png"))
            .replaceInStrings("%c", QColor(colour).name());
        EXPECT_TRUE(
            platform::runProgram(arguments.front(), arguments.mid(1), kDeadlineMs).succeeded());
        EXPECT_TRUE(showsOnly(colour));
    };
    runSetter(kRed);
    const Pixmap theirs = property("_XROOTPMAP_ID");
    EXPECT_EQ(theirs && exists(theirs), publishes);
    EXPECT_EQ(apply(solid(kBlue)), QString());
    EXPECT_TRUE(showsOnly(kBlue));
    const Pixmap ours = property("_XROOTPMAP_ID");
    EXPECT_TRUE(!publishes || !exists(theirs)) << "its pixmap was not freed";
    runSetter(kYellow);
    EXPECT_EQ(exists(ours), !publishes);
    EXPECT_EQ(apply(solid(kGreen)), QString());
    EXPECT_TRUE(showsOnly(kGreen));
    EXPECT_EQ(otherClientsAndPixmaps(), std::pair(1, 1));
}

INSTANTIATE_TEST_SUITE_P(, X11OtherSetter,
                         ::testing::Values(QStringList{"feh", "--no-fehbg", "--bg-fill", "%f"},
                                           QStringList{"hsetroot", "-fill", "%f"},
                                           QStringList{"xsetroot", "-solid", "%c"}));

// What the setter answers when it cannot show the image (%1: its path, %2: the display), and
// that it then leaves the root window and the server as they were.
struct Failure {
    const char* label;
    const char* file;     // "picture", "notes", "huge" (a PNG header alone) or "missing"
    const char* display;  // the display to name: the session's (""), another, or none at all
    const char* answer;
    int depth = 24;
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.label; }

class X11Failure : public X11, public ::testing::WithParamInterface<Failure> {};

TEST_P(X11Failure, SaysWhyAndLeavesTheRootAlone) {
    const Failure& failure = GetParam();
    ASSERT_NO_FATAL_FAILURE(show(failure.depth));
    const QLatin1String file(failure.file);
    QString path = session_.folder("files/image.png");
    if (file == "picture") solid(kRed).save(path);
    if (file == "notes") {
        QFile notes(path);
        ASSERT_TRUE(notes.open(QIODevice::WriteOnly) && notes.write("not a picture\n") > 0);
    }
    if (file == "huge")
        path = testing_support::writePngHeader(session_.folder("files"), "huge.png", 9000, 9000);
    QString display = QString::fromLatin1(failure.display);
    if (display.isEmpty()) display = qEnvironmentVariable("DISPLAY");
    if (display == "none") session_.setVariable("DISPLAY", display = QString());
    EXPECT_EQ(rotation::X11WallpaperSetter(display).apply(path),
              QString::fromUtf8(failure.answer).replace("%2", display).replace("%1", path));
    EXPECT_EQ(property("_XROOTPMAP_ID"), 0u);
    EXPECT_EQ(otherClientsAndPixmaps().first, 0) << "a failed change left a client behind";
}

INSTANTIATE_TEST_SUITE_P(
    , X11Failure,
    ::testing::Values(
        Failure{"missing_file", "missing", "",
                "The image \"%1\" could not be read (File not found)."},
        Failure{"not_an_image", "notes", "",
                "The image \"%1\" could not be read (Unsupported image format)."},
        Failure{"too_large", "huge", "",
                "The image \"%1\" is too large to show: 9000 x 9000 pixels, more than 64 "
                "megapixels."},
        Failure{"unreachable_display", "picture", ":no-such-display",
                "The X display \"%2\" could not be opened."},
        Failure{"no_display", "picture", "none",
                "There is no X display to draw the wallpaper on: DISPLAY is not set."},
        Failure{"palette_screen", "picture", "",
                "The X display \"%2\" is not in true colour (depth 8); the wallpaper needs a "
                "true-colour screen.",
                8}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace wallpaper_test
