#include <gtest/gtest.h>
#include <QColor>
#include <QImage>
#include <QStandardPaths>

#include "X11TestScreen.h"
#include "support/TempFolder.h"

// What the x11 setter frees when it replaces a wallpaper: the previous one, and never a
// program whose id the root properties happen to name.

namespace wallpaper_test {
namespace {

constexpr int kWidth = 64, kHeight = 48;
constexpr QRgb kRed = 0xffff0000, kBlue = 0xff0000ff, kGreen = 0xff00ff00, kYellow = 0xffffff00;

QImage solid(QRgb colour) {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Both root properties name a resource that is no wallpaper of ours or of a finished setter.
struct StaleOwner {
    const char* label;
    // A running program; otherwise one that retained its client and ended.
    bool live;
    // x11_resource_holder's KIND.
    const char* kind;
};

void PrintTo(const StaleOwner& owner, std::ostream* out) { *out << owner.label; }

class X11StaleProperties : public ::testing::TestWithParam<StaleOwner> {};

TEST_P(X11StaleProperties, LeaveWhatTheyNameAliveAndTheWallpaperIsSetAllTheSame) {
    const StaleOwner& owner = GetParam();
    X11TestScreen screen(kWidth, kHeight, 24);
    ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)";
    std::unique_ptr<LiveHolder> holder;
    XID stale = 0;
    if (owner.live) {
        holder = screen.live(QString::fromLatin1(owner.kind), QStringLiteral("both"));
        stale = holder->id();
    } else {
        stale = screen.retained(QString::fromLatin1(owner.kind), QStringLiteral("both"));
    }
    ASSERT_TRUE(stale) << "x11_resource_holder made nothing";
    ASSERT_EQ(screen.property("ESETROOT_PMAP_ID"), stale);
    const int clientsBefore = screen.otherClients();

    EXPECT_EQ(screen.apply(solid(kBlue)), QString());
    EXPECT_TRUE(screen.exists(stale));
    if (holder) {
        EXPECT_TRUE(holder->answers()) << "the program's connection was killed";
    }
    EXPECT_EQ(screen.otherClients(), clientsBefore + 1);
    const Pixmap shown = screen.property("_XROOTPMAP_ID");
    EXPECT_NE(shown, stale);
    EXPECT_TRUE(screen.exists(shown));
    EXPECT_EQ(screen.property("ESETROOT_PMAP_ID"), shown);
    EXPECT_EQ(screen.rootPixel(0, 0), kBlue);
    EXPECT_EQ(screen.rootPixel(kWidth - 1, kHeight - 1), kBlue);
}

INSTANTIATE_TEST_SUITE_P(
    wallpaper_stale_ids, X11StaleProperties,
    ::testing::Values(
        // A running program's window and its screen-sized pixmap, the only thing it holds.
        StaleOwner{"live_window", true, "window"}, StaleOwner{"live_pixmap", true, "pixmap"},
        // Left behind by programs that ended, but no wallpaper: a window, a pixmap that does
        // not cover the screen or lacks its depth, one whose owner also keeps a window.
        StaleOwner{"retained_window", false, "window"},
        StaleOwner{"retained_small_pixmap", false, "small-pixmap"},
        StaleOwner{"retained_bitmap", false, "bitmap"},
        StaleOwner{"retained_pixmap_beside_a_window", false, "pixmap-and-window"}),
    [](const auto& info) { return std::string(info.param.label); });

// Someone else frees our wallpaper (xkill, a setter of another convention) and leaves the
// root properties, and our own note of what we published, naming its id; the server then
// hands the freed client slot, and with it the same id, to the next connection.
enum class NextOwner { AnotherProgram, ThisProgram, OurNextChange };

struct ReusedId {
    const char* label;
    NextOwner owner;
};

void PrintTo(const ReusedId& reused, std::ostream* out) { *out << reused.label; }

class X11ReusedId : public ::testing::TestWithParam<ReusedId> {};

TEST_P(X11ReusedId, IsNotMistakenForOurPreviousWallpaper) {
    X11TestScreen screen(kWidth, kHeight, 24);
    ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)";
    EXPECT_EQ(screen.apply(solid(kRed)), QString());
    const Pixmap ours = screen.property("_XROOTPMAP_ID");
    screen.killOwner(ours);
    ASSERT_FALSE(screen.exists(ours));

    std::unique_ptr<LiveHolder> holder;
    Display* ownConnection = nullptr;
    XID reused = 0;
    if (GetParam().owner == NextOwner::AnotherProgram) {
        holder = screen.live(QStringLiteral("pixmap"), QStringLiteral("none"));
        reused = holder->id();
    } else if (GetParam().owner == NextOwner::ThisProgram) {
        ownConnection = XOpenDisplay(screen.name().toLatin1().constData());
        reused = XCreatePixmap(ownConnection, DefaultRootWindow(ownConnection), kWidth, kHeight,
                               DefaultDepth(ownConnection, 0));
        XSync(ownConnection, False);
    }
    if (GetParam().owner != NextOwner::OurNextChange) {
        ASSERT_EQ(reused, ours) << "the server gave the next client another slot";
    }

    EXPECT_EQ(screen.apply(solid(kBlue)), QString());
    EXPECT_EQ(screen.rootPixel(0, 0), kBlue);
    EXPECT_TRUE(screen.exists(screen.property("_XROOTPMAP_ID")));
    if (holder) {
        EXPECT_TRUE(holder->answers()) << "the program's connection was killed";
    }
    if (reused) {
        EXPECT_TRUE(screen.exists(reused)) << "the connection holding the id was killed";
    }
    if (ownConnection) XCloseDisplay(ownConnection);
}

INSTANTIATE_TEST_SUITE_P(wallpaper_reused_ids, X11ReusedId,
                         ::testing::Values(ReusedId{"another_program", NextOwner::AnotherProgram},
                                           ReusedId{"this_program", NextOwner::ThisProgram},
                                           ReusedId{"our_next_change", NextOwner::OurNextChange}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(wallpaper_x11_previous, ManyChangesLeaveOneRetainedClientHoldingOnePixmap) {
    X11TestScreen screen(kWidth, kHeight, 24);
    ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)";
    for (int change = 0; change < 50; ++change) {
        const QRgb colour = change % 2 ? kRed : kBlue;
        ASSERT_EQ(screen.apply(solid(colour)), QString()) << "change " << change;
        ASSERT_EQ(screen.rootPixel(1, 1), colour) << "change " << change;
    }
    EXPECT_EQ(screen.otherClients(), 1);
    EXPECT_EQ(screen.pixmapsHeld(), 1);
    EXPECT_TRUE(screen.exists(screen.property("_XROOTPMAP_ID")));
}

// Another setter taking turns with us. Those of the Esetroot convention leave their pixmap
// to be freed by the next setter and free ours; xsetroot -solid leaves both properties
// naming our pixmap, which the next change of ours frees.
struct OtherSetter {
    const char* program;
    const char* package;
    // %f: an image file of the colour, %c: the colour as #rrggbb.
    QStringList arguments;
    bool publishes;
};

void PrintTo(const OtherSetter& setter, std::ostream* out) { *out << setter.program; }

class X11OtherSetter : public ::testing::TestWithParam<OtherSetter> {};

TEST_P(X11OtherSetter, TakesTurnsWithUsWithoutLeakingOrKillingTheWrongClient) {
    const OtherSetter& setter = GetParam();
    const QString program = QString::fromLatin1(setter.program);
    if (QStandardPaths::findExecutable(program).isEmpty())
        GTEST_SKIP() << setter.program << " is not installed (package " << setter.package << ")";
    X11TestScreen screen(kWidth, kHeight, 24);
    ASSERT_TRUE(screen.connected()) << "Xvfb is needed (package xvfb)";
    testing_support::TempFolder folder;
    const auto runSetter = [&](QRgb colour) {
        const QString image = folder.filePath(QStringLiteral("%1.png").arg(colour, 0, 16));
        solid(colour).save(image);
        QStringList arguments = setter.arguments;
        arguments.replaceInStrings(QStringLiteral("%f"), image);
        arguments.replaceInStrings(QStringLiteral("%c"), QColor(colour).name());
        EXPECT_TRUE(screen.run(program, arguments));
        EXPECT_EQ(screen.rootPixel(kWidth / 2, kHeight / 2), colour) << setter.program;
    };

    runSetter(kRed);
    const Pixmap theirs = screen.property("_XROOTPMAP_ID");
    if (setter.publishes) {
        ASSERT_TRUE(theirs && screen.exists(theirs));
    }

    EXPECT_EQ(screen.apply(solid(kBlue)), QString());
    EXPECT_EQ(screen.rootPixel(kWidth / 2, kHeight / 2), kBlue);
    const Pixmap ours = screen.property("_XROOTPMAP_ID");
    if (setter.publishes) {
        EXPECT_FALSE(screen.exists(theirs)) << "its pixmap was not freed";
    }
    EXPECT_EQ(screen.otherClients(), 1);

    runSetter(kYellow);
    // Freed by the other setter, or, with xsetroot, still named and kept for us to free.
    EXPECT_EQ(screen.exists(ours), !setter.publishes);
    EXPECT_EQ(screen.otherClients(), 1);

    EXPECT_EQ(screen.apply(solid(kGreen)), QString());
    EXPECT_EQ(screen.rootPixel(kWidth / 2, kHeight / 2), kGreen);
    EXPECT_EQ(screen.otherClients(), 1);
    EXPECT_EQ(screen.pixmapsHeld(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    wallpaper_setters, X11OtherSetter,
    ::testing::Values(OtherSetter{"feh", "feh", {"--no-fehbg", "--bg-fill", "%f"}, true},
                      OtherSetter{"hsetroot", "hsetroot", {"-fill", "%f"}, true},
                      OtherSetter{"xsetroot", "x11-xserver-utils", {"-solid", "%c"}, false}),
    [](const auto& info) { return std::string(info.param.program); });

}  // namespace
}  // namespace wallpaper_test
