#pragma once

#include "support/DesktopDriver.h"
#include "support/LibraryFiles.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QScreen>
#include <QWindow>

// A private library and settings folder, a widget application on the
// test's X server, and a window showing a known picture at a known place.
class CaptureFixture : public ::testing::Test {
protected:
    static constexpr const char* knownTitle = "Known image";

    void SetUp() override {
        beforeApplication();
        qputenv("ZORVI_HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "zorvi-capture-test";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
        }
        ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "runs on the suite's Xvfb";
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
    }

    void TearDown() override { knownWindow.reset(); }

    // Runs before the application connects to the display (screen set-up, scale).
    virtual void beforeApplication() {}

    // xdotool speaks X coordinates: the desktop's logical ones times the scale.
    static QPoint toDevice(QPointF logical) {
        return (logical * QGuiApplication::primaryScreen()->devicePixelRatio()).toPoint();
    }

    static QImage knownImage() {
        return QImage(ZORVI_SOURCE_DIR "/tests/data/capture/known-window.png").convertToFormat(QImage::Format_RGB32);
    }

    // Shows the known picture, focused; returns where its top-left pixel is on the desktop.
    QPoint showKnownWindow(QPoint at = {120, 140}) {
        // A tool window: the capture flow in this process would hide an ordinary one.
        knownWindow = std::make_unique<QLabel>(nullptr, Qt::Tool);
        knownWindow->setWindowTitle(knownTitle);
        // Shown pixel for pixel whatever the scale.
        QPixmap pixmap = QPixmap::fromImage(knownImage());
        pixmap.setDevicePixelRatio(knownWindow->devicePixelRatioF());
        knownWindow->setPixmap(pixmap);
        knownWindow->setContentsMargins(0, 0, 0, 0);
        knownWindow->setFixedSize(knownImage().size() / knownWindow->devicePixelRatioF());
        knownWindow->move(at);
        knownWindow->show();
        EXPECT_TRUE(DesktopDriver::waitForWindows(knownTitle));
        activateKnownWindow();
        return knownWindow->mapToGlobal(QPoint(0, 0));
    }

    // Through the window manager, as a user's click would.
    void activateKnownWindow() {
        DesktopDriver::xdotool({"windowactivate", "--sync", QString::number(knownWindow->winId())});
        processEventsUntil([&] { return knownWindow->isActiveWindow(); }, 3000);
    }

    std::vector<Capture> captures() { return store->captures(CaptureQuery()); }

    bool waitForCaptures(std::size_t count) {
        return processEventsUntil([&] { return captures().size() >= count; }, 10000);
    }


    static QImage imageOf(const CaptureImage& image) {
        return QImage(ZorviPaths::imageFile(image.imagePath)).convertToFormat(QImage::Format_RGB32);
    }

    // Pixels whose colour differs; every pixel when the sizes differ.
    static qsizetype differingPixels(const QImage& a, const QImage& b) {
        if (a.size() != b.size())
            return qsizetype(std::max(a.width() * a.height(), b.width() * b.height()));
        qsizetype count = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                count += qRgb(qRed(a.pixel(x, y)), qGreen(a.pixel(x, y)), qBlue(a.pixel(x, y))) !=
                         qRgb(qRed(b.pixel(x, y)), qGreen(b.pixel(x, y)), qBlue(b.pixel(x, y)));
        return count;
    }

    TempDir home;
    TempDir config;
    std::unique_ptr<CaptureStore> store;
    std::unique_ptr<QLabel> knownWindow;
};
