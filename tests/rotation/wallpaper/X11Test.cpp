#include <gtest/gtest.h>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <bit>
#include <memory>
#include <tuple>

#include "DesktopSession.h"
#include "platform/ProcessRunner.h"
#include "rotation/wallpaper/X11WallpaperSetter.h"
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
namespace {

constexpr int kWidth = 64, kHeight = 48;
constexpr QRgb kRed = 0xffff0000, kBlue = 0xff0000ff, kGreen = 0xff00ff00, kYellow = 0xffffff00;

QImage solid(QRgb colour) {
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Another program's client (x11_resource_holder): a window or pixmap of KIND, named in the root
// properties (none, root, esetroot, both); live, it stays connected and answers pings.
class Holder {
public:
    Holder(const char* mode, const QString& kind, const QString& named) {
        process_.start(QStringLiteral(X11_RESOURCE_HOLDER),
                       {qEnvironmentVariable("DISPLAY"), QLatin1String(mode), kind, named});
        id = readLine().toULong(nullptr, 16);
        // Only a client whose process has ended is a retained one.
        if (QLatin1String(mode) == "retained") process_.waitForFinished(kDeadlineMs);
    }
    ~Holder() {
        process_.closeWriteChannel();
        process_.waitForFinished();
    }
    bool answers() {
        process_.write("ping\n");
        return readLine() == "alive";
    }
    XID id = 0;

private:
    QByteArray readLine() {
        while (!process_.canReadLine() && process_.waitForReadyRead(kDeadlineMs)) {
        }
        return process_.readLine().trimmed();
    }
    QProcess process_;
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

    // The colours the root window shows, read back through the visual's masks.
    QImage rootPixels() {
        XImage* shown = XGetImage(display_, root_, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        const Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
        const auto channel = [](unsigned long pixel, unsigned long mask) {
            const int shift = std::countr_zero(mask);
            return int(((pixel & mask) >> shift) * 255 / (mask >> shift));
        };
        QImage pixels(kWidth, kHeight, QImage::Format_RGB32);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const unsigned long p = XGetPixel(shown, x, y);
                pixels.setPixel(x, y,
                                qRgb(channel(p, visual->red_mask), channel(p, visual->green_mask),
                                     channel(p, visual->blue_mask)));
            }
        XDestroyImage(shown);
        return pixels;
    }
    bool showsOnly(QRgb colour) {
        QImage expected(kWidth, kHeight, QImage::Format_RGB32);
        expected.fill(colour);
        return rootPixels() == expected;
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

// Green outer tenths that covering the 4:3 root must crop away, red then blue between them,
// along the image's longer side.
QImage stripes(QSize size) {
    const bool wide = size.width() > size.height();
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int tenth = wide ? x * 10 / size.width() : y * 10 / size.height();
            image.setPixel(x, y, tenth < 1 || tenth >= 9 ? kGreen : tenth < 5 ? kRed : kBlue);
        }
    return image;
}

// Each depth, each orientation, and which root properties name a finished setter's retained
// background beforehand; it may be freed only when both do (that is how its owner agreed to be
// killed for it), while the other, when only one does, names an unrelated retained pixmap.
class X11Root : public X11, public ::testing::WithParamInterface<std::tuple<int, bool, int>> {};

TEST_P(X11Root, ShowsTheImageZoomedToCoverAndCentredThenReplacesIt) {
    const auto [depth, wide, namedBy] = GetParam();
    ASSERT_NO_FATAL_FAILURE(show(depth));
    const QString names[] = {"none", "root", "esetroot", "both"};
    Holder previous("retained", "pixmap", names[namedBy]);
    ASSERT_TRUE(previous.id);
    std::optional<Holder> unrelated;
    if (namedBy == 1 || namedBy == 2) unrelated.emplace("retained", "pixmap", names[3 - namedBy]);

    EXPECT_EQ(apply(stripes(wide ? QSize(40, 24) : QSize(24, 40))), QString());
    // The middle of the image shows: red, then blue from the middle on.
    QImage expected(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            expected.setPixel(x, y, (wide ? x < kWidth / 2 : y < kHeight / 2) ? kRed : kBlue);
    // Smoothing blends the pixels next to the borders and to the middle line.
    const QImage shown = rootPixels();
    int wrong = 0;
    for (int y = 2; y < kHeight - 2; ++y)
        for (int x = 2; x < kWidth - 2; ++x)
            wrong += std::abs(wide ? x - kWidth / 2 : y - kHeight / 2) > 2 &&
                     shown.pixel(x, y) != expected.pixel(x, y);
    EXPECT_EQ(wrong, 0) << "pixels other than covering and centring give";
    const Pixmap first = property("_XROOTPMAP_ID");
    EXPECT_TRUE(first && exists(first));
    EXPECT_EQ(property("ESETROOT_PMAP_ID"), first);
    EXPECT_EQ(exists(previous.id), namedBy != 3);
    EXPECT_TRUE(!unrelated || exists(unrelated->id));

    EXPECT_EQ(apply(solid(kYellow)), QString());
    EXPECT_TRUE(showsOnly(kYellow));
    const Pixmap latest = property("_XROOTPMAP_ID");
    EXPECT_TRUE(latest != first && exists(latest));
    EXPECT_EQ(property("ESETROOT_PMAP_ID"), latest);
    EXPECT_FALSE(exists(first));
}

INSTANTIATE_TEST_SUITE_P(, X11Root,
                         ::testing::Combine(::testing::Values(16, 24, 30),
                                            ::testing::Values(false, true),
                                            ::testing::Range(0, 4)));

// Both root properties name something that is no wallpaper of ours or of a finished setter:
// a running program's window or screen-sized pixmap; left behind by programs that ended, a
// window, a pixmap that does not cover the screen or lacks its depth, or one whose owner also
// keeps a window.
class X11StaleProperties
    : public X11,
      public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(X11StaleProperties, LeaveWhatTheyNameAliveAndTheWallpaperIsSetAllTheSame) {
    ASSERT_NO_FATAL_FAILURE(show(24));
    Holder holder(GetParam().first, GetParam().second, "both");
    ASSERT_TRUE(holder.id);
    const auto before = otherClientsAndPixmaps();
    EXPECT_EQ(apply(solid(kBlue)), QString());
    EXPECT_TRUE(exists(holder.id));
    EXPECT_TRUE(QLatin1String(GetParam().first) != "live" || holder.answers());
    EXPECT_EQ(otherClientsAndPixmaps().first, before.first + 1);
    EXPECT_EQ(property("ESETROOT_PMAP_ID"), property("_XROOTPMAP_ID"));
    EXPECT_TRUE(showsOnly(kBlue));
}

INSTANTIATE_TEST_SUITE_P(, X11StaleProperties,
                         ::testing::Values(std::pair{"live", "window"}, std::pair{"live", "pixmap"},
                                           std::pair{"retained", "window"},
                                           std::pair{"retained", "small-pixmap"},
                                           std::pair{"retained", "bitmap"},
                                           std::pair{"retained", "pixmap-and-window"}));

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
    EXPECT_TRUE(holder.answers()) << "the program's connection was killed";
}

// Changes repeat for as long as the program runs: however many, one retained client holding
// one pixmap stays, and every hostile file name shows.
TEST_F(X11, ManyChangesLeaveOneRetainedClientHoldingOnePixmap) {
    ASSERT_NO_FATAL_FAILURE(show(24));
    const std::vector<HostileFile> files = session_.writeHostileFiles({kWidth, kHeight});
    for (int change = 0; change < 48; ++change) {
        const HostileFile& file = files[change % files.size()];
        ASSERT_EQ(rotation::X11WallpaperSetter(QString()).apply(file.path), QString())
            << file.label;
        ASSERT_TRUE(showsOnly(file.colour)) << file.label;
    }
    EXPECT_EQ(otherClientsAndPixmaps(), std::pair(1, 1));
    EXPECT_EQ(session_.pwnedFiles(), QStringList());
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
    int depth;
    const char* file;     // the image file: "picture", "notes", "huge" (a header) or "missing"
    const char* display;  // the display to name: the session's (""), another, or none at all
    const char* answer;
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.label; }

class X11Failure : public X11, public ::testing::WithParamInterface<Failure> {};

TEST_P(X11Failure, SaysWhyAndLeavesTheRootAlone) {
    const Failure& failure = GetParam();
    ASSERT_NO_FATAL_FAILURE(show(failure.depth));
    const auto is = [&](const char* file) { return QLatin1String(failure.file) == file; };
    QString path = session_.folder("files/image.png");  // none written for a missing file
    if (is("picture")) solid(kRed).save(path);
    if (is("notes")) {
        QFile notes(path);
        ASSERT_TRUE(notes.open(QIODevice::WriteOnly) && notes.write("not a picture\n") > 0);
    }
    if (is("huge"))
        path = testing_support::writePngHeader(session_.folder("files"), "huge.png", 9000, 9000);
    QString display = QString::fromLatin1(failure.display);
    if (display.isEmpty()) display = qEnvironmentVariable("DISPLAY");
    if (display == "none") {
        display.clear();
        session_.setVariable("DISPLAY", QString());
    }
    QString expected = QString::fromUtf8(failure.answer);
    expected.replace("%2", display).replace("%1", path);
    EXPECT_EQ(rotation::X11WallpaperSetter(display).apply(path), expected);
    EXPECT_EQ(property("_XROOTPMAP_ID"), 0u);
    EXPECT_EQ(otherClientsAndPixmaps().first, 0) << "a failed change left a client behind";
}

INSTANTIATE_TEST_SUITE_P(
    , X11Failure,
    ::testing::Values(
        Failure{"missing_file", 24, "missing", "",
                "The image \"%1\" could not be read (File not found)."},
        Failure{"not_an_image", 24, "notes", "",
                "The image \"%1\" could not be read (Unsupported image format)."},
        Failure{"too_large", 24, "huge", "",
                "The image \"%1\" is too large to show: 9000 x 9000 pixels, more than 64 "
                "megapixels."},
        Failure{"unreachable_display", 24, "picture", ":no-such-display",
                "The X display \"%2\" could not be opened."},
        Failure{"no_display", 24, "picture", "none",
                "There is no X display to draw the wallpaper on: DISPLAY is not set."},
        Failure{"palette_screen", 8, "picture", "",
                "The X display \"%2\" is not in true colour (depth 8); the wallpaper needs a "
                "true-colour screen."}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace wallpaper_test
