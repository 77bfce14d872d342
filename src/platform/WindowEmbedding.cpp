#include "WindowEmbedding.h"

#include <QWidget>

#include "X11Display.h"

namespace platform {

bool isEmbeddedByAnotherWindow(QWidget& window) {
#if defined(QUORVANE_WITH_X11)
    Display* display = qtX11Display();
    if (!display) return true;
    // Until the notification area reparents the icon's window it hangs below the root
    // window, wherever the window system put it first.
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    const Status queried =
        XQueryTree(display, static_cast<Window>(window.winId()), &root, &parent, &children, &count);
    if (children) XFree(children);
    return queried && parent != root;
#else
    Q_UNUSED(window);
    return true;
#endif
}

}  // namespace platform
