// Grabs one key combination on the root window the plain way most programs
// do (no lock variants), says "grabbed" or "refused", and keeps the grab
// until its standard input closes; it has let go when it exits.
//   x11-grab-helper <X keycode> <X modifier mask>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s KEYCODE MODMASK\n", argv[0]);
        return 2;
    }
    const auto keycode = static_cast<xcb_keycode_t>(std::atoi(argv[1]));
    const auto mask = static_cast<uint16_t>(std::atoi(argv[2]));
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_grab_key_checked(c, 1, screens.data->root, mask, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::puts(error ? "refused" : "grabbed");
    std::fflush(stdout);
    std::free(error);
    char buffer[64];
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    // Let go and wait until the server has done so: the server may tidy up
    // after a vanished client only some time after the process is gone.
    xcb_ungrab_key(c, keycode, screens.data->root, mask);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
    return 0;
}
