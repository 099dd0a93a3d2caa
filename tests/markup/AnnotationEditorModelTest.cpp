#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include "support/OffscreenGui.h"
#include "markup/AnnotationEditorModel.h"
#include "markup/MarkGeometry.h"
#include "markup/PlacedMarks.h"

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
    EXPECT_FALSE(model.canRedo());
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
        first.setTool(AnnotationTool::arrow);
        EXPECT_EQ(first.hint(), "Drag to place an arrow.");
        first.setTool(AnnotationTool::ellipse);
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
    EXPECT_FALSE(second.colorEnabled());
    EXPECT_TRUE(second.hint().startsWith("Drag over anything you don't want an agent to see"));
    drag(second, {0.1, 0.6}, {0.5, 0.9});
    EXPECT_EQ(second.shapes().last().colorHex, "#000000");

    reopened.setValue("markup.tool", "lasso");
    AnnotationEditorModel third(reopened, original, {});
    EXPECT_EQ(third.tool(), AnnotationTool::pen);
    EXPECT_TRUE(third.colorEnabled());
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

TEST_F(AnnotationEditorModelTest, MarksAreSelectedMovedResizedAndDeletedUndoably) {
    ensureGuiApplication();
    AnnotationEditorModel model(settings, original, {});
    model.setTool(AnnotationTool::rectangle);
    drag(model, {0.2, 0.2}, {0.4, 0.4});
    model.setTool(AnnotationTool::step);
    model.beginDrag({0.7, 0.7});
    model.endDrag();
    model.beginDrag({0.8, 0.8});
    model.endDrag();
    ASSERT_EQ(model.shapes().size(), 3);
    EXPECT_FALSE(model.selectedIndex());

    // A click on a mark selects it even with a drawing tool, and places nothing.
    model.beginDrag({0.7, 0.7});
    model.endDrag();
    EXPECT_EQ(model.selectedIndex(), 1);
    EXPECT_EQ(model.shapes().size(), 3);

    // Dragging the selected box moves it; dragging its corner resizes it.
    model.select(model.shapes()[0].id);
    drag(model, {0.3, 0.3}, {0.5, 0.4});
    const AnnotationShape moved = model.shapes()[0];
    EXPECT_NEAR(moved.points[0].x, 0.4, 1e-9);
    EXPECT_NEAR(moved.points[1].y, 0.5, 1e-9);
    EXPECT_EQ(model.shapes().size(), 3) << "moving made a new shape";
    const QRectF bounds = MarkGeometry::bounds(moved, model.preview().size());
    drag(model, {bounds.right(), bounds.bottom()}, {0.9, 0.9});
    EXPECT_NEAR(std::max(model.shapes()[0].points[0].x, model.shapes()[0].points[1].x), 0.9, 0.01);
    EXPECT_NEAR(std::min(model.shapes()[0].points[0].x, model.shapes()[0].points[1].x), 0.4, 0.01);

    model.undo();
    EXPECT_EQ(model.shapes()[0], moved);
    model.undo();
    EXPECT_NEAR(model.shapes()[0].points[0].x, 0.2, 1e-9);
    model.redo();
    EXPECT_EQ(model.shapes()[0], moved);

    // Deleting the first step renumbers the second; undo brings it back.
    model.select(model.shapes()[1].id);
    model.deleteSelected();
    EXPECT_EQ(PlacedMarks::stepNumbers(model.shapes()), (QList<int>{0, 1}));
    EXPECT_FALSE(model.selectedIndex());
    model.undo();
    EXPECT_EQ(model.shapes().size(), 3);

    // Nudges stop at the edge of the image.
    model.select(model.shapes()[2].id);
    model.nudgeSelected(0.5, 0);
    EXPECT_DOUBLE_EQ(model.shapes()[2].points[0].x, 1.0);
    EXPECT_TRUE(model.isModified());
}

TEST_F(AnnotationEditorModelTest, CropIsUndoableAndAClickRemovesIt) {
    const Annotation stored{{AnnotationShape{"kept", AnnotationTool::pen, "#34C759", 0.005, {{0.1, 0.1}, {0.9, 0.9}}, {}}}};
    AnnotationEditorModel model(settings, original, stored);
    EXPECT_FALSE(model.isModified());
    model.setMode(AnnotationEditorModel::Mode::crop);
    EXPECT_EQ(settings.value("markup.tool").toString(), "crop");
    drag(model, {0.8, 0.6}, {0.2, 0.1});
    ASSERT_TRUE(model.crop());
    EXPECT_NEAR(model.crop()->left(), 0.2, 1e-9);
    EXPECT_NEAR(model.crop()->height(), 0.5, 1e-9);
    EXPECT_EQ(model.preview().size(), original.size()) << "the editor keeps the whole image in view";
    EXPECT_EQ(model.annotation().shapes, stored.shapes);
    model.beginDrag({0.5, 0.5});
    model.endDrag();
    EXPECT_FALSE(model.crop());
    model.undo();
    EXPECT_TRUE(model.crop());
    model.undo();
    EXPECT_FALSE(model.crop());
    EXPECT_FALSE(model.isModified());
}

} // namespace
