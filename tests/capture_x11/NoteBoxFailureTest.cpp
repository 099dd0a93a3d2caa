// A save that cannot happen never takes the typed note with it.
#include "CaptureFlowFixture.h"

#include "store/Database.h"

#include <QLineEdit>
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

    // A region of the known window in the note box, with a note and tags typed.
    void captureAndType(const QString& note, const QString& tags) {
        const QPoint image = showKnownWindow();
        // Counted before the drag: the box may come up while xdotool still runs.
        const int before = composed;
        controller->beginRegion();
        ASSERT_TRUE(DesktopDriver::waitForWindows("Zorvi region selection"));
        DesktopDriver::drag(image + QPoint(20, 20), image + QPoint(220, 180));
        ASSERT_TRUE(waitForCompose(before + 1));
        ASSERT_TRUE(waitForNoteBoxFocus());
        DesktopDriver::type(note);
        DesktopDriver::key("Tab");
        DesktopDriver::type(tags);
        ASSERT_TRUE(processEventsUntil([&] { return noteText() == note; }));
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
        Database other(ZorviPaths::databaseURL());
        other.executeRaw("CREATE TRIGGER refuse BEFORE INSERT ON captures BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END;");
    }
    captureAndType("login spinner never stops", "auth");
    DesktopDriver::key("ctrl+Return");
    ASSERT_TRUE(waitForCompose(2));
    EXPECT_TRUE(captures().empty());
    EXPECT_EQ(noteText(), "login spinner never stops");
    EXPECT_FALSE(problemText().isEmpty());
    EXPECT_FALSE(libraryFiles().isEmpty()) << "the screenshot waits for the retry";

    Database(ZorviPaths::databaseURL()).executeRaw("DROP TRIGGER refuse;");
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
    editor.presentImage(knownImage(), Annotation(), [](const Annotation&) {});
    ASSERT_TRUE(waitForCompose(2));
    ASSERT_TRUE(controller->pending().has_value());
    EXPECT_EQ(controller->pending()->id, pendingID);
    EXPECT_EQ(noteText(), "menu clipped at the right edge");
}

} // namespace
