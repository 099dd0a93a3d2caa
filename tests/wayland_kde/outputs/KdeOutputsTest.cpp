// Full screen on a KWin with two outputs side by side: the capture takes the
// output KWin calls active, which here follows the pointer.
#include "wayland_kde/KdeCaptureFixture.h"

namespace {

class KdeOutputsTest : public KdeCaptureFixture {
protected:
    // with-kwin.sh --outputs 2 puts two outputs of one size side by side.
    QRect output(int index) const {
        const QSize each(kwin->screenSize().width() / 2, kwin->screenSize().height());
        return {QPoint(index * each.width(), 0), each};
    }

    // What the outputs show once nothing on them is still being drawn.
    QImage settledScreen() {
        QImage shown = kwin->screenshot();
        processEventsUntil([&] { return std::exchange(shown, kwin->screenshot()) == shown; }, 10000);
        return shown;
    }
};

TEST_F(KdeOutputsTest, FullScreenTakesTheOutputKWinCallsActive) {
    // The known window fills the first output; the second shows nothing.
    ASSERT_TRUE(kwin->movePointer(output(0).center()));
    ASSERT_TRUE(processEventsUntil([] { return !KWinDesktop::activeOutputName().isEmpty(); }));
    const QString first = KWinDesktop::activeOutputName();
    ASSERT_NO_FATAL_FAILURE(showKnownWindow(pictureFile()));

    std::size_t filed = 0;
    for (const int index : {1, 0}) {
        SCOPED_TRACE(index);
        // The pointer in a corner of the output, away from the picture.
        ASSERT_TRUE(kwin->movePointer(output(index).bottomRight() - QPoint(2, 2)));
        ASSERT_TRUE(processEventsUntil([&] { return (KWinDesktop::activeOutputName() == first) == (index == 0); }))
            << "KWin still calls " << KWinDesktop::activeOutputName().toStdString() << " active";
        const QImage shown = settledScreen().copy(output(index));
        const QString note = QStringLiteral("All of output %1").arg(index);
        zorvi({"--capture-screen"});
        ASSERT_NO_FATAL_FAILURE(fileNote(note));
        ASSERT_TRUE(waitForCaptures(++filed));
        const std::optional<Capture> capture = captureWithNote(note);
        ASSERT_TRUE(capture);
        EXPECT_EQ(savedImage(*capture), shown) << "the active output, pixel for pixel";
    }
}

} // namespace
