#include "support/QtPrinters.h"

#include "keys/KeyboardLayout.h"
#include "support/FakeKeyboardLayout.h"
#include "keys/HotkeyBinding.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

const ModifierSet altShift = ModifierSet::option() | ModifierSet::shift();

class HotkeyBindingTexts : public ::testing::Test {
protected:
    void SetUp() override { KeyboardLayout::setCurrent(&layout_); }
    void TearDown() override { KeyboardLayout::setCurrent(nullptr); }

    FakeKeyboardLayout layout_{{{19, "2"}, {0, "a"}, {40, "k"}, {1, QString::fromUtf8("ß")}}};
};

TEST_F(HotkeyBindingTexts, ModifiersShowInLinuxOrderNotPressOrder) {
    const ModifierSet all(ModifierSet::allBits);
    EXPECT_EQ(all.symbols(), "Ctrl+Alt+Shift+Super+Fn");
    HotkeyBinding superShiftK{40, ModifierSet::command() | ModifierSet::shift(), 1};
    EXPECT_EQ(superShiftK.displayString(), "Shift+Super+K");
    EXPECT_EQ(ModifierSet::command().name(), "Super");
    EXPECT_EQ(ModifierSet::option().name(), "Alt");
    EXPECT_EQ(ModifierSet::control().name(), "Ctrl");
    EXPECT_EQ(altShift.name(), "Alt+Shift");
    EXPECT_FALSE(altShift.singleModifier());
    EXPECT_EQ(ModifierSet::function().singleModifier(), ModifierSet::function());
}

TEST_F(HotkeyBindingTexts, CombinationOfEachTapCount) {
    HotkeyBinding once{19, altShift, 1};
    EXPECT_EQ(once.displayString(), "Alt+Shift+2");
    EXPECT_EQ(once.explanation(), "Press Alt+Shift+2");
    EXPECT_FALSE(once.warning());

    HotkeyBinding twice{19, altShift, 2};
    EXPECT_EQ(twice.displayString(), "Alt+Shift+2 Alt+Shift+2");
    EXPECT_EQ(twice.explanation(), "Press Alt+Shift+2 twice quickly");

    HotkeyBinding thrice{19, altShift, 3};
    EXPECT_EQ(thrice.displayString(), "Alt+Shift+2 Alt+Shift+2 Alt+Shift+2");
    EXPECT_EQ(thrice.explanation(), "Press Alt+Shift+2 three times quickly");
}

TEST_F(HotkeyBindingTexts, TapTriggerIsNamedByItsModifier) {
    HotkeyBinding superTwice{std::nullopt, ModifierSet::command(), 2};
    EXPECT_EQ(superTwice.displayString(), "Super Super");
    EXPECT_EQ(superTwice.explanation(), "Tap Super twice quickly");
    EXPECT_FALSE(superTwice.warning());

    HotkeyBinding superThrice{std::nullopt, ModifierSet::command(), 3};
    EXPECT_EQ(superThrice.displayString(), "Super Super Super");
    EXPECT_EQ(superThrice.explanation(), "Tap Super three times quickly");

    HotkeyBinding ctrlOnce{std::nullopt, ModifierSet::control(), 1};
    EXPECT_EQ(ctrlOnce.explanation(), "Tap Ctrl");
    EXPECT_EQ(ctrlOnce.warning(), "Fires every time you tap Ctrl on its own.");

    HotkeyBinding chord{std::nullopt, altShift, 2};
    EXPECT_EQ(chord.explanation(), "Not set");
    EXPECT_EQ(chord.displayString(), "Alt+Shift Alt+Shift");
    HotkeyBinding chordOnce{std::nullopt, altShift, 1};
    EXPECT_EQ(chordOnce.warning(), "Fires every time you tap that key on its own.");
}

TEST_F(HotkeyBindingTexts, BareKeysWarnUnlessFunctionKeys) {
    HotkeyBinding bareA{0, {}, 1};
    EXPECT_EQ(bareA.displayString(), "A");
    EXPECT_EQ(bareA.warning(), QString::fromUtf8("Fires every time you press A \u2014 including while typing."));
    EXPECT_FALSE((HotkeyBinding{96, {}, 1}.warning())); // F5
    EXPECT_FALSE((HotkeyBinding{0, {}, 2}.warning()));
    EXPECT_FALSE((HotkeyBinding{0, ModifierSet::control(), 1}.warning()));
}

TEST_F(HotkeyBindingTexts, KeyNamesComeFromTableThenLayoutThenNumber) {
    EXPECT_EQ(HotkeyBinding::keyName(53), "Esc");
    EXPECT_EQ(HotkeyBinding::keyName(36), "Enter");
    EXPECT_EQ(HotkeyBinding::keyName(116), "Page Up");
    EXPECT_EQ(HotkeyBinding::keyName(123), QString::fromUtf8("←"));
    EXPECT_EQ(HotkeyBinding::keyName(90), "F20");
    EXPECT_EQ(HotkeyBinding::keyName(1), QString::fromUtf8("SS")); // upper-cased as text
    EXPECT_EQ(HotkeyBinding::keyName(200), "Key 200");

    KeyboardLayout::setCurrent(nullptr);
    EXPECT_EQ(HotkeyBinding::keyName(19), "Key 19");
    EXPECT_EQ(HotkeyBinding::keyName(49), "Space");
}

TEST(HotkeyBindingKinds, FunctionKeysAreExactlyF1ToF20) {
    int count = 0;
    for (int code = 0; code <= 0xffff; ++code)
        count += HotkeyBinding::isFunctionKey(uint16_t(code)) ? 1 : 0;
    EXPECT_EQ(count, 20);
    EXPECT_TRUE(HotkeyBinding::isFunctionKey(122));
    EXPECT_FALSE(HotkeyBinding::isFunctionKey(53));
}

TEST(HotkeyBindingKinds, XModifierMask) {
    EXPECT_EQ((ModifierSet::command() | ModifierSet::option()).xModifierMask(), 0x48);
    EXPECT_EQ(ModifierSet::function().xModifierMask(), 0);
    EXPECT_EQ(ModifierSet(ModifierSet::allBits).xModifierMask(), 0x4d);
    // Caps Lock (0x2) and Num Lock (0x10) don't change which shortcut was pressed.
    EXPECT_EQ(ModifierSet::fromXState(0x08 | 0x01 | 0x02 | 0x10), altShift);
    EXPECT_EQ(ModifierSet::fromQt(Qt::MetaModifier | Qt::ControlModifier | Qt::KeypadModifier),
              ModifierSet::command() | ModifierSet::control());
}

TEST(HotkeyBindingJson, RoundTripsEveryKind) {
    for (const HotkeyBinding& binding : {HotkeyBinding{19, altShift, 1}, HotkeyBinding{65535, ModifierSet(31), 3},
                                         HotkeyBinding{std::nullopt, ModifierSet::command(), 2}}) {
        EXPECT_EQ(HotkeyBinding::fromJsonData(binding.toJsonData()), binding);
    }
    EXPECT_EQ(HotkeyBinding({19, altShift, 1}).toJsonData(), R"({"keyCode":19,"modifiers":10,"tapCount":1})");
    EXPECT_EQ(HotkeyBinding({std::nullopt, ModifierSet::command(), 2}).toJsonData(),
              R"({"modifiers":1,"tapCount":2})");
}

TEST(HotkeyBindingJson, MissingOrNullKeyCodeIsATapTrigger) {
    EXPECT_EQ(HotkeyBinding::fromJsonData(R"({"modifiers":8,"tapCount":2})"),
              (HotkeyBinding{std::nullopt, ModifierSet::shift(), 2}));
    EXPECT_EQ(HotkeyBinding::fromJsonData(R"({"keyCode":null,"modifiers":8,"tapCount":3})"),
              (HotkeyBinding{std::nullopt, ModifierSet::shift(), 3}));
}

TEST(HotkeyBindingJson, RejectsWhatCannotBeAShortcut) {
    const char* bad[] = {
        R"({"keyCode":19,"modifiers":10})",                    // no tapCount
        R"({"keyCode":19,"tapCount":1})",                      // no modifiers
        R"({"keyCode":19,"modifiers":null,"tapCount":1})",
        R"({"keyCode":70000,"modifiers":10,"tapCount":1})",    // beyond 16 bits
        R"({"keyCode":-1,"modifiers":10,"tapCount":1})",
        R"({"keyCode":1.5,"modifiers":10,"tapCount":1})",
        R"({"keyCode":"19","modifiers":10,"tapCount":1})",
        R"({"keyCode":19,"modifiers":-2,"tapCount":1})",
        R"({"keyCode":19,"modifiers":10,"tapCount":"2"})",
        R"([19,10,1])",
        "not json",
        "",
    };
    for (const char* data : bad) {
        try {
            HotkeyBinding::fromJsonData(QByteArray(data));
            ADD_FAILURE() << "decoded: " << data;
        } catch (const HotkeyBindingError& error) {
            EXPECT_FALSE(error.description().isEmpty());
        }
    }
}

TEST(HotkeyBindingJson, ErrorNamesTheMissingField) {
    try {
        HotkeyBinding::fromJsonData(R"({"modifiers":1})");
        FAIL();
    } catch (const HotkeyBindingError& error) {
        EXPECT_TRUE(error.description().contains("tapCount"));
    }
}

} // namespace
