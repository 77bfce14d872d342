#include "XConnection.h"

#include <poll.h>
#include <QDeadlineTimer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace e2e {

namespace {

// Windows come and go while the tree is read (a tooltip closing, the icon leaving the
// tray); a request about a vanished window must fail quietly instead of ending the test.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

Atom atom(Display* display, const char* name) { return XInternAtom(display, name, False); }

}  // namespace

XConnection::XConnection(const QByteArray& displayName) {
    XSetErrorHandler(ignoreXError);
    display_ = XOpenDisplay(displayName.constData());
    // The echo of a ping comes back as an event sent to the root window, with the mask of
    // a window manager's events (GTK) or of the root's own (Qt).
    if (display_)
        XSelectInput(display_, DefaultRootWindow(display_),
                     StructureNotifyMask | SubstructureNotifyMask);
}

XConnection::~XConnection() {
    if (display_) XCloseDisplay(display_);
}

XWindowId XConnection::selectionOwner(const char* selection) const {
    return XGetSelectionOwner(display_, atom(display_, selection));
}

std::optional<qint64> XConnection::processOf(XWindowId window) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::optional<qint64> pid;
    if (XGetWindowProperty(display_, window, atom(display_, "_NET_WM_PID"), 0, 1, False,
                           XA_CARDINAL, &type, &format, &count, &remaining, &data) == Success &&
        type == XA_CARDINAL && format == 32 && count == 1)
        pid = qint64(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return pid;
}

bool XConnection::hasProperty(XWindowId window, const char* name) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool present =
        XGetWindowProperty(display_, window, atom(display_, name), 0, 0, False, AnyPropertyType,
                           &type, &format, &count, &remaining, &data) == Success &&
        type != 0;
    if (data) XFree(data);
    return present;
}

std::optional<XWindowState> XConnection::stateOf(XWindowId window, XWindowId topLevel) const {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window, &attributes)) return std::nullopt;
    const Window root = DefaultRootWindow(display_);
    int x = 0;
    int y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display_, window, root, 0, 0, &x, &y, &child)) return std::nullopt;
    XWindowState state;
    state.id = window;
    state.topLevel = topLevel;
    state.isTopLevel = window == topLevel;
    state.viewable = attributes.map_state == IsViewable;
    state.overrideRedirect = attributes.override_redirect;
    state.geometry = QRect(x, y, attributes.width, attributes.height);
    return state;
}

void XConnection::collect(XWindowId window, XWindowId topLevel, qint64 pid,
                          std::vector<XWindowState>& found) const {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, window, &root, &parent, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i) {
        const XWindowId child = children[i];
        const XWindowId childTopLevel = window == root ? child : topLevel;
        if (processOf(child) == pid)
            if (const auto state = stateOf(child, childTopLevel)) found.push_back(*state);
        collect(child, childTopLevel, pid, found);
    }
    if (children) XFree(children);
}

std::vector<XWindowState> XConnection::windowsOf(qint64 pid) const {
    std::vector<XWindowState> found;
    collect(DefaultRootWindow(display_), 0, pid, found);
    return found;
}

bool XConnection::ping(XWindowId window, int timeoutMs) {
    const Atom protocols = atom(display_, "WM_PROTOCOLS");
    const Atom pingAtom = atom(display_, "_NET_WM_PING");
    const long stamp = ++pingStamp_;
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = window;
    request.xclient.message_type = protocols;
    request.xclient.format = 32;
    request.xclient.data.l[0] = long(pingAtom);
    request.xclient.data.l[1] = stamp;
    request.xclient.data.l[2] = long(window);
    XSendEvent(display_, window, False, NoEventMask, &request);
    XFlush(display_);

    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == ClientMessage && event.xclient.message_type == protocols &&
                Atom(event.xclient.data.l[0]) == pingAtom && event.xclient.data.l[1] == stamp)
                return true;
        }
        if (deadline.hasExpired()) return false;
        pollfd connection{ConnectionNumber(display_), POLLIN, 0};
        poll(&connection, 1, int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

}  // namespace e2e
