#include "e2e/Journey.h"

#include <poll.h>
#include <algorithm>

#include "showlist/PreviewFit.h"

// Last: Xlib's macros (None, Success, Bool...) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace e2e {
namespace {

std::vector<Window> childrenOf(Display* x, Window window) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    std::vector<Window> found;
    if (XQueryTree(x, window, &root, &parent, &children, &count))
        found.assign(children, children + count);
    if (children) XFree(children);
    return found;
}

// Where a window is in root coordinates, if it is on screen.
std::optional<QRect> viewable(Display* x, Window window) {
    XWindowAttributes a;
    int left = 0, top = 0;
    Window unused = 0;
    if (!XGetWindowAttributes(x, window, &a) || a.map_state != IsViewable ||
        !XTranslateCoordinates(x, window, DefaultRootWindow(x), 0, 0, &left, &top, &unused))
        return std::nullopt;
    return QRect(left, top, a.width, a.height);
}

}  // namespace

std::optional<QRect> previewBox(const QImage& s, const QRect& area, int scale) {
    const QSize size = QSize(showlist::kPreviewWidth, showlist::kPreviewHeight) * scale;
    const QRect in = area & s.rect();
    // How many pixels of the colour at (x, y) follow one another from there.
    const auto run = [&](int x, int y) {
        int length = 1;
        while (x + length <= in.right() && s.pixel(x + length, y) == s.pixel(x, y)) ++length;
        return length;
    };
    for (int y = in.top(); y + size.height() <= in.bottom() + 1; ++y)
        for (int x = in.left(); x <= in.right(); x += run(x, y)) {
            bool box = run(x, y) == size.width();
            for (int row = y + 1; box && row < y + size.height(); ++row)
                box = s.pixel(x, row) == s.pixel(x, y) && run(x, row) == size.width() &&
                      (x == in.left() || s.pixel(x - 1, row) != s.pixel(x, y));
            if (box) return QRect(QPoint(x, y), size);
        }
    return std::nullopt;
}

Journey::~Journey() {
    // Before the session ends the server: Xlib ends a process whose display goes away.
    program.reset();
    if (x_) XCloseDisplay(x_);
}

void Journey::TearDown() {
    if (!HasFailure() || !x_) return;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString path = QStringLiteral(QUORVANE_E2E_SCREENSHOTS "/%1.%2.png")
                             .arg(test->test_suite_name(), QString(test->name()).replace('/', '-'));
    QDir().mkpath(QUORVANE_E2E_SCREENSHOTS);
    QProcess::execute("import", {"-window", "root", path});
    std::cerr << "screen after the failure: " << path.toStdString() << '\n';
}

unsigned long Journey::atom(const char* name) const { return XInternAtom(x_, name, False); }

std::optional<QByteArray> Journey::property(unsigned long window, const char* name) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::optional<QByteArray> value;
    if (XGetWindowProperty(x_, window, atom(name), 0, 4096, False, AnyPropertyType, &type, &format,
                           &count, &remaining, &data) == Success &&
        type != None)
        value = QByteArray(reinterpret_cast<const char*>(data),
                           qsizetype(count * (format == 32 ? sizeof(long) : format / 8)));
    if (data) XFree(data);
    return value;
}

std::optional<unsigned long> Journey::cardinal(unsigned long window, const char* name) const {
    const std::optional<QByteArray> items = property(window, name);
    if (!items) return std::nullopt;
    return items->size() == sizeof(long) ? *reinterpret_cast<const unsigned long*>(items->data())
                                         : 0;
}

bool Journey::ours(unsigned long window) const {
    return cardinal(window, "_NET_WM_PID") == unsigned(program->process.processId());
}

bool Journey::active(unsigned long window) const {
    return waitFor([&] { return cardinal(DefaultRootWindow(x_), "_NET_ACTIVE_WINDOW") == window; });
}

QString Journey::startDesktop(QSize screen, const QStringList& monitors) {
    screenSize = screen;
    QDir().mkpath(home);
    if (const QString problem =
            session.problem() +
            (monitors.isEmpty() ? session.startDisplay(screen) : session.startMonitors(monitors));
        !problem.isEmpty())
        return problem;
    // Windows come and go while the tree is read: a request about a vanished window must
    // fail quietly, not end the test.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    if (!(x_ = XOpenDisplay(nullptr))) return "no X display: " + session.report();
    // The echo of a ping comes back as an event sent to the root window (Qt's to those who
    // select its structure events).
    XSelectInput(x_, DefaultRootWindow(x_), StructureNotifyMask | SubstructureNotifyMask);

    // A window manager announces itself through a check window named on the root window.
    const auto managing = [&] {
        const auto check = cardinal(DefaultRootWindow(x_), "_NET_SUPPORTING_WM_CHECK");
        return check && cardinal(*check, "_NET_SUPPORTING_WM_CHECK").has_value();
    };
    session.start("openbox", {"--sm-disable"});
    if (!waitFor(managing)) return "openbox did not take over the screen: " + session.report();
    const auto trayOwned = [&] {
        const Window owner = XGetSelectionOwner(x_, atom("_NET_SYSTEM_TRAY_S0"));
        return owner && cardinal(owner, "_NET_WM_PID") == trayPid_;
    };
    trayPid_ = session
                   .start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                                     "--width", "200", "--height", "32", "--transparent", "false"})
                   .processId();
    if (!waitFor(trayOwned))
        return "trayer did not become the notification area: " + session.report();
    return {};
}

QString Journey::startProgram(int tickMs, double scaleFactor) {
    QProcessEnvironment env = offscreenEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    if (scaleFactor != 1.0) env.insert("QT_SCALE_FACTOR", QString::number(scaleFactor));
    program = std::make_unique<RealProgram>(folder, env);
    program->process.setProcessChannelMode(QProcess::ForwardedChannels);
    return program->start(home, tickMs) ? QString() : program->process.errorString();
}

bool Journey::ping(unsigned long window) {
    XEvent request{};
    const long stamp = ++pingStamp_;
    request.xclient = {ClientMessage, 0, False, x_, window, Atom(atom("WM_PROTOCOLS")), 32, {}};
    request.xclient.data.l[0] = long(atom("_NET_WM_PING"));
    request.xclient.data.l[1] = stamp;
    request.xclient.data.l[2] = long(window);
    XSendEvent(x_, window, False, NoEventMask, &request);
    XFlush(x_);
    const QDeadlineTimer deadline(kDeadlineMs);
    while (!deadline.hasExpired()) {
        while (XPending(x_)) {
            XEvent event;
            XNextEvent(x_, &event);
            // The window manager pings clients too: only the echo of this ping counts.
            if (event.type == ClientMessage && event.xclient.data.l[1] == stamp &&
                Window(event.xclient.data.l[2]) == window)
                return true;
        }
        pollfd connection{ConnectionNumber(x_), POLLIN, 0};
        poll(&connection, 1, 20);
    }
    return false;
}

bool Journey::settle() {
    if (!program || program->process.state() != QProcess::Running) return false;
    // Any window of the program that takes pings answers; the oldest lives the longest.
    std::vector<Window> windows;
    const std::function<void(Window)> visit = [&](Window parent) {
        for (const Window child : childrenOf(x_, parent)) {
            if (ours(child) && cardinal(child, "WM_PROTOCOLS")) windows.push_back(child);
            visit(child);
        }
    };
    visit(DefaultRootWindow(x_));
    const auto oldest = std::min_element(windows.begin(), windows.end());
    return oldest != windows.end() && ping(*oldest) && ping(*oldest);
}

std::vector<Shown> Journey::everyWindow() {
    std::vector<Shown> found;
    const std::optional<QRect> icon = trayIcon();
    const std::function<void(Window)> visit = [&](Window parent) {
        for (const Window child : childrenOf(x_, parent)) {
            const auto at = viewable(x_, child);
            if (at && at != icon && ours(child)) found.push_back({child, *at});
            visit(child);
        }
    };
    visit(DefaultRootWindow(x_));
    return found;
}

std::vector<std::pair<Shown, QString>> Journey::managed() {
    std::vector<std::pair<Shown, QString>> shown;
    const QByteArray clients = property(DefaultRootWindow(x_), "_NET_CLIENT_LIST").value_or("");
    for (qsizetype i = 0; i + qsizetype(sizeof(long)) <= clients.size(); i += sizeof(long)) {
        const Window client = *reinterpret_cast<const unsigned long*>(clients.data() + i);
        if (const auto at = viewable(x_, client); at && ours(client))
            shown.push_back(
                {{client, *at}, QString::fromUtf8(property(client, "_NET_WM_NAME").value_or(""))});
    }
    return shown;
}

QStringList Journey::titles() {
    QStringList shown;
    for (const auto& [window, title] : managed()) shown << title;
    shown.sort();
    return shown;
}

std::optional<Shown> Journey::window(const QString& title) {
    const auto find = [&]() -> std::optional<Shown> {
        for (const auto& [window, named] : managed())
            if (named == title) return window;
        return std::nullopt;
    };
    // Placed and framed once it answers: the window manager handled the map before that.
    if (!waitFor([&] { return find().has_value(); }) || !settle()) return std::nullopt;
    return find();
}

std::optional<QRect> Journey::geometryOf(unsigned long window) { return viewable(x_, window); }

bool Journey::waitForGone(unsigned long window) {
    return waitFor([&] { return !viewable(x_, window); });
}

bool Journey::run(const QStringList& xdotool) const {
    QProcess process;
    process.start("xdotool", xdotool);
    return process.waitForFinished(kDeadlineMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool Journey::keys(const Shown& window, const QStringList& names) {
    return active(window.id) && std::all_of(names.begin(), names.end(), [&](const QString& name) {
               return run({"key", name}) && settle();
           });
}

bool Journey::typeInto(const Shown& window, const QString& text) {
    return active(window.id) && run({"type", "--delay", "10", text}) && settle();
}

bool Journey::answer(const QString& title, const QString& key) {
    const std::optional<Shown> question = window(title);
    // No round trip after the key: the answer may well end the program.
    return question && active(question->id) && run({"key", key}) && waitForGone(question->id);
}

bool Journey::click(QPoint at, int button, int count) {
    return run({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "--repeat",
                QString::number(count), "--delay", "80", QString::number(button)}) &&
           settle();
}

bool Journey::drag(QPoint from, const std::vector<QPoint>& via) {
    if (!run({"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown",
              "1"}) ||
        !settle())
        return false;
    for (const QPoint& at : via)
        if (!run({"mousemove", QString::number(at.x()), QString::number(at.y())}) || !settle())
            return false;
    return run({"mouseup", "1"}) && settle();
}

std::optional<QRect> Journey::trayIcon() {
    std::optional<QRect> icon;
    const std::function<void(Window, Window)> visit = [&](Window parent, Window host) {
        for (const Window child : childrenOf(x_, parent)) {
            if (icon) return;
            const auto at = viewable(x_, child);
            if (host && ours(child) && cardinal(child, "_XEMBED_INFO") && at && !at->isEmpty()) {
                icon = at;
                trayHost_ = host;
            }
            visit(child, cardinal(child, "_NET_WM_PID") == trayPid_ ? child : host);
        }
    };
    visit(DefaultRootWindow(x_), 0);
    return icon;
}

std::optional<QRect> Journey::placedTrayIcon() {
    std::optional<QRect> icon;
    const bool placed = waitFor([&] {
        const std::optional<QRect> before = trayIcon();
        return before && ping(trayHost_) && ping(trayHost_) && settle() &&
               (icon = trayIcon()) == before;
    });
    return placed ? icon : std::nullopt;
}

bool Journey::waitForScreen(const std::function<bool(const QImage&)>& check) {
    return waitFor([&] {
        const QImage shot = testing_support::screenshot();
        return !shot.isNull() && check(shot);
    });
}

}  // namespace e2e
