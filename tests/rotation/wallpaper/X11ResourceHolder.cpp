// x11_resource_holder DISPLAY live|retained KIND none|root|esetroot|both: another X program
// that creates one resource of KIND - window (screen-sized, unmapped), pixmap (screen-sized,
// deep), small-pixmap (4x4), bitmap (depth 1), pixmap-and-window (and a 1x1 window) -, names it
// in those root properties and prints its id in hex. Live, it stays connected until its input
// ends; retained (a finished setter), it leaves the resource behind with RetainPermanent. Plain
// XCB, so the resource is all the client holds (Xlib would create a default GC).

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <string>

namespace {

bool roundTrip(xcb_connection_t* connection) {
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    return !xcb_connection_has_error(connection);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    const std::string mode = argv[2], kind = argv[3], named = argv[4];
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(argv[1], &screenNumber);
    if (xcb_connection_has_error(c)) return 1;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const xcb_screen_t* screen = screens.data;
    const uint16_t width = screen->width_in_pixels, height = screen->height_in_pixels;
    // Xlib's first resource is one past the client's base; numbered the same way, a holder
    // given the client slot of the setter's killed connection gets its pixmap's id.
    xcb_generate_id(c);

    const uint32_t id = xcb_generate_id(c);
    const auto window = [&](uint32_t window, uint16_t w, uint16_t h) {
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, w, h, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    };
    if (kind == "window") {
        window(id, width, height);
    } else if (kind == "small-pixmap") {
        xcb_create_pixmap(c, screen->root_depth, id, screen->root, 4, 4);
    } else if (kind == "bitmap") {
        xcb_create_pixmap(c, 1, id, screen->root, width, height);
    } else {
        xcb_create_pixmap(c, screen->root_depth, id, screen->root, width, height);
        if (kind == "pixmap-and-window") window(xcb_generate_id(c), 1, 1);
    }
    for (const char* property : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        if (named != "both" && named != (property[0] == '_' ? "root" : "esetroot")) continue;
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(property)), property), nullptr);
        if (!atom) return 1;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, atom->atom, XCB_ATOM_PIXMAP, 32,
                            1, &id);
        std::free(atom);
    }
    if (mode == "retained") xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    if (!roundTrip(c)) return 1;
    std::printf("0x%x\n", id);
    std::fflush(stdout);
    if (mode == "live") std::cin.ignore(std::numeric_limits<std::streamsize>::max());
    xcb_disconnect(c);
    return 0;
}
