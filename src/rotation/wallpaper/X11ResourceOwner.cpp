#include "X11ResourceOwner.h"

#include "X11ErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/extensions/XRes.h>

namespace rotation {

namespace {

// Client ids (pids) came with version 1.2 of the extension.
bool knowsClientPids(Display* display) {
    int major = 0;
    int minor = 0;
    return XResQueryVersion(display, &major, &minor) && (major > 1 || (major == 1 && minor >= 2));
}

pid_t clientPid(Display* display, XID id) {
    XResClientIdSpec wanted{id, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = nullptr;
    pid_t pid = 0;
    if (XResQueryClientIds(display, 1, &wanted, &count, &values) == Success) {
        for (long i = 0; i < count; ++i)
            if (const pid_t value = XResGetClientPid(&values[i]); value > 0) pid = value;
    }
    XResClientIdsDestroy(count, values);
    return pid;
}

}  // namespace

std::optional<X11ResourceOwner> resourceOwner(Display* display, XID id) {
    int eventBase = 0;
    int errorBase = 0;
    if (!XResQueryExtension(display, &eventBase, &errorBase)) return std::nullopt;
    X11ErrorTrap trap(display);

    int clientCount = 0;
    XResClient* clients = nullptr;
    std::optional<X11ResourceOwner> owner;
    // The older requests answer true on success, XResQueryClientIds answers Success (0).
    if (XResQueryClients(display, &clientCount, &clients)) {
        for (int i = 0; i < clientCount; ++i) {
            if ((id & ~clients[i].resource_mask) == clients[i].resource_base)
                owner = X11ResourceOwner{.resourceBase = clients[i].resource_base};
        }
    }
    if (clients) XFree(clients);
    if (!owner) return std::nullopt;

    int typeCount = 0;
    XResType* types = nullptr;
    if (!XResQueryClientResources(display, id, &typeCount, &types) || trap.hadError()) {
        if (types) XFree(types);
        return std::nullopt;
    }
    // The server names resource types by atoms that match the predefined WINDOW and PIXMAP.
    for (int i = 0; i < typeCount; ++i) {
        if (types[i].resource_type == XA_WINDOW)
            owner->windows += types[i].count;
        else if (types[i].resource_type == XA_PIXMAP)
            owner->pixmaps += types[i].count;
        else
            owner->otherResources += types[i].count;
    }
    if (types) XFree(types);
    if (knowsClientPids(display)) owner->pid = clientPid(display, id);
    if (trap.hadError()) return std::nullopt;
    return owner;
}

}  // namespace rotation
