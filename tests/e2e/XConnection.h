#pragma once

#include <QByteArray>
#include <QRect>
#include <optional>
#include <vector>

struct _XDisplay;

namespace e2e {

using XWindowId = unsigned long;

// One window of the X server's tree, as the server sees it now.
struct XWindowState {
    XWindowId id = 0;
    // The ancestor that is a child of the root window (the window itself for a top level).
    XWindowId topLevel = 0;
    bool isTopLevel = false;
    // Mapped with every ancestor mapped.
    bool viewable = false;
    // Tooltips, menus and the like, which no window manager would manage.
    bool overrideRedirect = false;
    // In root-window coordinates.
    QRect geometry;
};

// The test's own Xlib connection to the display under test: reads the window tree and
// properties the way a window manager or a panel would.
class XConnection {
public:
    explicit XConnection(const QByteArray& displayName);
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    bool isOpen() const { return display_ != nullptr; }

    XWindowId selectionOwner(const char* selection) const;
    // The _NET_WM_PID a window carries.
    std::optional<qint64> processOf(XWindowId window) const;
    bool hasProperty(XWindowId window, const char* name) const;
    // Every window in the tree that belongs to the process, by _NET_WM_PID.
    std::vector<XWindowState> windowsOf(qint64 pid) const;

    // Sends _NET_WM_PING to a client's window and waits for the echo on the root window.
    // A client answers from its event loop, so the echo proves it has read everything the
    // server queued for it before the ping.
    bool ping(XWindowId window, int timeoutMs);

private:
    std::optional<XWindowState> stateOf(XWindowId window, XWindowId topLevel) const;
    void collect(XWindowId window, XWindowId topLevel, qint64 pid,
                 std::vector<XWindowState>& found) const;

    _XDisplay* display_ = nullptr;
    long pingStamp_ = 0;
};

}  // namespace e2e
