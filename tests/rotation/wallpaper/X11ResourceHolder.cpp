// A stand-in for another X program in the wallpaper tests: it creates one window or pixmap,
// may name it in the root window's background properties, and then either stays connected
// (a running program) or leaves it behind with RetainPermanent and exits (a finished
// wallpaper setter). Plain XCB, so a pixmap is all the client holds: no default GC as Xlib
// would create.
//
//   x11_resource_holder DISPLAY live|retained KIND none|root|esetroot|both
//
// KIND: window (screen-sized, unmapped), pixmap (screen-sized, screen depth), small-pixmap
// (4x4), bitmap (screen-sized, depth 1), pixmap-and-window (a pixmap as above, and a 1x1
// window beside it). It prints the id in hex. A live holder then answers each line on its
// standard input with "alive" after a round trip to the server, or exits with 1 once its
// connection is gone; it exits at the end of its input.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

void publish(xcb_connection_t* connection, xcb_window_t root, const char* property, uint32_t id) {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, atom(connection, property),
                        XCB_ATOM_PIXMAP, 32, 1, &id);
}

xcb_window_t createWindow(xcb_connection_t* connection, const xcb_screen_t* screen, uint16_t width,
                          uint16_t height) {
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, width, height,
                      0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    return window;
}

xcb_pixmap_t createPixmap(xcb_connection_t* connection, const xcb_screen_t* screen, uint8_t depth,
                          uint16_t width, uint16_t height) {
    const xcb_pixmap_t pixmap = xcb_generate_id(connection);
    xcb_create_pixmap(connection, depth, pixmap, screen->root, width, height);
    return pixmap;
}

bool roundTrip(xcb_connection_t* connection) {
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    std::free(reply);
    return reply && !xcb_connection_has_error(connection);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr
            << "usage: x11_resource_holder DISPLAY live|retained KIND none|root|esetroot|both\n";
        return 2;
    }
    const std::string mode = argv[2], kind = argv[3], named = argv[4];
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(argv[1], &screenNumber);
    if (xcb_connection_has_error(connection)) return 1;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const xcb_screen_t* screen = screens.data;
    const uint16_t width = screen->width_in_pixels, height = screen->height_in_pixels;
    // Xlib's first resource is one past the client's base; numbered the same way, a holder
    // given the client slot of the setter's killed connection gets its pixmap's id.
    xcb_generate_id(connection);

    uint32_t id = 0;
    if (kind == "window") {
        id = createWindow(connection, screen, width, height);
    } else if (kind == "pixmap" || kind == "pixmap-and-window") {
        id = createPixmap(connection, screen, screen->root_depth, width, height);
        if (kind == "pixmap-and-window") createWindow(connection, screen, 1, 1);
    } else if (kind == "small-pixmap") {
        id = createPixmap(connection, screen, screen->root_depth, 4, 4);
    } else if (kind == "bitmap") {
        id = createPixmap(connection, screen, 1, width, height);
    } else {
        return 2;
    }
    if (named == "root" || named == "both") publish(connection, screen->root, "_XROOTPMAP_ID", id);
    if (named == "esetroot" || named == "both")
        publish(connection, screen->root, "ESETROOT_PMAP_ID", id);
    if (mode == "retained") xcb_set_close_down_mode(connection, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    if (!roundTrip(connection)) return 1;
    std::printf("0x%x\n", id);
    std::fflush(stdout);

    if (mode == "live") {
        for (std::string line; std::getline(std::cin, line);) {
            if (!roundTrip(connection)) return 1;
            std::printf("alive\n");
            std::fflush(stdout);
        }
    }
    xcb_disconnect(connection);
    return 0;
}
