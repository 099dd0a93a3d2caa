#include "support/QtPrinters.h"

#include "keys/KeyboardLayout.h"
#include "support/FakeClock.h"
#include "support/FakeKeyboardLayout.h"
#include "shortcuts/HotkeyRecorderModel.h"

#include <gtest/gtest.h>

namespace {

const ModifierSet altShift = ModifierSet::option() | ModifierSet::shift();
const ModifierSet super = ModifierSet::command();

class HotkeyRecorderModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        KeyboardLayout::setCurrent(&layout);
        QObject::connect(&model, &HotkeyRecorderModel::committed, [this](const HotkeyBinding& b) { commits << b; });
        model.start();
    }
    void TearDown() override { KeyboardLayout::setCurrent(nullptr); }

    void tap(ModifierSet modifier) {
        model.handleFlagsChanged(modifier);
        clock.advance(0.1);
        model.handleFlagsChanged({});
    }

    FakeKeyboardLayout layout{{{19, "2"}, {20, "3"}, {0, "a"}}};
    FakeClock clock;
    HotkeyRecorderModel model{clock};
    QList<HotkeyBinding> commits;
    const HotkeyBinding bound{20, altShift, 1};
};

TEST_F(HotkeyRecorderModelTest, OnePressCommitsAfterTheDelay) {
    EXPECT_EQ(model.displayText(bound), "Listening\u2026");
    EXPECT_EQ(model.recordingHint(bound), "Press any key or combination, or tap a modifier \u00b7 Esc to cancel");
    model.handleKeyDown(19, altShift);
    EXPECT_EQ(model.displayText(bound), "Alt+Shift+2");
    EXPECT_EQ(model.recordingHint(bound), "Press Alt+Shift+2");
    clock.advance(0.54);
    EXPECT_TRUE(commits.isEmpty());
    clock.advance(0.02);
    ASSERT_EQ(commits, (QList<HotkeyBinding>{{19, altShift, 1}}));
    EXPECT_FALSE(model.isRecording());
    EXPECT_FALSE(model.draft());
    EXPECT_EQ(model.displayText(bound), "Alt+Shift+3");
}

TEST_F(HotkeyRecorderModelTest, QuickSecondPressMakesADoublePress) {
    model.handleKeyDown(19, altShift);
    clock.advance(0.3);
    model.handleKeyDown(19, altShift);
    EXPECT_EQ(model.recordingHint(bound), "Press Alt+Shift+2 twice quickly");
    clock.advance(0.5);
    EXPECT_TRUE(commits.isEmpty()); // each press restarts the wait
    clock.advance(0.1);
    EXPECT_EQ(commits, (QList<HotkeyBinding>{{19, altShift, 2}}));
}

TEST_F(HotkeyRecorderModelTest, FourQuickPressesRecordATriplePress) {
    for (int i = 0; i < 4; ++i) {
        model.handleKeyDown(19, altShift);
        clock.advance(0.2);
    }
    EXPECT_EQ(model.draft(), (HotkeyBinding{19, altShift, 3}));
    clock.advance(1);
    EXPECT_EQ(commits, (QList<HotkeyBinding>{{19, altShift, 3}}));
}

TEST_F(HotkeyRecorderModelTest, SlowOrDifferentPressesStartOver) {
    model.handleKeyDown(19, altShift);
    clock.advance(0.45);
    EXPECT_TRUE(commits.isEmpty());
    model.handleKeyDown(19, altShift);
    EXPECT_EQ(model.draft(), (HotkeyBinding{19, altShift, 1}));
    clock.advance(0.1);
    model.handleKeyDown(19, ModifierSet::option());
    EXPECT_EQ(model.draft(), (HotkeyBinding{19, ModifierSet::option(), 1}));
}

TEST_F(HotkeyRecorderModelTest, DoubleTapOfAModifierRecordsATapTrigger) {
    tap(super);
    EXPECT_EQ(model.draft(), (HotkeyBinding{std::nullopt, super, 1}));
    EXPECT_EQ(model.activeWarning(bound), "Fires every time you tap Super on its own.");
    clock.advance(0.2);
    tap(super);
    EXPECT_EQ(model.displayText(bound), "Super Super");
    EXPECT_FALSE(model.activeWarning(bound));
    clock.advance(0.6);
    EXPECT_EQ(commits, (QList<HotkeyBinding>{{std::nullopt, super, 2}}));
}

TEST_F(HotkeyRecorderModelTest, TapWhileHoldingAnotherModifierProposesNothing) {
    model.handleFlagsChanged(ModifierSet::shift());
    model.handleFlagsChanged(ModifierSet::shift() | super);
    clock.advance(0.1);
    model.handleFlagsChanged(ModifierSet::shift());
    model.handleFlagsChanged({});
    EXPECT_FALSE(model.draft());
    clock.advance(1);
    EXPECT_TRUE(commits.isEmpty());
    EXPECT_TRUE(model.isRecording());
}

TEST_F(HotkeyRecorderModelTest, ModifiersHeldWhenRecordingStartsAreNoTap) {
    model.cancel();
    model.start(super);
    model.handleFlagsChanged({});
    EXPECT_FALSE(model.draft());
}

TEST_F(HotkeyRecorderModelTest, EscapeCancelsButShiftEscapeRecords) {
    model.handleKeyDown(19, altShift);
    model.handleKeyDown(53, {});
    EXPECT_FALSE(model.isRecording());
    EXPECT_FALSE(model.draft());
    clock.advance(1);
    EXPECT_TRUE(commits.isEmpty()); // the pending commit went with it
    EXPECT_EQ(model.displayText(bound), "Alt+Shift+3");

    model.start();
    model.handleKeyDown(53, ModifierSet::shift());
    EXPECT_EQ(model.displayText(bound), "Shift+Esc");
    clock.advance(0.6);
    EXPECT_EQ(commits, (QList<HotkeyBinding>{{53, ModifierSet::shift(), 1}}));
}

TEST_F(HotkeyRecorderModelTest, BareKeyIsCommittedWithItsWarning) {
    model.handleKeyDown(0, {});
    EXPECT_EQ(model.activeWarning(bound), "Fires every time you press A \u2014 including while typing.");
    clock.advance(0.6);
    EXPECT_EQ(commits, (QList<HotkeyBinding>{{0, {}, 1}}));
}

TEST_F(HotkeyRecorderModelTest, KeyPressEndsATapSequence) {
    tap(super);
    model.handleKeyDown(0, super);
    clock.advance(0.1);
    tap(super);
    EXPECT_EQ(model.draft(), (HotkeyBinding{std::nullopt, super, 1}));
}

TEST_F(HotkeyRecorderModelTest, InputAfterStoppingIsIgnored) {
    model.cancel();
    model.handleKeyDown(19, altShift);
    tap(super);
    EXPECT_FALSE(model.draft());
    EXPECT_EQ(model.recordingHint(bound), "Press Alt+Shift+3");
    EXPECT_EQ(clock.pendingTimers(), 0);
}

} // namespace
