#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <csignal>

#include "VirtualDesktop.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"

// The real program on a real X server with a real XEmbed notification area, driven with
// real pointer events: it goes to the tray at start-up, and a double click on its icon there
// - not a single click - brings the main window back.
namespace {

using e2e::XWindowState;

constexpr int kDeadlineMs = 15000;

template <typename Condition>
bool waitUntil(Condition condition) {
    const QDeadlineTimer deadline(kDeadlineMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(20);
    }
    return true;
}

class TrayIconEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const QString problem = desktop.start(folder.path());
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
        paths = {folder.filePath(QStringLiteral("harbour at dawn.bmp")),
                 folder.filePath(QStringLiteral("old mill.bmp")),
                 folder.filePath(QStringLiteral("snow field.bmp"))};
    }

    void TearDown() override { e2e::endProcess(program); }

    QString storePath() const { return folder.filePath(QStringLiteral("ZARN.DAT")); }

    // Stores the three-image show list, the first record carrying the saved wallpaper, and
    // starts the program with every wallpaper change going to a recording script.
    void startProgram(const showlist::FieldValue& savedWallpaper) {
        testing_support::writeStore(
            storePath(),
            {{paths[0], QStringLiteral("Harbour at dawn"), QStringLiteral("5"), savedWallpaper},
             {paths[1], QStringLiteral("Old mill"), QStringLiteral("5"), std::nullopt},
             {paths[2], QStringLiteral("Snow field"), QStringLiteral("5"), std::nullopt}});
        const QString recorder =
            folder.write(QStringLiteral("record.sh"),
                         "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/applied.txt\"\n");
        QFile::setPermissions(recorder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcessEnvironment env = desktop.environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QUORVANE_WALLPAPER_CMD"),
                   QLatin1Char('"') + recorder + QStringLiteral("\" %f"));
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        // A tick far longer than the test: no rotation step can change the wallpaper here.
        program.start(
            QStringLiteral(QUORVANE_EXECUTABLE),
            {"--home", folder.path(), "--wallpaper-backend", "command", "--tick-ms", "600000"});
        ASSERT_TRUE(program.waitForStarted(kDeadlineMs)) << program.errorString().toStdString();
    }

    // The program's icon: a window of it embedded in the tray's panel and shown there.
    std::optional<XWindowState> trayIcon() {
        for (const XWindowState& window : desktop.x().windowsOf(program.processId()))
            if (!window.isTopLevel && window.viewable && !window.geometry.isEmpty() &&
                desktop.x().processOf(window.topLevel) == desktop.trayProcessId() &&
                desktop.x().hasProperty(window.id, "_XEMBED_INFO"))
                return window;
        return std::nullopt;
    }

    // The program's top-level windows on screen; with popups, also tooltips and the like.
    std::vector<XWindowState> shownWindows(bool withPopups) {
        std::vector<XWindowState> shown;
        for (const XWindowState& window : desktop.x().windowsOf(program.processId()))
            if (window.isTopLevel && window.viewable && (withPopups || !window.overrideRedirect))
                shown.push_back(window);
        return shown;
    }

    // True once the client owning the window has handled every event the server queued for
    // it so far: the first echo shows it has read them, the second that its event loop has
    // turned since, which is when Qt hands input to the widgets and GTK lays out its windows.
    bool settled(e2e::XWindowId window) {
        return desktop.x().ping(window, kDeadlineMs) && desktop.x().ping(window, kDeadlineMs);
    }

    // The icon once it has found its place: trayer first puts a new icon at the panel's left
    // edge and moves it to the right end later, so the icon is ready for the pointer only
    // when a round trip with both programs leaves it where it was.
    std::optional<XWindowState> waitForIcon() {
        std::optional<XWindowState> icon;
        const bool placed = waitUntil([&] {
            const std::optional<XWindowState> before = trayIcon();
            if (!before || !settled(before->topLevel) || !settled(before->id)) return false;
            icon = trayIcon();
            return icon && icon->geometry == before->geometry;
        });
        return placed ? icon : std::nullopt;
    }

    bool click(const QPoint& at, int count) {
        QStringList arguments = {QStringLiteral("mousemove"), QStringLiteral("--sync"),
                                 QString::number(at.x()), QString::number(at.y()),
                                 QStringLiteral("click")};
        if (count > 1)
            arguments << QStringLiteral("--repeat") << QString::number(count)
                      << QStringLiteral("--delay") << QStringLiteral("80");
        arguments << QStringLiteral("1");
        return desktop.run(QStringLiteral("xdotool"), arguments).has_value();
    }

    // Every path the wallpaper command was given, in order.
    QStringList applied() const {
        QFile file(folder.filePath(QStringLiteral("applied.txt")));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Takes a screenshot into the test's folder and tells whether it shows the window
    // painted: its text, frames and icons give many colours where an unpainted window has one.
    bool screenShowsPainted(const QRect& window) {
        const QString screenshot = folder.filePath(QStringLiteral("screen.png"));
        if (!desktop.run(QStringLiteral("import"), {"-window", "root", screenshot})) return false;
        const QImage screen(screenshot);
        const QRect area = window & screen.rect();
        QSet<QRgb> colours;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) colours.insert(screen.pixel(x, y));
        return colours.size() >= 16;
    }

    // Ends the program the way a logout does.
    void terminateProgram() {
        ASSERT_EQ(::kill(pid_t(program.processId()), SIGTERM), 0);
        ASSERT_TRUE(program.waitForFinished(kDeadlineMs));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
    }

    testing_support::TempFolder folder;
    e2e::VirtualDesktop desktop;
    QProcess program;
    QStringList paths;
};

TEST_F(TrayIconEndToEnd, SingleClickLeavesTheWindowHidden) {
    ASSERT_NO_FATAL_FAILURE(startProgram(std::nullopt));
    const std::optional<XWindowState> icon = waitForIcon();
    ASSERT_TRUE(icon) << "the icon never appeared in the notification area";
    ASSERT_TRUE(settled(icon->id));

    ASSERT_TRUE(click(icon->geometry.center(), 1));
    ASSERT_TRUE(settled(icon->id)) << "the icon left the notification area";
    EXPECT_TRUE(shownWindows(false).empty());
    EXPECT_TRUE(trayIcon());
    EXPECT_EQ(applied(), QStringList());

    terminateProgram();
}

struct SavedWallpaper {
    const char* name;
    // Which record's path the store holds as the saved wallpaper, if any.
    std::optional<int> saved;
    // The record whose image the window re-applies when it opens.
    int shown;
};

void PrintTo(const SavedWallpaper& store, std::ostream* out) { *out << store.name; }

class TrayIconDoubleClick : public TrayIconEndToEnd,
                            public ::testing::WithParamInterface<SavedWallpaper> {};

TEST_P(TrayIconDoubleClick, OpensTheWindowAndReappliesTheWallpaper) {
    const SavedWallpaper& store = GetParam();
    const QString shown = paths[store.shown];
    ASSERT_NO_FATAL_FAILURE(
        startProgram(store.saved ? showlist::FieldValue(paths[*store.saved]) : std::nullopt));
    const std::optional<XWindowState> icon = waitForIcon();
    ASSERT_TRUE(icon) << "the icon never appeared in the notification area";
    ASSERT_TRUE(settled(icon->id));
    // Start-up goes straight to the notification area and leaves the wallpaper alone.
    EXPECT_TRUE(shownWindows(true).empty());
    EXPECT_EQ(applied(), QStringList());

    ASSERT_TRUE(click(icon->geometry.center(), 2));
    std::vector<XWindowState> windows;
    ASSERT_TRUE(waitUntil([&] { return !(windows = shownWindows(false)).empty(); }))
        << "no window opened";
    ASSERT_EQ(windows.size(), 1u);
    const XWindowState window = windows.front();
    // The icon stays out of the notification area while the window is open.
    EXPECT_TRUE(waitUntil([&] { return !trayIcon(); }));
    ASSERT_TRUE(settled(window.id));
    EXPECT_EQ(applied(), QStringList{shown});
    EXPECT_TRUE(waitUntil([&] { return screenShowsPainted(window.geometry); }))
        << "the window never painted";

    terminateProgram();
    const auto records = testing_support::readStore(storePath());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].setup, shown);
    EXPECT_EQ(records[1].setup, std::nullopt);
    EXPECT_EQ(records[2].setup, std::nullopt);
}

// Start-up alone would record the image after the saved one; opening the window re-applies
// the saved one, and that is what the exit records.
INSTANTIATE_TEST_SUITE_P(Store, TrayIconDoubleClick,
                         ::testing::Values(SavedWallpaper{"NoneSaved", std::nullopt, 0},
                                           SavedWallpaper{"LastSaved", 2, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
