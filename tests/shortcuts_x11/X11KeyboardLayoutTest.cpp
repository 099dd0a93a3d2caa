#include "keys/KeyboardLayout.h"
#include "platform/x11/X11KeyboardLayout.h"
#include "keys/HotkeyBinding.h"
#include "keys/KeyCodeTable.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const ModifierSet altShift = ModifierSet::option() | ModifierSet::shift();

std::string text(const QString& s) {
    return s.toStdString();
}

// Runs against the private Xvfb with its default (US) keymap.
class X11KeyboardLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(layout) << "no X display"; }

    // Gives one X key new symbols, as switching to another layout would.
    void remap(uint8_t keycode, std::initializer_list<xcb_keysym_t> keysyms) {
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        ASSERT_FALSE(xcb_connection_has_error(connection));
        std::vector<xcb_keysym_t> symbols(keysyms);
        xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_change_keyboard_mapping_checked(connection, 1, keycode, uint8_t(symbols.size()),
                                                            symbols.data()));
        EXPECT_EQ(error, nullptr);
        std::free(error);
        xcb_disconnect(connection);
    }

    std::unique_ptr<X11KeyboardLayout> layout = X11KeyboardLayout::connect();
};

TEST_F(X11KeyboardLayoutTest, KeysAreNamedByWhatTheLayoutTypes) {
    EXPECT_EQ(text(layout->character(19)), "2");
    EXPECT_EQ(text(layout->character(0)), "A");
    EXPECT_EQ(text(layout->character(41)), ";");
    EXPECT_EQ(text(layout->character(82)), "0"); // keypad 0 types nothing unshifted without Num Lock
    EXPECT_EQ(text(layout->character(200)), "");
    EXPECT_EQ(text(layout->character(53)), ""); // Escape types nothing
}

TEST_F(X11KeyboardLayoutTest, TheDisplayLayoutIsUsedForKeyNamesByDefault) {
    EXPECT_NE(KeyboardLayout::current(), nullptr);
    EXPECT_EQ(text(HotkeyBinding{19, altShift, 1}.displayString()), "Alt+Shift+2");
    EXPECT_EQ(text(HotkeyBinding{40, ModifierSet::command(), 2}.explanation()), "Press Super+K twice quickly");
    EXPECT_EQ(text(HotkeyBinding::keyName(40)), "K");
    EXPECT_EQ(text(HotkeyBinding::keyName(200)), "Key 200");
}

TEST_F(X11KeyboardLayoutTest, GrabbedKeysRecordAsThemselves) {
    for (int code = 0; code < 128; ++code) {
        const auto keysym = KeyCodeTable::keysym(uint16_t(code));
        if (!keysym || *keysym >= 0xff00)
            continue; // the printable keys; keypad keys record by Num Lock state
        const QList<uint8_t> keycodes = layout->xKeycodes(uint16_t(code));
        ASSERT_FALSE(keycodes.isEmpty()) << "no X key for code " << code;
        for (uint8_t keycode : keycodes)
            EXPECT_EQ(layout->keyCode(keycode), code) << "X key " << int(keycode);
    }
    EXPECT_TRUE(layout->xKeycodes(200).isEmpty());
}

TEST_F(X11KeyboardLayoutTest, ALayoutChangeShowsAtOnce) {
    const QList<uint8_t> twoKey = layout->xKeycodes(19);
    ASSERT_FALSE(twoKey.isEmpty());
    // The French layout types é on the 2 key and 2 only with Shift.
    remap(twoKey.first(), {0x00e9 /* eacute */, '2'});
    EXPECT_EQ(text(HotkeyBinding::keyName(19)), "\xc3\x89"); // É
    EXPECT_EQ(layout->keyCode(twoKey.first()), 19);
    EXPECT_EQ(layout->xKeycodes(19), QList<uint8_t>{twoKey.first()});
}

// Key events report modifiers as X state bits; the server's modifier map
// decides which key sets which bit, and fromXState relies on the usual one.
TEST(X11ModifierState, ServerMapsModifierKeysToTheBitsWeRead) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(connection));
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    xcb_get_modifier_mapping_reply_t* reply =
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr);
    ASSERT_NE(reply, nullptr);
    const xcb_keycode_t* map = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;

    // The X state bit a modifier key sets, found through the server's map.
    auto stateBitOf = [&](xcb_keysym_t keysym) -> uint32_t {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        uint32_t bit = 0;
        for (int index = 0; codes && index < 8 * perModifier; ++index) {
            if (map[index] != 0 && map[index] == codes[0])
                bit = 1u << (index / perModifier);
        }
        std::free(codes);
        return bit;
    };
    for (xcb_keysym_t keysym : {0xffe1u, 0xffe3u, 0xffe9u, 0xffebu}) { // Shift_L, Control_L, Alt_L, Super_L
        const auto modifier = KeyCodeTable::modifierForKeysym(keysym);
        ASSERT_TRUE(modifier);
        EXPECT_EQ(ModifierSet::fromXState(stateBitOf(keysym)), *modifier) << std::hex << keysym;
        EXPECT_EQ(modifier->xModifierMask(), stateBitOf(keysym)) << std::hex << keysym;
    }
    std::free(reply);
    xcb_key_symbols_free(symbols);
    xcb_disconnect(connection);
}

TEST(X11KeyboardLayoutConnect, NoDisplayMeansNoLayout) {
    EXPECT_EQ(X11KeyboardLayout::connect(":987"), nullptr);
}

} // namespace
