#include "keys/HotkeyBinding.h"
#include "keys/KeyCodeTable.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

TEST(KeyCodeTable, EveryKeyTranslatesBothWaysToItself) {
    QSet<uint32_t> keysyms;
    int mapped = 0;
    for (int code = 0; code < 256; ++code) {
        const auto keysym = KeyCodeTable::keysym(uint16_t(code));
        if (!keysym)
            continue;
        ++mapped;
        EXPECT_FALSE(keysyms.contains(*keysym)) << "two codes share keysym " << *keysym;
        keysyms.insert(*keysym);
        EXPECT_EQ(KeyCodeTable::keyCode(*keysym), code);
    }
    EXPECT_GE(mapped, 100);
}

TEST(KeyCodeTable, KnownKeysMapToTheirKeysyms) {
    EXPECT_EQ(KeyCodeTable::keysym(19), uint32_t('2'));
    EXPECT_EQ(KeyCodeTable::keysym(20), uint32_t('3'));
    EXPECT_EQ(KeyCodeTable::keysym(0), uint32_t('a'));
    EXPECT_EQ(KeyCodeTable::keysym(53), 0xff1bu); // Escape
    EXPECT_EQ(KeyCodeTable::keysym(122), 0xffbeu); // F1
    EXPECT_EQ(KeyCodeTable::keysym(90), 0xffd1u);  // F20
    EXPECT_FALSE(KeyCodeTable::keysym(200));
}

TEST(KeyCodeTable, ShiftedLettersRecordAsTheirKey) {
    EXPECT_EQ(KeyCodeTable::keyCode('K'), KeyCodeTable::keyCode('k'));
    EXPECT_EQ(KeyCodeTable::keyCode('k'), 40);
    EXPECT_FALSE(KeyCodeTable::keyCode(0xffe1)); // Shift_L is no key of its own
}

TEST(KeyCodeTable, EveryKeyWithASpecialNameCanBeGrabbed) {
    const int named[] = {36, 48, 49, 51, 117, 53, 115, 119, 116, 121, 123, 124, 126, 125, 122, 120, 99,
                         118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106, 64, 79, 80, 90};
    for (int code : named) {
        EXPECT_FALSE(HotkeyBinding::keyName(uint16_t(code)).startsWith("Key ")) << code;
        EXPECT_TRUE(KeyCodeTable::keysym(uint16_t(code))) << code;
    }
}

TEST(KeyCodeTable, ModifierKeysNameTheirModifier) {
    EXPECT_EQ(KeyCodeTable::modifierForKeysym(0xffe1), ModifierSet::shift());
    EXPECT_EQ(KeyCodeTable::modifierForKeysym(0xffe4), ModifierSet::control());
    EXPECT_EQ(KeyCodeTable::modifierForKeysym(0xffe9), ModifierSet::option());
    EXPECT_EQ(KeyCodeTable::modifierForKeysym(0xffeb), ModifierSet::command());
    EXPECT_FALSE(KeyCodeTable::modifierForKeysym('a'));
}

} // namespace
