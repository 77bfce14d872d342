#include <gtest/gtest.h>
#include <poll.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <csignal>

#include "support/StoreFixture.h"
#include "support/TempFolder.h"

// Last: Xlib's macros (None, Success, Bool...) would clash with the headers above.
#include <X11/Xlib.h>

// The real program on a real X server (Xvfb) with a real XEmbed notification area (trayer)
// and nothing else - no window manager, no session bus - driven with real pointer events
// (xdotool): it goes to the tray at start-up, and a double click on its icon there - not a
// single click - brings the main window back.
namespace {

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

// Asks a child to end, then makes sure it has.
void endProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (process.waitForFinished(5000)) return;
    process.kill();
    process.waitForFinished(5000);
}

// One window of the X server's tree as the server sees it now, in root coordinates.
struct XWindowState {
    Window id, topLevel;  // topLevel: its ancestor that is a child of the root window
    bool viewable;        // mapped with every ancestor mapped
    bool popup;           // override-redirect: tooltips, menus, which no window manager manages
    QRect geometry;
};

// The parameter: which record's path the store holds as the saved wallpaper, if any.
class TrayIconEndToEnd : public ::testing::TestWithParam<std::optional<int>> {
protected:
    // Starts the program on the three-image list, every wallpaper it sets going to a script.
    void SetUp() override {
        const QString problem = startDesktop();
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
        if (GetParam()) list[0].setup = list[*GetParam()].path;
        testing_support::writeStore(folder.filePath("ZARN.DAT"), list);
        const QString recorder = folder.write(
            "record.sh", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/applied.txt\"\n");
        QFile::setPermissions(recorder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = environment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("QUORVANE_WALLPAPER_CMD", '"' + recorder + "\" %f");
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        // A tick far longer than the test: no rotation step can change the wallpaper here.
        program.start(QUORVANE_EXECUTABLE, {"--home", folder.path(), "--wallpaper-backend",
                                            "command", "--tick-ms", "600000"});
        ASSERT_TRUE(program.waitForStarted(kDeadlineMs)) << program.errorString().toStdString();
    }
    void TearDown() override {
        endProcess(program);
        if (x) XCloseDisplay(x);
        endProcess(trayer);
        endProcess(server);
    }

    Atom atom(const char* name) const { return XInternAtom(x, name, False); }
    // The first 32-bit item of a window's property, 0 for other formats; none when absent.
    std::optional<unsigned long> property(Window window, const char* name) const {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        std::optional<unsigned long> value;
        if (XGetWindowProperty(x, window, atom(name), 0, 1, False, AnyPropertyType, &type, &format,
                               &count, &remaining, &data) == Success &&
            type != None)
            value = format == 32 && count == 1 ? *reinterpret_cast<unsigned long*>(data) : 0;
        if (data) XFree(data);
        return value;
    }
    bool ownedBy(Window window, const QProcess& process) const {
        return property(window, "_NET_WM_PID") == static_cast<unsigned long>(process.processId());
    }

    // Every window below `window` that belongs to the program, by _NET_WM_PID.
    std::vector<XWindowState> programWindows(Window window = 0, Window topLevel = 0) const {
        std::vector<XWindowState> found;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(x, window ? window : DefaultRootWindow(x), &root, &parent, &children,
                        &count))
            return found;
        for (unsigned int i = 0; i < count; ++i) {
            const Window child = children[i], childTopLevel = window ? topLevel : child;
            XWindowAttributes a;
            int left = 0, top = 0;
            Window unused = 0;
            if (ownedBy(child, program) && XGetWindowAttributes(x, child, &a) &&
                XTranslateCoordinates(x, child, root, 0, 0, &left, &top, &unused))
                found.push_back({child, childTopLevel, a.map_state == IsViewable,
                                 bool(a.override_redirect), QRect(left, top, a.width, a.height)});
            for (const auto& below : programWindows(child, childTopLevel)) found.push_back(below);
        }
        if (children) XFree(children);
        return found;
    }

    // Sends _NET_WM_PING to a client's window and waits for the echo on the root window.
    // A client answers from its event loop, so the echo proves it has read everything the
    // server queued for it before the ping.
    bool ping(Window window) {
        const Atom protocols = atom("WM_PROTOCOLS"), pingAtom = atom("_NET_WM_PING");
        const long stamp = ++pingStamp;
        XEvent request{};
        request.xclient = {ClientMessage, 0, False, x, window, protocols, 32, {}};
        request.xclient.data.l[0] = long(pingAtom);
        request.xclient.data.l[1] = stamp;
        request.xclient.data.l[2] = long(window);
        XSendEvent(x, window, False, NoEventMask, &request);
        XFlush(x);
        const QDeadlineTimer deadline(kDeadlineMs);
        for (;;) {
            while (XPending(x)) {
                XEvent event;
                XNextEvent(x, &event);
                if (event.type == ClientMessage && event.xclient.message_type == protocols &&
                    Atom(event.xclient.data.l[0]) == pingAtom && event.xclient.data.l[1] == stamp)
                    return true;
            }
            if (deadline.hasExpired()) return false;
            pollfd connection{ConnectionNumber(x), POLLIN, 0};
            poll(&connection, 1, int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }

    // Starts a program of the desktop, its errors going to a log in the test's folder.
    bool launch(QProcess& process, const QString& name, const QStringList& arguments) {
        process.setProcessEnvironment(environment());
        process.setStandardErrorFile(folder.filePath(name + ".log"));
        process.start(name, arguments, QIODevice::ReadOnly);
        return process.waitForStarted(kDeadlineMs);
    }

    // Returns what went wrong, or nothing once the tray owns the tray manager selection.
    QString startDesktop() {
        QDir().mkpath(folder.filePath("runtime"));
        QFile::setPermissions(folder.filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // -displayfd makes the server pick a free display itself and write its number to our
        // end of the pipe once it accepts clients.
        if (!launch(server, "Xvfb",
                    {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}))
            return "Xvfb could not be started (scripts/install-deps.sh installs it)";
        waitUntil([&] {
            server.waitForReadyRead(100);
            return server.canReadLine() || server.state() != QProcess::Running;
        });
        if (!server.canReadLine()) return "Xvfb reported no display:\n" + text("Xvfb.log");
        display = ':' + QString::fromLatin1(server.readLine().trimmed());

        // Windows come and go while the tree is read (a tooltip closing, the icon leaving the
        // tray): a request about a vanished window must fail quietly, not end the test.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        x = XOpenDisplay(display.toLocal8Bit().constData());
        if (!x) return "Cannot connect to " + display;
        // The echo of a ping comes back as an event sent to the root window, with the mask of
        // a window manager's events (GTK) or of the root's own (Qt).
        XSelectInput(x, DefaultRootWindow(x), StructureNotifyMask | SubstructureNotifyMask);

        if (!launch(trayer, "trayer",
                    {"--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width",
                     "200", "--height", "32", "--transparent", "false"}))
            return "trayer could not be started (scripts/install-deps.sh installs it)";
        const auto ownsTray = [&] {
            return ownedBy(XGetSelectionOwner(x, atom("_NET_SYSTEM_TRAY_S0")), trayer);
        };
        waitUntil([&] { return ownsTray() || trayer.state() != QProcess::Running; });
        return ownsTray() ? QString()
                          : "trayer did not become the notification area:\n" + text("trayer.log");
    }

    // Only the display, none of the session this test itself may run in.
    QProcessEnvironment environment() const {
        QProcessEnvironment env;
        for (const char* name : {"PATH", "HOME", "LANG", "LC_ALL", "LD_LIBRARY_PATH", "TMPDIR"})
            if (qEnvironmentVariableIsSet(name)) env.insert(name, qEnvironmentVariable(name));
        env.insert("DISPLAY", display);
        // With no address, libdbus would autolaunch a session bus on this display and leave it
        // running; an address nobody listens on means "no session bus" and nothing more.
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + folder.filePath("no-session-bus"));
        env.insert("XDG_RUNTIME_DIR", folder.filePath("runtime"));
        env.insert("NO_AT_BRIDGE", "1");
        return env;
    }

    // Runs a short X client (xdotool, import) on the display; false when it failed.
    bool run(const QString& client, const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(client, arguments);
        return process.waitForFinished(kDeadlineMs) &&
               process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    // The program's icon: a window of it embedded in the tray's panel and shown there.
    std::optional<XWindowState> trayIcon() {
        for (const XWindowState& window : programWindows())
            if (window.id != window.topLevel && window.viewable && !window.geometry.isEmpty() &&
                ownedBy(window.topLevel, trayer) && property(window.id, "_XEMBED_INFO"))
                return window;
        return std::nullopt;
    }

    // The program's top-level windows on screen; with popups, also tooltips and the like.
    std::vector<XWindowState> shownWindows(bool withPopups) {
        std::vector<XWindowState> shown;
        for (const XWindowState& window : programWindows())
            if (window.id == window.topLevel && window.viewable && (withPopups || !window.popup))
                shown.push_back(window);
        return shown;
    }

    // True once the client owning the window has handled every event the server queued for
    // it so far: the first echo shows it has read them, the second that its event loop has
    // turned since, which is when Qt hands input to the widgets and GTK lays out its windows.
    bool settled(Window window) { return ping(window) && ping(window); }

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

    // The server handles the motion before the clicks, as it takes requests in order.
    bool click(const QPoint& at, int count) {
        return run("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()),
                               "click", "--repeat", QString::number(count), "--delay", "80", "1"});
    }

    QString text(const char* file) const {
        return testing_support::fileBytes(folder.filePath(file));
    }
    // Every path the wallpaper command was given, in order.
    QStringList applied() const { return text("applied.txt").split('\n', Qt::SkipEmptyParts); }

    // Takes a screenshot and tells whether it shows the window painted: its text, frames and
    // icons give many colours where an unpainted window has one.
    bool screenShowsPainted(const QRect& window) {
        const QString screenshot = folder.filePath("screen.png");
        if (!run("import", {"-window", "root", screenshot})) return false;
        const QImage screen(screenshot);
        const QRect area = window & screen.rect();
        QSet<QRgb> colours;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) colours.insert(screen.pixel(x, y));
        return colours.size() >= 16;
    }

    testing_support::TempFolder folder;
    QString display;
    QProcess server, trayer, program;
    Display* x = nullptr;
    long pingStamp = 0;
    std::vector<testing_support::StoredRecord> list = {
        {folder.filePath("harbour at dawn.bmp"), "Harbour at dawn", "5", {}},
        {folder.filePath("old mill.bmp"), "Old mill", "5", {}},
        {folder.filePath("snow field.bmp"), "Snow field", "5", {}}};
};

TEST_P(TrayIconEndToEnd, ASingleClickLeavesTheWindowHiddenADoubleClickOpensItAndReapplies) {
    // Opening the window re-applies the saved image, or the first; start-up alone would
    // record the one after it.
    const QString shown = *list[GetParam().value_or(0)].path;
    const std::optional<XWindowState> icon = waitForIcon();
    ASSERT_TRUE(icon) << "the icon never appeared in the notification area";
    ASSERT_TRUE(settled(icon->id));
    // Start-up goes straight to the notification area and leaves the wallpaper alone.
    EXPECT_TRUE(shownWindows(true).empty());
    EXPECT_EQ(applied(), QStringList());

    ASSERT_TRUE(click(icon->geometry.center(), 1));
    ASSERT_TRUE(settled(icon->id)) << "a single click took the icon out of the tray";
    EXPECT_TRUE(shownWindows(false).empty());
    EXPECT_TRUE(trayIcon());
    EXPECT_EQ(applied(), QStringList());

    ASSERT_TRUE(click(icon->geometry.center(), 2));
    std::vector<XWindowState> windows;
    ASSERT_TRUE(waitUntil([&] { return !(windows = shownWindows(false)).empty(); }))
        << "no window opened";
    ASSERT_EQ(windows.size(), 1u);
    // The icon stays out of the notification area while the window is open.
    EXPECT_TRUE(waitUntil([&] { return !trayIcon(); }));
    ASSERT_TRUE(settled(windows[0].id));
    EXPECT_EQ(applied(), QStringList{shown});
    EXPECT_TRUE(waitUntil([&] { return screenShowsPainted(windows[0].geometry); }))
        << "the window never painted";

    // Ends the program the way a logout does.
    ASSERT_EQ(::kill(pid_t(program.processId()), SIGTERM), 0);
    ASSERT_TRUE(program.waitForFinished(kDeadlineMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    list[0].setup = shown;
    EXPECT_EQ(testing_support::readStore(folder.filePath("ZARN.DAT")), list);
}

INSTANTIATE_TEST_SUITE_P(, TrayIconEndToEnd, ::testing::Values(std::nullopt, 2),
                         [](const auto& info) { return info.param ? "LastSaved" : "NoneSaved"; });

}  // namespace
