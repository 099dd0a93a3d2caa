// What the capture detail asks of the running app reaches it: Mark up opens
// the editor on the screenshot picked in the filmstrip, and Add screenshot on
// a capture filed as text starts a region drag whose picture joins that
// capture.
#include "ShellFixture.h"

#include "support/QtEventLoop.h"
#include "support/TestImages.h"

#include "board/CaptureDetailView.h"
#include "board/DashboardViewModel.h"
#include "board/DashboardWindow.h"
#include "capture/ImageWriter.h"
#include "common/Identifiers.h"
#include "markup/AnnotationCanvas.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QListWidget>
#include <QPushButton>

namespace {

class DetailRequests : public ShellFixture {
protected:
    QString file(CaptureStore& store, const QString& note, const std::vector<QImage>& screenshots) {
        Capture capture;
        capture.id = Identifiers::make();
        capture.createdAt = capture.updatedAt = QDateTime::currentDateTimeUtc();
        capture.note = note;
        capture.captureMode = screenshots.empty() ? CaptureMode::text : CaptureMode::region;
        store.insert(capture);
        for (const QImage& shot : screenshots) {
            CaptureImage image;
            image.id = Identifiers::make();
            image.captureID = capture.id;
            image.createdAt = capture.createdAt;
            const ImageWriter::Written written = ImageWriter::write(shot, image.id, image.createdAt);
            image.imagePath = written.relativePath;
            image.thumbPath = written.thumbRelativePath;
            image.width = written.width;
            image.height = written.height;
            store.addImage(image);
        }
        return capture.id;
    }

    // The dashboard with the capture open in its detail.
    CaptureDetailView* openDetail(const QString& captureID) {
        auto* window = windowNamed<DashboardWindow>("dashboard");
        if (!window)
            return nullptr;
        window->board().select(captureID);
        CaptureDetailView* detail = window->detailView();
        return processEventsUntil([&] { return detail->isVisible() && detail->captureID() == captureID; }) ? detail
                                                                                                          : nullptr;
    }
};

TEST_F(DetailRequests, MarkUpOpensTheEditorOnTheScreenshotPickedInTheFilmstrip) {
    completeOnboardingBefore();
    CaptureStore store(ZorviPaths::databaseFile());
    // Wide, then tall: the editor's picture frame tells which one it shows.
    const QString id = file(store, "Two views of the settings page",
                            {TestImages::docPage(), TestImages::docPage().copy(0, 0, 360, 720)});
    ASSERT_TRUE(launch());
    CaptureDetailView* detail = openDetail(id);
    ASSERT_NE(detail, nullptr);

    auto* filmstrip = detail->findChild<QListWidget*>("filmstrip");
    ASSERT_TRUE(processEventsUntil([&] { return filmstrip->isVisible() && filmstrip->count() == 3; }));
    detail->window()->activateWindow();
    ASSERT_TRUE(processEventsUntil([&] { return detail->window()->isActiveWindow(); }));
    DesktopDriver::click(filmstrip->viewport()->mapToGlobal(filmstrip->visualItemRect(filmstrip->item(1)).center()));
    ASSERT_TRUE(processEventsUntil([&] { return filmstrip->item(1)->isSelected(); }));
    click(detail->findChild<QPushButton*>("markUp"));

    QWidget* editor = windowNamed("markupEditor");
    ASSERT_NE(editor, nullptr) << "Mark up opened no editor";
    auto* canvas = editor->findChild<AnnotationCanvas*>("markupCanvas");
    ASSERT_NE(canvas, nullptr);
    ASSERT_TRUE(processEventsUntil([&] { return !canvas->imageFrame().isEmpty(); }));
    const QRectF frame = canvas->imageFrame();
    EXPECT_NEAR(frame.width() / frame.height(), 0.5, 0.02) << "the editor shows the wide screenshot, not the picked one";
}

TEST_F(DetailRequests, AddScreenshotOnATextCaptureStartsARegionDragThatFilesIntoIt) {
    completeOnboardingBefore();
    CaptureStore store(ZorviPaths::databaseFile());
    const QString id = file(store, "The export menu is greyed out", {});
    ASSERT_TRUE(launch());
    CaptureDetailView* detail = openDetail(id);
    ASSERT_NE(detail, nullptr);

    click(detail->findChild<QPushButton*>("addScreenshot"));
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection")) << "Add screenshot started no region drag";
    DesktopDriver::drag({40, 40}, {240, 200});
    ASSERT_TRUE(processEventsUntil([&] { return store.images(id).size() == 1; }, 15000));
    auto* filmstrip = detail->findChild<QListWidget*>("filmstrip");
    EXPECT_TRUE(processEventsUntil([&] { return filmstrip->isVisible() && filmstrip->count() == 2; }))
        << "the detail does not show the added screenshot";
}

} // namespace
