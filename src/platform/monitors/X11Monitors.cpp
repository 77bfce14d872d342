#include "X11Monitors.h"

#include <QSocketNotifier>

// Xlib last: its macros (None, Bool, Status) collide with names in Qt headers.
#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

namespace platform {

struct X11Monitors::Connection {
    Display* display = nullptr;
    bool randr = false;
    ~Connection() {
        if (display) XCloseDisplay(display);
    }
};

namespace {

MonitorLayout randrMonitors(Display* display) {
    MonitorLayout layout;
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    for (int i = 0; i < count; ++i) {
        char* name = XGetAtomName(display, info[i].name);
        const QRect area(info[i].x, info[i].y, info[i].width, info[i].height);
        layout.push_back({QString::fromLocal8Bit(name), area, area.size()});
        XFree(name);
    }
    if (info) XRRFreeMonitors(info);
    return layout;
}

MonitorLayout xineramaHeads(Display* display) {
    MonitorLayout layout;
    int event = 0;
    int error = 0;
    if (!XineramaQueryExtension(display, &event, &error) || !XineramaIsActive(display))
        return layout;
    int count = 0;
    XineramaScreenInfo* heads = XineramaQueryScreens(display, &count);
    for (int i = 0; i < count; ++i) {
        const QRect area(heads[i].x_org, heads[i].y_org, heads[i].width, heads[i].height);
        layout.push_back({QString(), area, area.size()});
    }
    if (heads) XFree(heads);
    return layout;
}

}  // namespace

X11Monitors::X11Monitors(const QString& displayName, QObject* parent)
    : MonitorSource(parent), connection_(std::make_unique<Connection>()) {
    const QByteArray name = displayName.toLocal8Bit();
    connection_->display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
    Display* display = connection_->display;
    if (!display) return;
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    // Monitors came with RandR 1.5; asking an older server for them is a protocol error.
    connection_->randr = XRRQueryExtension(display, &event, &error) &&
                         XRRQueryVersion(display, &major, &minor) &&
                         (major > 1 || (major == 1 && minor >= 5));
    if (!connection_->randr) return;
    // A server that has RandR reports every output, mode and monitor change to its clients.
    XRRSelectInput(display, DefaultRootWindow(display),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    XFlush(display);
    notifier_ = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &X11Monitors::drainEvents);
}

X11Monitors::~X11Monitors() = default;

void X11Monitors::drainEvents() {
    Display* display = connection_->display;
    bool any = false;
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        any = true;
    }
    if (any) emit layoutMayHaveChanged();
}

MonitorLayout X11Monitors::monitors() {
    Display* display = connection_->display;
    if (!display) return {};
    const MonitorLayout randr = connection_->randr ? randrMonitors(display) : MonitorLayout();
    MonitorLayout heads = xineramaHeads(display);
    if (heads.empty()) heads = randr;
    for (Monitor& head : heads) {
        for (const Monitor& monitor : randr)
            if (monitor.area == head.area) head.name = monitor.name;
    }
    if (heads.empty()) {
        const QRect root(0, 0, DisplayWidth(display, DefaultScreen(display)),
                         DisplayHeight(display, DefaultScreen(display)));
        heads.push_back({QString(), root, root.size()});
    }
    return orderedLayout(heads);
}

}  // namespace platform
