#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include "markup/AnnotationEditorModel.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace {

QImage plainImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(240, 240, 240));
    return image;
}

class AnnotationEditorModelTest : public ::testing::Test {
protected:
    // One drag from `from` to `to`, reported as the canvas reports it.
    static void drag(AnnotationEditorModel& model, AnnotationPoint from, AnnotationPoint to) {
        model.beginDrag(from);
        model.moveDrag({(from.x + to.x) / 2, (from.y + to.y) / 2});
        model.moveDrag(to);
        model.endDrag();
    }

    QStringList ids(const QList<AnnotationShape>& shapes) const {
        QStringList result;
        for (const AnnotationShape& shape : shapes)
            result << shape.id;
        return result;
    }

    TempDir dir;
    QSettings settings{dir.file("Zorvi.conf"), QSettings::IniFormat};
    QImage original = plainImage(400, 300);
};

TEST_F(AnnotationEditorModelTest, UndoRedoAndClearFollowTheEditingHistory) {
    AnnotationEditorModel model(settings, original, {});
    model.setTool(AnnotationTool::rectangle);
    EXPECT_FALSE(model.canUndo());
    EXPECT_FALSE(model.canClear());

    drag(model, {0.1, 0.1}, {0.3, 0.3});
    drag(model, {0.4, 0.1}, {0.6, 0.3});
    drag(model, {0.7, 0.1}, {0.9, 0.3});
    ASSERT_EQ(model.shapes().size(), 3);
    const QStringList drawn = ids(model.shapes());
    EXPECT_NE(model.preview(), original) << "finished shapes show in the preview";

    model.undo();
    EXPECT_EQ(ids(model.shapes()), drawn.mid(0, 2));
    EXPECT_EQ(ids(model.undone()), drawn.mid(2));
    EXPECT_TRUE(model.canRedo());
    model.redo();
    EXPECT_EQ(ids(model.shapes()), drawn);
    EXPECT_FALSE(model.canRedo());

    // A new shape after an undo makes the undone one unreachable.
    model.undo();
    drag(model, {0.1, 0.5}, {0.5, 0.9});
    EXPECT_FALSE(model.canRedo());
    EXPECT_EQ(model.shapes().size(), 3);

    // A click with a drag tool adds nothing; a tiny drag neither.
    model.beginDrag({0.5, 0.5});
    model.endDrag();
    drag(model, {0.5, 0.5}, {0.503, 0.503});
    EXPECT_EQ(model.shapes().size(), 3);
    EXPECT_FALSE(model.draft());

    model.clearAll();
    EXPECT_TRUE(model.shapes().isEmpty());
    EXPECT_TRUE(model.undone().isEmpty());
    model.undo();
    EXPECT_TRUE(model.shapes().isEmpty()) << "clearing cannot be undone";
    EXPECT_TRUE(model.annotation().isEmpty());
    EXPECT_EQ(model.preview(), original) << "with no marks the preview is the plain screenshot";
}

TEST_F(AnnotationEditorModelTest, TheDraftFollowsTheDragAndIsNotAShapeUntilReleased) {
    AnnotationEditorModel model(settings, original, {});
    model.setTool(AnnotationTool::pen);
    model.beginDrag({0.2, 0.2});
    EXPECT_FALSE(model.draft()) << "no shape before the first movement";
    model.moveDrag({0.3, 0.25});
    model.moveDrag({0.4, 0.3});
    ASSERT_TRUE(model.draft());
    EXPECT_EQ(model.draft()->points.size(), 3);
    EXPECT_TRUE(model.shapes().isEmpty());
    EXPECT_EQ(model.preview(), original) << "the shape being dragged is drawn by the canvas, not rendered";
    model.endDrag();
    EXPECT_EQ(model.shapes().size(), 1);
}

TEST_F(AnnotationEditorModelTest, ToolColourAndWidthOutliveTheEditor) {
    {
        AnnotationEditorModel first(settings, original, {});
        EXPECT_EQ(first.tool(), AnnotationTool::pen);
        EXPECT_EQ(first.colorHex(), "#FF3B30");
        EXPECT_EQ(first.widthIndex(), 1);
        EXPECT_EQ(first.hint(), "Drag to draw freehand.");
        first.setColorHex("#0A84FF");
        first.setWidthIndex(2);
        first.setTool(AnnotationTool::ellipse);
        EXPECT_EQ(first.hint(), "Drag to place a circle.");
    }
    settings.sync();

    QSettings reopened(dir.file("Zorvi.conf"), QSettings::IniFormat);
    EXPECT_EQ(reopened.value("markup.tool").toString(), "ellipse");
    AnnotationEditorModel second(reopened, original, {});
    EXPECT_EQ(second.tool(), AnnotationTool::ellipse);
    EXPECT_EQ(second.colorHex(), "#0A84FF");
    EXPECT_EQ(second.widthIndex(), 2);
    drag(second, {0.1, 0.1}, {0.5, 0.5});
    ASSERT_EQ(second.shapes().size(), 1);
    EXPECT_EQ(second.shapes()[0].colorHex, "#0A84FF");
    EXPECT_EQ(second.shapes()[0].lineWidth, 0.009);

    // Blur ignores the chosen colour and rests the style controls.
    second.setTool(AnnotationTool::blur);
    EXPECT_FALSE(second.styleEnabled());
    EXPECT_TRUE(second.hint().startsWith("Drag over anything you don't want an agent to see"));
    drag(second, {0.1, 0.6}, {0.5, 0.9});
    EXPECT_EQ(second.shapes().last().colorHex, "#000000");

    reopened.setValue("markup.tool", "lasso");
    AnnotationEditorModel third(reopened, original, {});
    EXPECT_EQ(third.tool(), AnnotationTool::pen);
    EXPECT_TRUE(third.styleEnabled());
}

TEST_F(AnnotationEditorModelTest, PreviewsRenderOnABoundedCopyStartingFromTheStoredMarks) {
    const Annotation stored{{AnnotationShape{"kept", AnnotationTool::rectangle, "#34C759", 0.005,
                                             {{0.1, 0.1}, {0.9, 0.9}}}}};
    AnnotationEditorModel model(settings, plainImage(4000, 1000), stored);
    EXPECT_EQ(model.preview().size(), QSize(1600, 400));
    EXPECT_EQ(model.shapes(), stored.shapes);
    // The stored box is already on the preview: its left edge at 10 % is green.
    EXPECT_EQ(model.preview().pixelColor(160, 200), QColor("#34C759"));
    EXPECT_EQ(model.annotation(), stored);
}

} // namespace
