// Another application's window, for tests about what lies beneath ours: a
// plain X client (no toolkit) whose window has no background, so the X
// server leaves whatever was there until this client paints, and it paints
// one colour only some time after each exposure, like a busy application.
//   zorvi-test-foreign-window TITLE RRGGBB X Y WIDTH HEIGHT REPAINT_DELAY_MS
#include <xcb/xcb.h>

#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 8)
        return 2;
    const std::string title = argv[1];
    const uint32_t colour = uint32_t(std::strtoul(argv[2], nullptr, 16));
    const int x = std::atoi(argv[3]), y = std::atoi(argv[4]);
    const int width = std::atoi(argv[5]), height = std::atoi(argv[6]);
    const int delayMs = std::atoi(argv[7]);

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, int16_t(x), int16_t(y), uint16_t(width),
                      uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        uint32_t(title.size()), title.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"), 8,
                        uint32_t(title.size()), title.data());
    const char wmClass[] = "foreign-window\0ForeignWindow";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof wmClass,
                        wmClass);
    // WM_NORMAL_HINTS with a user-given position and size: placed where asked.
    uint32_t hints[18] = {};
    hints[0] = 1 | 2; // USPosition | USSize
    hints[1] = uint32_t(x);
    hints[2] = uint32_t(y);
    hints[3] = uint32_t(width);
    hints[4] = uint32_t(height);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18,
                        hints);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, XCB_GC_FOREGROUND, &colour);
    xcb_map_window(c, window);
    xcb_flush(c);

    using Clock = std::chrono::steady_clock;
    bool exposed = false;
    Clock::time_point paintAt;
    while (true) {
        int waitMs = -1;
        if (exposed)
            waitMs = int(std::max<long long>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(paintAt - Clock::now()).count()));
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&fd, 1, waitMs);
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_EXPOSE && !exposed) {
                exposed = true;
                paintAt = Clock::now() + std::chrono::milliseconds(delayMs);
            }
            std::free(event);
        }
        if (xcb_connection_has_error(c))
            return 0;
        if (exposed && Clock::now() >= paintAt) {
            exposed = false;
            const xcb_rectangle_t all{0, 0, uint16_t(width), uint16_t(height)};
            xcb_poly_fill_rectangle(c, window, gc, 1, &all);
            xcb_flush(c);
        }
    }
}
