#include "ShellFixture.h"

#include "capture/ComposePanel.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

class NoteBox : public ShellFixture {
protected:
    ComposePanel* openNoteOnly() {
        shell->actions().newIssue->trigger();
        auto* box = windowNamed<ComposePanel>("composePanel");
        if (box)
            processEventsUntil([&] { return box->isActiveWindow(); });
        return box;
    }

    static QString note(ComposePanel* box) { return box->findChild<QPlainTextEdit*>()->toPlainText(); }

    std::vector<Capture> filed() { return CaptureStore(ZorviPaths::databaseFile()).captures(CaptureQuery()); }
};

// The preferences name a group of another library: captures still land, in
// no group, and the note box says why once.
TEST_F(NoteBox, ADefaultGroupFromAnotherLibraryFallsBackToNoGroupAndSaysSoOnce) {
    completeOnboardingBefore();
    QSettings(home.path() + "/config/Zorvi/Zorvi.conf", QSettings::IniFormat)
        .setValue("capture.defaultGroupID", "0b7f1a52-2c36-4c55-9a37-5d0c8d1e3f00");
    ASSERT_TRUE(launch());

    ComposePanel* box = openNoteOnly();
    ASSERT_NE(box, nullptr);
    auto* notice = box->findChild<QLabel*>("composeNotice");
    ASSERT_NE(notice, nullptr) << "the fallback is told";
    EXPECT_TRUE(notice->text().contains("isn't in this library")) << notice->text().toStdString();
    DesktopDriver::type("Login button does nothing");
    ASSERT_TRUE(processEventsUntil([&] { return note(box) == "Login button does nothing"; }));
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(processEventsUntil([&] { return filed().size() == 1; })) << "the capture is filed, not lost";
    EXPECT_FALSE(filed().front().groupID.has_value());

    box = openNoteOnly();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->findChild<QLabel*>("composeNotice"), nullptr) << "said once";
}

// Nothing to file until there are words; typed words are not thrown away by one Esc.
TEST_F(NoteBox, AnEmptyNoteCannotBeSavedAndEscAsksBeforeDroppingTypedText) {
    completeOnboardingBefore();
    ASSERT_TRUE(launch());
    ComposePanel* box = openNoteOnly();
    ASSERT_NE(box, nullptr);
    // Tab reaching a priority button shows on it.
    QToolButton* normal = nullptr;
    for (QToolButton* b : box->findChildren<QToolButton*>())
        if (b->text() == "normal")
            normal = b;
    ASSERT_NE(normal, nullptr);
    const QImage unfocused = normal->grab().toImage();
    normal->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(processEventsUntil([&] { return normal->hasFocus(); }));
    EXPECT_NE(normal->grab().toImage(), unfocused) << "the focused priority looks the same";
    box->findChild<QPlainTextEdit*>()->setFocus();

    auto* save = box->findChild<QPushButton*>("composeSave");
    EXPECT_FALSE(save->isEnabled()) << "no screenshot and no words";
    DesktopDriver::key("ctrl+Return");
    DesktopDriver::type("  ");
    processEventsUntil([&] { return note(box) == "  "; });
    EXPECT_FALSE(save->isEnabled()) << "spaces are not a note";
    DesktopDriver::key("ctrl+Return");
    DesktopDriver::type("Half a thought");
    ASSERT_TRUE(processEventsUntil([&] { return save->isEnabled(); }));
    EXPECT_TRUE(filed().empty()) << "Ctrl+Enter on an empty box filed nothing";

    DesktopDriver::key("Escape");
    QMessageBox* ask = nullptr;
    // Shown is not yet focused: the key waits until the question has the keyboard.
    ASSERT_TRUE(processEventsUntil([&] { return (ask = box->findChild<QMessageBox*>("confirmDiscard")) && ask->isActiveWindow(); }))
        << "Esc with typed text asks first";
    DesktopDriver::key("Escape");
    ASSERT_TRUE(processEventsUntil([&] { return box->findChild<QMessageBox*>("confirmDiscard") == nullptr; }));
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(note(box), "  Half a thought") << "keeping on editing keeps every word";

    DesktopDriver::key("Escape");
    ASSERT_TRUE(processEventsUntil([&] { return (ask = box->findChild<QMessageBox*>("confirmDiscard")) && ask->isActiveWindow(); }));
    QPushButton* discard = nullptr;
    for (QAbstractButton* b : ask->buttons())
        if (b->text() == "&Discard")
            discard = qobject_cast<QPushButton*>(b);
    click(discard);
    ASSERT_TRUE(DesktopDriver::waitUntilGone("Zorvi note"));
    EXPECT_TRUE(filed().empty());
}

} // namespace
