// A save that cannot happen never takes the typed note with it.
#include "CaptureFlowFixture.h"

#include "support/FileSizeLimit.h"
#include "support/MessageBoxWatch.h"
#include "support/SmallFilesystem.h"

#include "common/Identifiers.h"
#include "shell/CaptureAlerts.h"
#include "store/Database.h"

#include <QLineEdit>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace {

class NoteBoxFailureTest : public CaptureFlowTest {
protected:
    // A plain file where the captures folder belongs: every screenshot write
    // fails, whoever runs the test.
    static void breakCapturesFolder() {
        QDir(ZorviPaths::capturesRoot()).removeRecursively();
        QFile blocker(ZorviPaths::capturesRoot());
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    static void repairCapturesFolder() {
        ASSERT_TRUE(QFile::remove(ZorviPaths::capturesRoot()));
        ASSERT_TRUE(QDir().mkpath(ZorviPaths::capturesRoot()));
    }

    QString problemText() {
        auto* label = controller->compose().panel()->findChild<QLabel*>("composeProblemMessage");
        return label ? label->text() : QString();
    }

    void press(const char* button) {
        auto* widget = controller->compose().panel()->findChild<QPushButton*>(button);
        ASSERT_NE(widget, nullptr) << button;
        widget->click();
    }

    QString tagText() { return find<QLineEdit>(controller->compose().panel())->text(); }
};

TEST_F(NoteBoxFailureTest, AScreenshotThatCannotBeWrittenKeepsTheNoteBoxUntilARetrySucceeds) {
    breakCapturesFolder();
    captureAndType("the chart axis is upside down", "charts, ui");

    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCompose(2)) << "the note box came back";
    EXPECT_TRUE(captures().empty());
    EXPECT_EQ(noteText(), "the chart axis is upside down");
    EXPECT_EQ(tagText(), "charts, ui");
    EXPECT_TRUE(problemText().contains("Couldn't save the screenshot")) << problemText().toStdString();

    // Still no folder: trying again fails again, and still loses nothing.
    press("retrySave");
    ASSERT_TRUE(waitForCompose(3));
    EXPECT_TRUE(captures().empty());
    EXPECT_EQ(noteText(), "the chart axis is upside down");

    repairCapturesFolder();
    press("retrySave");
    ASSERT_TRUE(waitForCaptures(1));
    const Capture capture = captures().front();
    EXPECT_EQ(capture.note, "the chart axis is upside down");
    EXPECT_EQ(store->tags(capture.id), QStringList({"charts", "ui"}));
    const std::vector<CaptureImage> images = store->images(capture.id);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(differingPixels(imageOf(images[0]), knownImage().copy(20, 20, 200, 160)), 0);
    EXPECT_FALSE(controller->isComposing());
}

TEST_F(NoteBoxFailureTest, ACaptureCanBeSavedWithoutTheScreenshotThatCouldNotBeWritten) {
    breakCapturesFolder();
    captureAndType("checkout button overlaps the footer", "");
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCompose(2));

    press("saveWithoutScreenshot");
    ASSERT_TRUE(waitForCaptures(1));
    const Capture capture = captures().front();
    EXPECT_EQ(capture.note, "checkout button overlaps the footer");
    EXPECT_TRUE(capture.imagePath.isEmpty());
    EXPECT_EQ(capture.captureMode, CaptureMode::text);
    EXPECT_TRUE(store->images(capture.id).empty());
    EXPECT_TRUE(libraryFiles().isEmpty()) << libraryFiles().join(", ").toStdString();
}

TEST_F(NoteBoxFailureTest, ALibraryThatRefusesTheSaveKeepsTheNoteBoxOpen) {
    {
        Database other(ZorviPaths::databaseFile());
        other.executeRaw("CREATE TRIGGER refuse BEFORE INSERT ON captures BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END;");
    }
    captureAndType("login spinner never stops", "auth");
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCompose(2));
    EXPECT_TRUE(captures().empty());
    EXPECT_EQ(noteText(), "login spinner never stops");
    EXPECT_FALSE(problemText().isEmpty());
    EXPECT_FALSE(libraryFiles().isEmpty()) << "the screenshot waits for the retry";

    Database(ZorviPaths::databaseFile()).executeRaw("DROP TRIGGER refuse;");
    press("retrySave");
    ASSERT_TRUE(waitForCaptures(1));
    EXPECT_EQ(captures().front().note, "login spinner never stops");
    EXPECT_EQ(store->tags(captures().front().id), QStringList({"auth"}));
    EXPECT_EQ(store->images(captures().front().id).size(), 1u);
}

TEST_F(NoteBoxFailureTest, OpeningAnotherEditorHandsTheNoteBoxBackInsteadOfStrandingIt) {
    captureAndType("menu clipped at the right edge", "");
    const QString pendingID = controller->pending()->id;
    DesktopDriver::click(centre(find<QLabel>(controller->compose().panel(), "Click to mark up")));
    ASSERT_TRUE(processEventsUntil([&] { return editor.window() && editor.window()->isVisible(); }));
    EXPECT_FALSE(controller->isComposing());

    // The board opens the editor on a filed screenshot meanwhile.
    editor.presentImage(knownImage(), Annotation(),
                        [](const Annotation&) { return std::optional<QString>(); });
    ASSERT_TRUE(waitForCompose(2));
    ASSERT_TRUE(controller->pending().has_value());
    EXPECT_EQ(controller->pending()->id, pendingID);
    EXPECT_EQ(noteText(), "menu clipped at the right edge");
}

TEST_F(NoteBoxFailureTest, MarksWhoseCopyCannotBeWrittenStayInTheEditorUntilItCanBe) {
    captureAndType("the tooltip hides the button", "");
    DesktopDriver::click(centre(find<QLabel>(controller->compose().panel(), "Click to mark up")));
    ASSERT_TRUE(processEventsUntil([&] { return editor.window() && editor.window()->isActiveWindow(); }));
    const QPointer<QWidget> window = editor.window();
    const QPoint middle = centre(find<AnnotationCanvas>(window));
    DesktopDriver::drag(middle - QPoint(40, 30), middle + QPoint(40, 30));
    auto* undo = window->findChild<QAbstractButton*>("undo");
    ASSERT_TRUE(processEventsUntil([&] { return undo && undo->isEnabled(); })) << "the drag drew no mark";

    MessageBoxWatch told;
    {
        // Smaller than any marked copy of the screenshot.
        FileSizeLimit limit(1024);
        DesktopDriver::key("ctrl+Return");
        ASSERT_TRUE(processEventsUntil([&] { return told.seen(); }, 15000)) << "the marks went without a word";
    }
    EXPECT_TRUE(told.text().contains("Couldn't save the screenshot")) << told.text().toStdString();
    ASSERT_TRUE(window && window->isVisible()) << "the editor holding the marks closed";
    EXPECT_FALSE(controller->isComposing());

    ASSERT_TRUE(processEventsUntil([&] { return window->isActiveWindow(); }));
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCompose(2));
    EXPECT_EQ(noteText(), "the tooltip hides the button");
    ASSERT_TRUE(waitForNoteBoxFocus());
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCaptures(1));
    const std::vector<CaptureImage> images = store->images(captures().front().id);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].annotation().shapes.size(), 1) << "the marks did not reach the capture";
    ASSERT_TRUE(images[0].annotatedPath.has_value());
    EXPECT_FALSE(QImage(ZorviPaths::imageFile(*images[0].annotatedPath)).isNull());
}

} // namespace

namespace {

// The captures folder on a small filesystem of its own, filled to the brim.
class FullDiskTest : public NoteBoxFailureTest {
protected:
    void SetUp() override {
        NoteBoxFailureTest::SetUp();
        disk = std::make_unique<SmallFilesystem>(ZorviPaths::capturesRoot());
        if (!disk->mounted())
            GTEST_SKIP() << "this machine can't mount a small filesystem; "
                            "the folder-as-file cases cover the write failure";
    }
    void TearDown() override {
        disk.reset();
        NoteBoxFailureTest::TearDown();
    }
    void fill() { ASSERT_TRUE(disk->fill()); }
    void freeSpace() { ASSERT_TRUE(disk->freeSpace()); }

    std::unique_ptr<SmallFilesystem> disk;
};

TEST_F(FullDiskTest, ACaptureAndAMarkupSaveFailClearlyAndSucceedOnceSpaceIsFree) {
    fill();
    captureAndType("full disk, note kept", "disk");
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCompose(2)) << "an empty file passed for the screenshot";
    EXPECT_TRUE(captures().empty());
    EXPECT_EQ(noteText(), "full disk, note kept");
    EXPECT_TRUE(problemText().contains("Couldn't save the screenshot")) << problemText().toStdString();

    freeSpace();
    press("retrySave");
    ASSERT_TRUE(waitForCaptures(1));
    const Capture capture = captures().front();
    std::vector<CaptureImage> images = store->images(capture.id);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(differingPixels(imageOf(images[0]), knownImage().copy(20, 20, 200, 160)), 0);

    // A markup save on the full disk: a clear message, and the stored screenshot untouched.
    AnnotationShape box;
    box.id = Identifiers::make();
    box.tool = AnnotationTool::rectangle;
    box.colorHex = "#FF3B30";
    box.lineWidth = 0.01;
    box.points = {{0.1, 0.1}, {0.6, 0.6}};
    Annotation marks;
    marks.shapes = {box};
    fill();
    EXPECT_FALSE(library->saveAnnotation(marks, images[0]));
    ASSERT_TRUE(library->loadError().has_value());
    EXPECT_FALSE(store->images(capture.id)[0].annotatedPath.has_value());
    EXPECT_EQ(differingPixels(imageOf(store->images(capture.id)[0]), knownImage().copy(20, 20, 200, 160)), 0);
    Database check(ZorviPaths::databaseFile());
    EXPECT_EQ(check.query("PRAGMA integrity_check;").front().string("integrity_check"), "ok");

    freeSpace();
    EXPECT_TRUE(library->saveAnnotation(marks, store->images(capture.id)[0]));
    EXPECT_TRUE(store->images(capture.id)[0].annotatedPath.has_value());
}

} // namespace

namespace {

TEST_F(NoteBoxFailureTest, AScreenshotForAFiledCaptureThatCannotBeWrittenCanBeTriedAgain) {
    Capture filed;
    filed.id = Identifiers::make();
    filed.createdAt = filed.updatedAt = QDateTime::currentDateTimeUtc();
    filed.note = "needs a picture";
    filed.captureMode = CaptureMode::text;
    store->insert(filed);
    library->reload();
    breakCapturesFolder();
    CaptureAlerts alerts(*controller);

    const QPoint image = showKnownWindow();
    controller->addScreenshot(filed.id);
    ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
    DesktopDriver::drag(image + QPoint(20, 20), image + QPoint(220, 180));
    QMessageBox* alert = nullptr;
    ASSERT_TRUE(processEventsUntil([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "addScreenshotFailed")
                alert = qobject_cast<QMessageBox*>(w);
        return alert && alert->isVisible();
    })) << "the failure is said, with a way to try again";
    EXPECT_TRUE(store->images(filed.id).empty());

    repairCapturesFolder();
    alert->button(QMessageBox::Retry)->click();
    ASSERT_TRUE(processEventsUntil([&] { return store->images(filed.id).size() == 1; }));
    EXPECT_EQ(differingPixels(imageOf(store->images(filed.id)[0]), knownImage().copy(20, 20, 200, 160)), 0);
    EXPECT_EQ(store->capture(filed.id)->captureMode, CaptureMode::region);
}

} // namespace
