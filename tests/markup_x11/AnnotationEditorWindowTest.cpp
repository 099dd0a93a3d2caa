#include "EditorWindowFixture.h"

namespace {

TEST_F(AnnotationEditorWindowTest, BlurDrawnWithThePointerPixelatesTheSavedCopyForReal) {
    const AnnotationPoint from{0.25, 0.3}, to{0.7, 0.75};
    expectPixelatedCopy(blurAndSave(from, to), from, to);
    EXPECT_EQ(settings.value("markup.tool").toString(), "blur");
}

// At twice the pixel density logical points and screen pixels differ; the
// marks must still land under the pointer.
class ScaledAnnotationEditorWindowTest : public AnnotationEditorWindowTest {
protected:
    ScaledAnnotationEditorWindowTest() { scale = 2; }
};

TEST_F(ScaledAnnotationEditorWindowTest, MarksLandUnderThePointerOnAScaledDisplay) {
    ASSERT_EQ(app->devicePixelRatio(), 2.0);
    const AnnotationPoint from{0.1, 0.55}, to{0.45, 0.95};
    expectPixelatedCopy(blurAndSave(from, to), from, to);
}

TEST_F(AnnotationEditorWindowTest, AMissingScreenshotIsReportedAndOpensNoWindow) {
    const QString path = ZorviPaths::imageFile(image.imagePath);
    ASSERT_TRUE(QFile::remove(path));
    QString text, informative;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = alert->text();
            informative = alert->informativeText();
            alert->accept();
        }
    });
    poll.start(20);
    bool called = false;
    controller.present(image, [&](const Annotation&) {
        called = true;
        return std::optional<QString>();
    });
    EXPECT_EQ(text, "That screenshot is missing");
    EXPECT_EQ(informative, "Zorvi couldn't find " + path + ".");
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_FALSE(called);
}

// The note box's path: an image not filed yet. Opening again cancels and
// replaces the window (so a note box waiting on it comes back), Esc cancels
// without saving, and the window keeps its size.
TEST_F(AnnotationEditorWindowTest, EscapeCancelsAndTheWindowRemembersItsSize) {
    int saves = 0, cancels = 0;
    const auto save = [&](const Annotation&) {
        ++saves;
        return std::optional<QString>();
    };
    controller.presentImage(source, {}, save, [&] { ++cancels; });
    QPointer<QWidget> first = controller.window();
    controller.presentImage(source, {}, save, [&] { ++cancels; });
    EXPECT_TRUE(processEventsUntil([&] { return first.isNull(); })) << "the first window was not replaced";
    EXPECT_EQ(cancels, 1) << "the replaced editor was cancelled";
    QWidget* window = openedWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Mark up screenshot");
    EXPECT_EQ(window->size(), QSize(940, 700));
    EXPECT_EQ(window->minimumSize(), QSize(640, 480));
    window->resize(800, 560);
    EXPECT_TRUE(processEventsUntil([&] { return window->size() == QSize(800, 560); }));

    xdotool({"key", "--clearmodifiers", "Escape"});
    EXPECT_TRUE(processEventsUntil([&] { return cancels == 2 && controller.window() == nullptr; }));
    EXPECT_EQ(saves, 0);

    controller.presentImage(source, {}, save);
    ASSERT_NE(openedWindow(), nullptr);
    EXPECT_EQ(controller.window()->size(), QSize(800, 560));
}

} // namespace
