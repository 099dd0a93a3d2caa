// A pointer and a keyboard for a headless compositor, whose seat has neither:
// wlroots' virtual pointer and keyboard, or KWin's fake input. Both live for
// the whole session, so every client finds them from its start: a device
// that appears later reaches a client only once it has bound it, and a new
// keyboard brings a new keymap, after which a Qt client drops keys. Each line
// on standard input is one action, answered by "ok" once the compositor has
// all of it:
//   drag X1 Y1 X2 Y2 LAYOUT_WIDTH LAYOUT_HEIGHT   press at one point, move through
//                                                 steps, release at the other
//                                                 (logical pixels), pointer parked
//                                                 in the bottom-right corner after
//   move X Y LAYOUT_WIDTH LAYOUT_HEIGHT           the pointer to a point (logical pixels)
//   press / release                               the left button, where the pointer is
//   type TEXT                                     the text's keys (US layout)
//   key KEYSYM [ctrl] [alt] [shift] [super]       one key, with those modifiers held
#define _GNU_SOURCE
#include "fake-input-client.h"
#include "virtual-keyboard-v1-client.h"
#include "virtual-pointer-v1-client.h"

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

static struct wl_display* display;
static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* pointerManager;
static struct zwp_virtual_keyboard_manager_v1* keyboardManager;
static struct zwlr_virtual_pointer_v1* pointer;
static struct zwp_virtual_keyboard_v1* keyboard;
// KWin's one device for both, which types through KWin's own keyboard map.
static struct org_kde_kwin_fake_input* fakeInput;
static struct xkb_keymap* keymap;
static uint32_t width, height;

static void announce(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
    (void)data;
    if (strcmp(interface, wl_seat_interface.name) == 0)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        pointerManager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        keyboardManager = wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
    else if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        fakeInput = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
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

// Each event is its own frame and reaches the compositor before the next,
// so the client under the pointer sees press, moves and release in order.
static void moveTo(uint32_t x, uint32_t y) {
    if (fakeInput) {
        org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_int((int)x), wl_fixed_from_int((int)y));
    } else {
        zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), x, y, width, height);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    wl_display_roundtrip(display);
}

static void button(uint32_t state) {
    if (fakeInput) {
        org_kde_kwin_fake_input_button(fakeInput, BTN_LEFT, state);
    } else {
        zwlr_virtual_pointer_v1_button(pointer, now(), BTN_LEFT, state);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    wl_display_roundtrip(display);
}

static void drag(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2) {
    const int steps = 8;
    moveTo(x1, y1);
    button(WL_POINTER_BUTTON_STATE_PRESSED);
    for (int i = 1; i <= steps; ++i)
        moveTo(x1 + ((int)x2 - (int)x1) * i / steps, y1 + ((int)y2 - (int)y1) * i / steps);
    button(WL_POINTER_BUTTON_STATE_RELEASED);
    // The compositor draws the cursor into every screenshot: out of the way.
    moveTo(width - 1, height - 1);
}

// The US layout, which KWin uses too when nothing configures another.
static int makeKeymap(void) {
    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    struct xkb_rule_names names = {.layout = "us"};
    keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    return keymap != NULL;
}

static int uploadKeymap(void) {
    if (!makeKeymap())
        return 0;
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    const size_t size = strlen(text) + 1;
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != (ssize_t)size)
        return 0;
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, (uint32_t)size);
    wl_display_roundtrip(display);
    close(fd);
    free(text);
    return 1;
}

// The key that types the keysym, and whether Shift must be held for it.
static int findKey(xkb_keysym_t keysym, xkb_keycode_t* found, int* shifted) {
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= xkb_keymap_max_keycode(keymap); ++code)
        for (int level = 0; level < 2; ++level) {
            const xkb_keysym_t* syms;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, code, 0, level, &syms);
            if (count == 1 && syms[0] == keysym) {
                *found = code;
                *shifted = level;
                return 1;
            }
        }
    return 0;
}

static uint32_t modifierMask(const char* name) {
    return 1u << xkb_keymap_mod_get_index(keymap, name);
}

static void fakeKey(xkb_keycode_t code, uint32_t state) {
    // Key codes on the wire are evdev's, eight below XKB's.
    org_kde_kwin_fake_input_keyboard_key(fakeInput, code - 8, state);
}

// KWin keeps the modifiers' state from their own keys: each modifier in
// `mods` is pressed around the key, as a hand does.
static int fakePress(xkb_keycode_t code, uint32_t mods) {
    static const char* const modifiers[][2] = {{XKB_MOD_NAME_CTRL, "Control_L"},
                                               {XKB_MOD_NAME_ALT, "Alt_L"},
                                               {XKB_MOD_NAME_SHIFT, "Shift_L"},
                                               {XKB_MOD_NAME_LOGO, "Super_L"}};
    xkb_keycode_t held[4];
    int count = 0;
    for (int i = 0; i < 4; ++i) {
        int level;
        if ((mods & modifierMask(modifiers[i][0])) &&
            !findKey(xkb_keysym_from_name(modifiers[i][1], XKB_KEYSYM_NO_FLAGS), &held[count++], &level))
            return 0;
    }
    for (int i = 0; i < count; ++i)
        fakeKey(held[i], WL_KEYBOARD_KEY_STATE_PRESSED);
    fakeKey(code, WL_KEYBOARD_KEY_STATE_PRESSED);
    fakeKey(code, WL_KEYBOARD_KEY_STATE_RELEASED);
    for (int i = count - 1; i >= 0; --i)
        fakeKey(held[i], WL_KEYBOARD_KEY_STATE_RELEASED);
    wl_display_roundtrip(display);
    return 1;
}

static int press(xkb_keysym_t keysym, uint32_t held) {
    xkb_keycode_t code;
    int shifted;
    if (!findKey(keysym, &code, &shifted))
        return 0;
    const uint32_t mods = held | (shifted ? modifierMask(XKB_MOD_NAME_SHIFT) : 0);
    if (fakeInput)
        return fakePress(code, mods);
    zwp_virtual_keyboard_v1_modifiers(keyboard, mods, 0, 0, 0);
    // Key codes on the wire are evdev's, eight below XKB's.
    zwp_virtual_keyboard_v1_key(keyboard, now(), code - 8, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(keyboard, now(), code - 8, WL_KEYBOARD_KEY_STATE_RELEASED);
    zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 0, 0);
    wl_display_roundtrip(display);
    return 1;
}

static int typeText(const char* text) {
    for (const char* c = text; *c; ++c)
        if (!press(xkb_utf32_to_keysym((uint32_t)(unsigned char)*c), 0))
            return 0;
    return 1;
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
    if (fakeInput) {
        org_kde_kwin_fake_input_authenticate(fakeInput, "Zorvi tests", "Keys and drags of a test");
        if (!makeKeymap()) {
            fprintf(stderr, "no keymap\n");
            return 1;
        }
    } else {
        if (!pointerManager || !keyboardManager || !seat) {
            fprintf(stderr, "the compositor offers no virtual pointer or keyboard\n");
            return 1;
        }
        pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointerManager, seat);
        keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager, seat);
        if (!uploadKeymap()) {
            fprintf(stderr, "no keymap\n");
            return 1;
        }
    }
    printf("ready\n");
    fflush(stdout);

    char line[4096];
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\n")] = 0;
        unsigned x1, y1, x2, y2;
        char name[64];
        int done = 0;
        if (sscanf(line, "drag %u %u %u %u %u %u", &x1, &y1, &x2, &y2, &width, &height) == 6) {
            drag(x1, y1, x2, y2);
            done = 1;
        } else if (sscanf(line, "move %u %u %u %u", &x1, &y1, &width, &height) == 4) {
            moveTo(x1, y1);
            done = 1;
        } else if (strcmp(line, "press") == 0 || strcmp(line, "release") == 0) {
            button(line[0] == 'p' ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
            done = 1;
        } else if (strncmp(line, "type ", 5) == 0) {
            done = typeText(line + 5);
        } else if (sscanf(line, "key %63s", name) == 1) {
            const xkb_keysym_t keysym = xkb_keysym_from_name(name, XKB_KEYSYM_NO_FLAGS);
            uint32_t held = 0;
            if (strstr(line, " ctrl"))
                held |= modifierMask(XKB_MOD_NAME_CTRL);
            if (strstr(line, " alt"))
                held |= modifierMask(XKB_MOD_NAME_ALT);
            if (strstr(line, " shift"))
                held |= modifierMask(XKB_MOD_NAME_SHIFT);
            if (strstr(line, " super"))
                held |= modifierMask(XKB_MOD_NAME_LOGO);
            done = keysym != XKB_KEY_NoSymbol && press(keysym, held);
        }
        printf(done ? "ok\n" : "failed\n");
        fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
