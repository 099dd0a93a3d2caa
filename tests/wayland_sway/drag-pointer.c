// A pointer for a headless wlroots compositor, whose seat has none that
// clients see. It lives for the whole session, so every client finds the
// seat with a pointer from its start (a pointer that appears later reaches
// a client only once it has bound it, and the first events are lost). Each
// line on standard input,
//   X1 Y1 X2 Y2 LAYOUT_WIDTH LAYOUT_HEIGHT   (logical pixels)
// drags the left button from one point of the output layout to the other
// through steps, the way a hand would, and leaves the pointer in the
// bottom-right corner; "ok" answers once the compositor has all of it.
#include "virtual-pointer-v1-client.h"

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* manager;

static void announce(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, wl_seat_interface.name) == 0)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}

static void withdraw(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {announce, withdraw};

static uint32_t now(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

static struct wl_display* display;
static struct zwlr_virtual_pointer_v1* pointer;
static uint32_t width, height;

// Each event is its own frame and reaches the compositor before the next,
// so the client under the pointer sees press, moves and release in order.
static void moveTo(uint32_t x, uint32_t y) {
    zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), x, y, width, height);
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
}

static void button(uint32_t state) {
    zwlr_virtual_pointer_v1_button(pointer, now(), BTN_LEFT, state);
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
}

int main(void) {
    display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "the compositor offers no virtual pointer\n");
        return 1;
    }
    pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    wl_display_roundtrip(display);
    printf("ready\n");
    fflush(stdout);

    unsigned x1, y1, x2, y2;
    while (scanf("%u %u %u %u %u %u", &x1, &y1, &x2, &y2, &width, &height) == 6) {
        const int steps = 8;
        moveTo(x1, y1);
        button(WL_POINTER_BUTTON_STATE_PRESSED);
        for (int i = 1; i <= steps; ++i)
            moveTo(x1 + ((int)x2 - (int)x1) * i / steps, y1 + ((int)y2 - (int)y1) * i / steps);
        button(WL_POINTER_BUTTON_STATE_RELEASED);
        // Parked in the corner: the compositor draws the cursor into every
        // screenshot, and it must not sit on the pixels a test compares.
        moveTo(width - 1, height - 1);
        printf("ok\n");
        fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
