#pragma once

#include "KWinDesktop.h"

#include "support/WaylandCaptureFixture.h"

// Captures in the virtual KWin session the test program runs in
// (support/with-kwin.sh), with a full-screen window of ours that shows a
// known picture. Without KDE here, every test skips, saying why.
class KdeCaptureFixture : public WaylandCaptureFixture {
protected:
    static constexpr const char* knownAppID = "dev.zorvi.KnownWindow";
    static constexpr const char* knownTitle = "A window the test knows";

    WaylandDesktop& desktop() override { return *kwin; }

    void SetUp() override {
        if (qEnvironmentVariableIsSet("ZORVI_KWIN_MISSING"))
            GTEST_SKIP() << "no KDE session here: " << qgetenv("ZORVI_KWIN_MISSING").toStdString();
        ensureQtApplication();
        kwin = std::make_unique<KWinDesktop>();
        WaylandCaptureFixture::SetUp();
    }

    void TearDown() override {
        WaylandCaptureFixture::TearDown();
        known.terminate();
        known.waitForFinished();
    }

    // A full-screen window of ours with `picturePath` in its middle, focused,
    // on the output KWin calls active.
    void showKnownWindow(const QString& picturePath) {
        if (known.state() != QProcess::NotRunning) {
            known.terminate();
            known.waitForFinished();
            ASSERT_TRUE(kwin->waitUntilGone(knownTitle));
        }
        known.setProcessChannelMode(QProcess::ForwardedChannels);
        known.start(QStringLiteral(ZORVI_KNOWN_WINDOW), {picturePath, knownAppID, knownTitle});
        ASSERT_TRUE(known.waitForStarted());
        ASSERT_TRUE(kwin->waitForFocus(knownTitle)) << "windows: " << kwin->windowTitles().toStdString();
    }

    std::unique_ptr<KWinDesktop> kwin;
    QProcess known;
};
