#pragma once

#include "support/QtEventLoop.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include "board/DashboardWindow.h"
#include "library/Library.h"
#include "capture/ImageWriter.h"
#include "common/Identifiers.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QTest>

// A real library file with a few captures (one with a screenshot on disk),
// the library view model over it, and the dashboard window on the test's X server.
class BoardFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("ZORVI_HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.file("config").toUtf8());
        static int argc = 1;
        static char name[] = "zorvi-board-test";
        static char* argv[] = {name, nullptr};
        if (!qApp)
            new QApplication(argc, argv);
        store = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
        const QDateTime now = QDateTime::currentDateTimeUtc();
        crash = file("Checkout button crashes the tab", "Firefox", now.addSecs(-300), CaptureStatus::open,
                     blueWithYellow());
        layout = file("Sidebar overlaps the footer", "Files", now.addSecs(-200), CaptureStatus::inProgress);
        fixed = file("Typo on the pricing page", "Firefox", now.addSecs(-100), CaptureStatus::resolved);
        store->setTags({"checkout"}, crash);
        library = std::make_unique<Library>(*store);
        window = std::make_unique<DashboardWindow>(*library);
        window->show();
        // Keyboard focus only lands once the window manager has activated the window.
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void TearDown() override {
        window.reset();
        library.reset();
    }

    // A screenshot of two plain colours, easy to tell apart from the board's own pixels.
    static QImage blueWithYellow() {
        QImage shot(640, 400, QImage::Format_RGB32);
        shot.fill(QColor("#3050a0"));
        QPainter(&shot).fillRect(80, 60, 300, 200, QColor("#f0c020"));
        return shot;
    }

    QString file(const QString& note, const QString& app, const QDateTime& at, CaptureStatus status,
                 const std::optional<QImage>& screenshot = std::nullopt,
                 CapturePriority priority = CapturePriority::normal) {
        Capture c;
        c.id = Identifiers::make();
        c.createdAt = c.updatedAt = at;
        c.note = note;
        c.context.appName = app;
        c.status = status;
        c.priority = priority;
        c.captureMode = screenshot ? CaptureMode::region : CaptureMode::text;
        std::vector<CaptureImage> images;
        if (screenshot) {
            const QImage& shot = *screenshot;
            CaptureImage image;
            image.id = Identifiers::make();
            image.captureID = c.id;
            image.createdAt = at;
            image.position = -1;
            const ImageWriter::Written w = ImageWriter::write(shot, image.id, at);
            image.imagePath = w.relativePath;
            image.thumbPath = w.thumbRelativePath;
            image.width = w.width;
            image.height = w.height;
            image.bytes = w.byteCount;
            images.push_back(image);
        }
        store->insert(c);
        for (const CaptureImage& image : images)
            store->addImage(image);
        return c.id;
    }

    std::optional<Capture> stored(const QString& id) { return store->capture(id); }

    TempDir home;
    std::unique_ptr<CaptureStore> store;
    std::unique_ptr<Library> library;
    std::unique_ptr<DashboardWindow> window;
    QString crash, layout, fixed;
};
