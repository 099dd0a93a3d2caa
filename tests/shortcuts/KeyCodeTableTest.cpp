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

TEST(KeyCodeTable, ShiftedLettersRecordAsTheirKey) {
    EXPECT_EQ(KeyCodeTable::keyCode('K'), KeyCodeTable::keyCode('k'));
    EXPECT_FALSE(KeyCodeTable::keyCode(0xffe1)); // Shift_L is no key of its own
}

} // namespace
