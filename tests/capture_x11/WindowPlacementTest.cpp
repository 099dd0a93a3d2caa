#include "CaptureFlowFixture.h"
#include "ForeignWindow.h"

namespace {

// Where the window manager has framed the window: once Qt knows the frame
// (until then it reports the inside as the frame) and two looks agree.
QPoint settledFrame(QWidget& window) {
    QPoint last(-1, -1);
    processEventsUntil([&] {
        const QPoint now = window.frameGeometry().topLeft();
        const bool framed = window.frameGeometry().size() != window.geometry().size();
        const bool settled = window.isVisible() && framed && now == last;
        last = now;
        return settled;
    });
    return last;
}

// Our own windows step aside for a capture and come back where the person
// had put them, not wherever the window manager places a new window: one
// the window manager placed and the person dragged, and one we placed
// ourselves (as a remembered board is).
TEST_F(CaptureFlowTest, OurWindowsComeBackWhereThePersonLeftThem) {
    QWidget dragged;
    dragged.setWindowTitle("Board stand-in");
    dragged.resize(500, 360);
    dragged.show();
    QWidget remembered;
    remembered.setWindowTitle("Settings stand-in");
    remembered.resize(400, 300);
    remembered.move(160, 130);
    remembered.show();
    ASSERT_TRUE(DesktopDriver::waitForWindows("Board stand-in"));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Settings stand-in"));
    // Moved by the window manager, as a drag of its title bar would.
    DesktopDriver::xdotool({"windowmove", "--sync", QString::number(dragged.winId()), "900", "420"});
    ASSERT_TRUE(processEventsUntil([&] { return dragged.frameGeometry().x() > 800; }));
    const QPoint draggedTo = settledFrame(dragged);
    const QPoint rememberedAt = settledFrame(remembered);
    // Another application in front: ours in front would be in the picture, as they are.
    ForeignWindow elsewhere("Another application", Qt::darkCyan, QRect(1400, 80, 300, 200));
    ASSERT_TRUE(elsewhere.waitUntilShown());
    elsewhere.activate();

    controller->beginNoteOnly();
    ASSERT_TRUE(waitForCompose(1));
    EXPECT_FALSE(dragged.isVisible()) << "out of the picture while the note box is up";
    EXPECT_FALSE(remembered.isVisible());
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::key("Escape");
    ASSERT_TRUE(processEventsUntil([&] { return dragged.isVisible() && !controller->isComposing(); }));
    // A window shown again passes through where Qt guessed before the window
    // manager's answer comes: wait for the answer, not for two looks to agree.
    EXPECT_TRUE(processEventsUntil([&] { return dragged.frameGeometry().topLeft() == draggedTo; }))
        << "the dragged window came back at " << dragged.frameGeometry().x() << "," << dragged.frameGeometry().y();
    EXPECT_TRUE(processEventsUntil([&] { return remembered.frameGeometry().topLeft() == rememberedAt; }))
        << "the placed window came back at " << remembered.frameGeometry().x() << "," << remembered.frameGeometry().y();
}

} // namespace
