#include "e2e/XConnection.h"

#include <poll.h>
#include <QDeadlineTimer>
#include <functional>

// Last: Xlib's macros (None, Success, Bool...) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace e2e {
namespace {

// The children of a window, bottom-most first.
std::vector<XWindowId> childrenOf(Display* x, XWindowId window, XWindowId* parent = nullptr) {
    std::vector<XWindowId> found;
    Window root = 0, up = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(x, window, &root, &up, &children, &count)) {
        found.assign(children, children + count);
        if (parent) *parent = up;
    }
    if (children) XFree(children);
    return found;
}

// Where a window is in root coordinates, and whether it and its ancestors are mapped.
std::optional<std::pair<QRect, bool>> placement(Display* x, XWindowId window) {
    XWindowAttributes a;
    int left = 0, top = 0;
    Window unused = 0;
    if (!XGetWindowAttributes(x, window, &a) ||
        !XTranslateCoordinates(x, window, DefaultRootWindow(x), 0, 0, &left, &top, &unused))
        return std::nullopt;
    return std::pair{QRect(left, top, a.width, a.height), a.map_state == IsViewable};
}

}  // namespace

XConnection::XConnection(const QString& display) {
    // Windows come and go while the tree is read (a tooltip closing, a dialog ending): a
    // request about a vanished window must fail quietly, not end the test.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    x_ = XOpenDisplay(display.toLocal8Bit().constData());
    if (!x_) return;
    // Top-level windows report their creation, moves and mapping to the root window; the
    // echo of a ping comes back as an event sent to the root as well.
    XSelectInput(x_, DefaultRootWindow(x_), StructureNotifyMask | SubstructureNotifyMask);
    XSync(x_, False);
}

XConnection::~XConnection() {
    if (x_) XCloseDisplay(x_);
}

int XConnection::fileDescriptor() const { return ConnectionNumber(x_); }

XWindowId XConnection::root() const { return DefaultRootWindow(x_); }

unsigned long XConnection::atom(const char* name) const { return XInternAtom(x_, name, False); }

std::optional<unsigned long> XConnection::cardinal(XWindowId window, const char* name) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::optional<unsigned long> value;
    if (XGetWindowProperty(x_, window, atom(name), 0, 1, False, AnyPropertyType, &type, &format,
                           &count, &remaining, &data) == Success &&
        type != None)
        value = format == 32 && count == 1 ? *reinterpret_cast<unsigned long*>(data) : 0;
    if (data) XFree(data);
    return value;
}

QString XConnection::utf8Text(XWindowId window, const char* name) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    QString text;
    if (XGetWindowProperty(x_, window, atom(name), 0, 4096, False, atom("UTF8_STRING"), &type,
                           &format, &count, &remaining, &data) == Success &&
        format == 8 && data)
        text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(count));
    if (data) XFree(data);
    return text;
}

bool XConnection::hasProperty(XWindowId window, const char* name) const {
    return cardinal(window, name).has_value();
}

qint64 XConnection::pidOf(XWindowId window) const {
    const std::optional<unsigned long> pid = cardinal(window, "_NET_WM_PID");
    return pid ? qint64(*pid) : -1;
}

XWindowId XConnection::selectionOwner(const char* selection) const {
    return XGetSelectionOwner(x_, atom(selection));
}

XWindowId XConnection::activeWindow() const {
    return cardinal(DefaultRootWindow(x_), "_NET_ACTIVE_WINDOW").value_or(0);
}

std::vector<XWindowId> XConnection::managedClients() const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::vector<XWindowId> clients;
    if (XGetWindowProperty(x_, DefaultRootWindow(x_), atom("_NET_CLIENT_LIST"), 0, 4096, False,
                           XA_WINDOW, &type, &format, &count, &remaining, &data) == Success &&
        format == 32 && data) {
        const auto* windows = reinterpret_cast<const unsigned long*>(data);
        clients.assign(windows, windows + count);
    }
    if (data) XFree(data);
    return clients;
}

std::optional<ShownWindow> XConnection::describe(XWindowId window) const {
    const auto client = placement(x_, window);
    if (!client) return std::nullopt;
    ShownWindow shown{window,         window,        utf8Text(window, "_NET_WM_NAME"),
                      client->second, client->first, client->first};
    const XWindowId root = DefaultRootWindow(x_);
    for (;;) {
        XWindowId parent = 0;
        childrenOf(x_, shown.frame, &parent);
        // Zero: the window went while we climbed.
        if (parent == 0) return std::nullopt;
        if (parent == root) break;
        shown.frame = parent;
    }
    XWindowAttributes frame;
    if (shown.frame != window && XGetWindowAttributes(x_, shown.frame, &frame))
        shown.frameGeometry = QRect(frame.x, frame.y, frame.width + 2 * frame.border_width,
                                    frame.height + 2 * frame.border_width);
    return shown;
}

std::vector<XWindowId> XConnection::windowsOf(qint64 pid) const {
    std::vector<XWindowId> found;
    const std::function<void(XWindowId)> visit = [&](XWindowId window) {
        for (const XWindowId child : childrenOf(x_, window)) {
            if (pidOf(child) == pid) found.push_back(child);
            visit(child);
        }
    };
    visit(DefaultRootWindow(x_));
    return found;
}

std::optional<EmbeddedWindow> XConnection::embeddedWindow(qint64 pid, qint64 hostPid) const {
    std::optional<EmbeddedWindow> found;
    const std::function<void(XWindowId, XWindowId)> visit = [&](XWindowId window, XWindowId host) {
        for (const XWindowId child : childrenOf(x_, window)) {
            if (found) return;
            const qint64 owner = pidOf(child);
            if (host && owner == pid && hasProperty(child, "_XEMBED_INFO")) {
                const auto shown = placement(x_, child);
                if (shown && shown->second && !shown->first.isEmpty())
                    found = EmbeddedWindow{child, host, shown->first};
            }
            visit(child, owner == hostPid ? child : host);
        }
    };
    visit(DefaultRootWindow(x_), 0);
    return found;
}

std::optional<QRect> XConnection::closeButton(const ShownWindow& window) const {
    std::optional<QRect> rightmost;
    const std::function<void(XWindowId)> visit = [&](XWindowId parent) {
        for (const XWindowId child : childrenOf(x_, parent)) {
            if (child == window.id) continue;
            const auto shown = placement(x_, child);
            if (!shown) continue;
            const QRect& r = shown->first;
            // Buttons are square; the title bar lies above the client area.
            if (shown->second && r.width() == r.height() && r.width() >= 6 &&
                r.bottom() < window.geometry.top() &&
                (!rightmost || r.right() > rightmost->right()))
                rightmost = r;
            visit(child);
        }
    };
    if (window.frame != window.id) visit(window.frame);
    return rightmost;
}

bool XConnection::ping(XWindowId window, int timeoutMs) {
    const Atom protocols = atom("WM_PROTOCOLS");
    const long stamp = ++pingStamp_;
    pingedWindow_ = window;
    XEvent request{};
    request.xclient = {ClientMessage, 0, False, x_, window, protocols, 32, {}};
    request.xclient.data.l[0] = long(atom("_NET_WM_PING"));
    request.xclient.data.l[1] = stamp;
    request.xclient.data.l[2] = long(window);
    XSendEvent(x_, window, False, NoEventMask, &request);
    XFlush(x_);
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        readEvents();
        if (answeredStamp_ == stamp) return true;
        if (deadline.hasExpired()) return false;
        pollfd connection{ConnectionNumber(x_), POLLIN, 0};
        poll(&connection, 1, int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

void XConnection::readEvents() {
    while (XPending(x_)) {
        XEvent event;
        XNextEvent(x_, &event);
        handle(&event);
    }
}

TopLevelTrack* XConnection::track(XWindowId window) {
    // Identifiers are used again once a window is gone: the newest track is the live one.
    for (auto it = topLevels_.rbegin(); it != topLevels_.rend(); ++it)
        if (it->id == window) return &*it;
    return nullptr;
}

void XConnection::handle(const void* raw) {
    const auto& event = *static_cast<const XEvent*>(raw);
    const Window root = DefaultRootWindow(x_);
    switch (event.type) {
        case CreateNotify:
            if (event.xcreatewindow.parent != root) return;
            topLevels_.push_back({event.xcreatewindow.window,
                                  bool(event.xcreatewindow.override_redirect),
                                  false,
                                  false,
                                  -1,
                                  {QRect(event.xcreatewindow.x, event.xcreatewindow.y,
                                         event.xcreatewindow.width, event.xcreatewindow.height)}});
            break;
        case ConfigureNotify:
            if (event.xconfigure.event != root || event.xconfigure.window == root) return;
            if (TopLevelTrack* t = track(event.xconfigure.window)) {
                const QRect moved(event.xconfigure.x, event.xconfigure.y, event.xconfigure.width,
                                  event.xconfigure.height);
                if (t->geometries.empty() || t->geometries.back() != moved)
                    t->geometries.push_back(moved);
            }
            break;
        case MapNotify:
            if (event.xmap.event != root) return;
            if (TopLevelTrack* t = track(event.xmap.window)) {
                t->mapped = true;
                t->gone = false;
                // Read now: the window may be gone by the time anybody asks.
                t->pid = pidOf(event.xmap.window);
            }
            break;
        case UnmapNotify:
        case DestroyNotify:
            // The two events lay out their event and window fields alike.
            if (event.xunmap.event != root) return;
            if (TopLevelTrack* t = track(event.xunmap.window)) t->gone = t->mapped;
            break;
        case ClientMessage:
            // The window manager pings clients too: only the echo of our latest ping counts.
            if (event.xclient.message_type == atom("WM_PROTOCOLS") &&
                Atom(event.xclient.data.l[0]) == atom("_NET_WM_PING") &&
                event.xclient.data.l[1] == pingStamp_ &&
                XWindowId(event.xclient.data.l[2]) == pingedWindow_)
                answeredStamp_ = pingStamp_;
            break;
        default:
            break;
    }
}

}  // namespace e2e
