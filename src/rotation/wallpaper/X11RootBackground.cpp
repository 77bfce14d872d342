#include "X11RootBackground.h"

#include "X11ErrorTrap.h"
#include "X11ResourceOwner.h"

#include <signal.h>
#include <unistd.h>
#include <cerrno>
#include <map>
#include <optional>
#include <vector>

#include <X11/Xatom.h>

namespace rotation {

namespace {

// Our own note on the root window: the pixmap we published and the process that published
// it, as the server saw that process. Another program given the same id later, after our
// retained client was killed by someone else, does not match it.
constexpr const char* kPublishedByUs = "_QUORVANE_ROOT_PIXMAP";

struct PublishedByUs {
    Pixmap pixmap = 0;
    pid_t pid = 0;
};

// Between reading the properties and killing an owner, no other client may change them or
// be handed a freed id.
class ServerGrab {
public:
    explicit ServerGrab(Display* display) : display_(display) { XGrabServer(display_); }
    ~ServerGrab() { XUngrabServer(display_); }
    ServerGrab(const ServerGrab&) = delete;
    ServerGrab& operator=(const ServerGrab&) = delete;

private:
    Display* display_;
};

// A format-32 property of the root window of the given type; empty when it is missing or
// has another type.
std::vector<unsigned long> longsProperty(Display* display, Window root, Atom property, Atom type,
                                         long count) {
    Atom actualType = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long bytesAfter = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display, root, property, 0, count, False, type, &actualType, &format,
                           &items, &bytesAfter, &data) == Success &&
        actualType == type && format == 32) {
        // Format-32 properties come back as an array of long, whatever long's size.
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        values.assign(longs, longs + items);
    }
    if (data) XFree(data);
    return values;
}

void setLongsProperty(Display* display, Window root, Atom property, Atom type,
                      const std::vector<unsigned long>& values) {
    XChangeProperty(display, root, property, type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), int(values.size()));
}

Pixmap pixmapProperty(Display* display, Window root, Atom property) {
    const std::vector<unsigned long> values = longsProperty(display, root, property, XA_PIXMAP, 1);
    return values.size() == 1 ? values[0] : 0;
}

// A pixmap the size and depth of the screen, as every wallpaper setter makes. XGetGeometry
// answers for windows too; only a window has attributes.
bool isScreenSizedPixmap(Display* display, Screen* screen, XID id) {
    X11ErrorTrap trap(display);
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    if (!XGetGeometry(display, id, &root, &x, &y, &width, &height, &border, &depth) ||
        trap.hadError())
        return false;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, id, &attributes)) return false;
    return root == RootWindowOfScreen(screen) && int(width) == WidthOfScreen(screen) &&
           int(height) == HeightOfScreen(screen) && int(depth) == DefaultDepthOfScreen(screen);
}

bool processEnded(pid_t pid) { return pid > 0 && kill(pid, 0) == -1 && errno == ESRCH; }

// What the checks of one change compare against.
struct Handover {
    Screen* screen;
    // Our own connection, as the server sees it.
    X11ResourceOwner self;
    PublishedByUs published;
    Pixmap rootPixmap;
    Pixmap esetrootPixmap;
};

// The owner of candidate when candidate is provably a previous wallpaper, so that killing
// the owner frees it and nothing else anyone uses:
//  - a pixmap (not a window) of the screen's size and depth;
//  - held by a client other than ours that holds no window, so no program anyone sees is
//    closed; and then either
//  - our note names it, and its owner is the process that published it holding nothing but
//    that pixmap, just what a retained connection of ours holds; or
//  - both root properties name it, as setters following the Esetroot convention leave a
//    pixmap they agree to have freed, and the process that created the owner has ended, so
//    the owner is a retained client rather than a running program's connection. That takes
//    pids we can look up: the server must see our own connection with our pid (same host,
//    same pid namespace).
std::optional<X11ResourceOwner> provenPrevious(Display* display, const Handover& handover,
                                               Pixmap candidate) {
    if (!candidate || !isScreenSizedPixmap(display, handover.screen, candidate)) return {};
    const std::optional<X11ResourceOwner> owner = resourceOwner(display, candidate);
    // Base 0 is the server's own resources.
    if (!owner || owner->resourceBase == 0 || owner->resourceBase == handover.self.resourceBase ||
        owner->windows > 0)
        return {};
    const bool ours = candidate == handover.published.pixmap &&
                      owner->pid == handover.published.pid && owner->pixmaps == 1 &&
                      owner->otherResources == 0;
    const bool conventional = candidate == handover.rootPixmap &&
                              candidate == handover.esetrootPixmap &&
                              handover.self.pid == getpid() && processEnded(owner->pid);
    if (!ours && !conventional) return {};
    return owner;
}

}  // namespace

void publishRootBackground(Display* display, int screenNumber, Pixmap pixmap) {
    Screen* screen = ScreenOfDisplay(display, screenNumber);
    const Window root = RootWindowOfScreen(screen);
    const Atom rootId = XInternAtom(display, "_XROOTPMAP_ID", False);
    const Atom esetrootId = XInternAtom(display, "ESETROOT_PMAP_ID", False);
    const Atom publishedId = XInternAtom(display, kPublishedByUs, False);
    const ServerGrab grab(display);

    const std::vector<unsigned long> note =
        longsProperty(display, root, publishedId, XA_CARDINAL, 2);
    const Handover handover{
        .screen = screen,
        .self = resourceOwner(display, pixmap).value_or(X11ResourceOwner{}),
        .published = note.size() == 2 ? PublishedByUs{note[0], pid_t(note[1])} : PublishedByUs{},
        .rootPixmap = pixmapProperty(display, root, rootId),
        .esetrootPixmap = pixmapProperty(display, root, esetrootId),
    };
    // The previous wallpapers' owners by resource base, each with the pixmap to name it by
    // (the server kills the owner of an existing resource). Without the X-Resource extension
    // nothing about an owner can be proved.
    std::map<XID, Pixmap> doomed;
    if (handover.self.resourceBase) {
        for (const Pixmap candidate : {handover.published.pixmap, handover.rootPixmap}) {
            if (const auto owner = provenPrevious(display, handover, candidate))
                doomed.emplace(owner->resourceBase, candidate);
        }
    }

    setLongsProperty(display, root, rootId, XA_PIXMAP, {pixmap});
    setLongsProperty(display, root, esetrootId, XA_PIXMAP, {pixmap});
    setLongsProperty(display, root, publishedId, XA_CARDINAL,
                     {pixmap, static_cast<unsigned long>(handover.self.pid)});
    XSetWindowBackgroundPixmap(display, root, pixmap);
    XClearWindow(display, root);
    // Killing a retained client frees everything it held; the root window keeps showing
    // the new pixmap.
    for (const auto& entry : doomed) XKillClient(display, entry.second);
}

}  // namespace rotation
