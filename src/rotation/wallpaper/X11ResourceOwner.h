#pragma once

#include <sys/types.h>
#include <optional>

#include <X11/Xlib.h>

namespace rotation {

// What the X server says, through its X-Resource extension, about the client that holds a
// resource id: a connected program or one whose resources outlived it (RetainPermanent).
struct X11ResourceOwner {
    // The first id of the client's range: equal bases, same client.
    XID resourceBase = 0;
    // As the server sees it (the peer of a local connection); 0 when it does not know.
    pid_t pid = 0;
    unsigned windows = 0;
    unsigned pixmaps = 0;
    unsigned otherResources = 0;
};

// The client holding id's range; nothing when no client does, or the server lacks the
// X-Resource extension.
std::optional<X11ResourceOwner> resourceOwner(Display* display, XID id);

}  // namespace rotation
