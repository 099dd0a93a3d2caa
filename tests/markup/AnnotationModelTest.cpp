#include "markup/Annotation.h"
#include "markup/AnnotationPalette.h"
#include "markup/ShapeCreation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <gtest/gtest.h>

namespace {

AnnotationShape shape(AnnotationTool tool, QList<AnnotationPoint> points, QString id = "s1") {
    return AnnotationShape{id, tool, "#FF3B30", 0.005, std::move(points)};
}

const char* validShape =
    R"({"id":"a","tool":"arrow","colorHex":"#0A84FF","lineWidth":0.009,"points":[{"x":0.1,"y":0.2},{"x":0.3,"y":0.4}]})";

QString withShapes(const QString& shapes) { return "{\"shapes\":[" + shapes + "]}"; }

} // namespace

TEST(AnnotationDecode, UnreadableTextGivesTheEmptyAnnotation) {
    for (const std::optional<QString>& text :
         {std::optional<QString>(), std::optional<QString>(""), std::optional<QString>("{}"),
          std::optional<QString>("not json"), std::optional<QString>("[]"),
          std::optional<QString>(R"({"shapes":{}})")}) {
        EXPECT_TRUE(Annotation::decode(text).isEmpty()) << text.value_or("<null>").toStdString();
    }
}

TEST(AnnotationDecode, OneBadShapeEmptiesTheWholeAnnotation) {
    ASSERT_EQ(Annotation::decode(withShapes(validShape)).shapes.size(), 1);

    const QStringList badShapes{
        R"({"id":"b","tool":"text","colorHex":"#000000","lineWidth":0.005,"points":[]})",
        R"({"tool":"pen","colorHex":"#000000","lineWidth":0.005,"points":[]})",
        R"({"id":"b","tool":"pen","colorHex":"#000000","points":[]})",
        R"({"id":7,"tool":"pen","colorHex":"#000000","lineWidth":0.005,"points":[]})",
        R"({"id":"b","tool":"pen","colorHex":"#000000","lineWidth":"0.005","points":[]})",
        R"({"id":"b","tool":"pen","colorHex":"#000000","lineWidth":0.005,"points":[{"x":0.1}]})",
        R"({"id":"b","tool":"pen","colorHex":"#000000","lineWidth":0.005,"points":[{"x":"0.1","y":0.2}]})",
        R"({"id":"b","tool":"pen","colorHex":null,"lineWidth":0.005,"points":[]})",
    };
    for (const QString& bad : badShapes) {
        const QString text = withShapes(QString(validShape) + "," + bad);
        EXPECT_TRUE(Annotation::decode(text).isEmpty()) << bad.toStdString();
    }
}

// Marks of a kind added later must not wipe out the ones this version can show.
TEST(AnnotationDecode, ShapesOfAnUnknownKindAreSkippedAndTheRestKept) {
    const QString laser =
        R"({"id":"b","tool":"laser","colorHex":"#000000","lineWidth":0.005,"points":[],"beam":{"power":9}})";
    const Annotation annotation = Annotation::decode(withShapes(laser + "," + validShape + "," + laser));
    ASSERT_EQ(annotation.shapes.size(), 1);
    EXPECT_EQ(annotation.shapes[0].id, "a");
    EXPECT_TRUE(Annotation::decode(withShapes(laser)).isEmpty());
}

TEST(AnnotationEncode, TextStepsAndTheCropRoundTrip) {
    Annotation annotation;
    annotation.shapes = {
        AnnotationShape{"t", AnnotationTool::text, "#FFFFFF", 0.009, {{0.2, 0.3}, {0.2, 0.3}}, "Löschen \"fails\""},
        AnnotationShape{"s", AnnotationTool::step, "#FF3B30", 0.005, {{0.5, 0.5}, {0.5, 0.5}}, {}},
    };
    annotation.crop = QRectF(0.1, 0.2, 0.5, 0.25);
    const std::optional<QString> text = annotation.encoded();
    ASSERT_TRUE(text);
    EXPECT_EQ(Annotation::decode(text), annotation);
    const QJsonObject root = QJsonDocument::fromJson(text->toUtf8()).object();
    EXPECT_FALSE(root["shapes"].toArray()[1].toObject().contains("text")) << "only labels carry words";
    EXPECT_EQ(root["crop"].toObject()["height"].toDouble(), 0.25);

    // A crop alone is markup: it makes a marked copy. A broken crop is unreadable text.
    EXPECT_FALSE((Annotation{{}, QRectF(0, 0, 0.5, 0.5)}.isEmpty()));
    EXPECT_TRUE(Annotation::decode(R"({"shapes":[],"crop":{"x":0.1}})").isEmpty());
}

TEST(AnnotationDecode, UnknownKeysAreIgnored) {
    const QString text =
        R"({"version":3,"shapes":[{"id":"a","tool":"pen","colorHex":"#FFFFFF","lineWidth":1,"extra":[1],)"
        R"("points":[{"x":0,"y":1,"z":5}]}]})";
    const Annotation annotation = Annotation::decode(text);
    ASSERT_EQ(annotation.shapes.size(), 1);
    EXPECT_EQ(annotation.shapes[0].lineWidth, 1.0);
    EXPECT_EQ(annotation.shapes[0].points, (QList<AnnotationPoint>{{0, 1}}));
}

TEST(AnnotationEncode, RoundTripsExactlyAndWritesOnlyTheKnownKeys) {
    Annotation annotation;
    annotation.shapes = {
        AnnotationShape{"3f2a9c1e-0000-4000-8000-00000000000a", AnnotationTool::pen, "#34C759", 0.0025,
                        {{0.1 + 0.2, 1.0 / 3.0}, {1e-17, 0.999999999999}, {0, 1}}},
        AnnotationShape{"b", AnnotationTool::blur, "#000000", 0.009, {{0.5, 0.5}, {0.25, 0.75}}},
        AnnotationShape{"c", AnnotationTool::ellipse, "not a colour ✓", 0.005, {}},
    };
    const std::optional<QString> text = annotation.encoded();
    ASSERT_TRUE(text);
    EXPECT_EQ(Annotation::decode(text), annotation);

    const QJsonObject root = QJsonDocument::fromJson(text->toUtf8()).object();
    EXPECT_EQ(root.keys(), QStringList{"shapes"});
    const QJsonObject first = root["shapes"].toArray()[0].toObject();
    const QStringList keys = first.keys();
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()),
              (QSet<QString>{"id", "tool", "colorHex", "lineWidth", "points"}));
    EXPECT_EQ(first["points"].toArray()[0].toObject().keys(), (QStringList{"x", "y"}));
    EXPECT_FALSE(text->contains('\n'));
}

TEST(AnnotationEncode, ANumberWithoutJsonFormGivesNoText) {
    Annotation annotation;
    annotation.shapes = {shape(AnnotationTool::pen, {{std::nan(""), 0.5}, {0.2, 0.2}})};
    EXPECT_FALSE(annotation.encoded());
}

TEST(ShapeCreation, ViewLocationsBecomeClampedFractionsOfTheFrame) {
    const QRectF frame(100, 50, 400, 200);
    EXPECT_EQ(ShapeCreation::pointInFrame({300, 100}, frame), (AnnotationPoint{0.5, 0.25}));
    EXPECT_EQ(ShapeCreation::pointInFrame({20, 900}, frame), (AnnotationPoint{0, 1}));
    EXPECT_EQ(ShapeCreation::pointInFrame({700, -5}, frame), (AnnotationPoint{1, 0}));
    EXPECT_FALSE(ShapeCreation::pointInFrame({10, 10}, QRectF(0, 0, 0, 100)));
}

TEST(ShapeCreation, NewShapesTakeThePreferencesExceptBlurColour) {
    const AnnotationShape arrow =
        ShapeCreation::begin(AnnotationTool::arrow, "#AF52DE", 2, {0.1, 0.1}, {0.2, 0.3});
    EXPECT_EQ(arrow.colorHex, "#AF52DE");
    EXPECT_EQ(arrow.lineWidth, 0.009);
    EXPECT_EQ(arrow.points, (QList<AnnotationPoint>{{0.1, 0.1}, {0.2, 0.3}}));
    EXPECT_EQ(arrow.id, arrow.id.toLower());
    EXPECT_EQ(arrow.id.size(), 36);

    const AnnotationShape blur = ShapeCreation::begin(AnnotationTool::blur, "#FFCC00", 9, {0, 0}, {1, 1});
    EXPECT_EQ(blur.colorHex, "#000000");
    EXPECT_EQ(blur.lineWidth, AnnotationPalette::widthValue(AnnotationPalette::defaultWidthIndex));
    EXPECT_NE(blur.id, arrow.id);

    EXPECT_EQ(ShapeCreation::toolFromPreference("ellipse"), AnnotationTool::ellipse);
    EXPECT_EQ(ShapeCreation::toolFromPreference("lasso"), AnnotationTool::pen);
}

TEST(ShapeCreation, PenGrowsWhileDragShapesMoveTheirEnd) {
    AnnotationShape pen = ShapeCreation::begin(AnnotationTool::pen, "#FF3B30", 1, {0.1, 0.1}, {0.2, 0.2});
    ShapeCreation::extend(pen, {0.3, 0.3});
    EXPECT_EQ(pen.points.size(), 3);

    AnnotationShape box = ShapeCreation::begin(AnnotationTool::rectangle, "#FF3B30", 1, {0.1, 0.1}, {0.2, 0.2});
    ShapeCreation::extend(box, {0.3, 0.3});
    ShapeCreation::extend(box, {0.4, 0.6});
    EXPECT_EQ(box.points, (QList<AnnotationPoint>{{0.1, 0.1}, {0.4, 0.6}}));
}

TEST(ShapeCreation, TinyDragShapesAreDroppedButPenDotsKept) {
    const AnnotationPoint start{0.5, 0.5};
    const AnnotationPoint near{0.503, 0.503};
    EXPECT_FALSE(ShapeCreation::shouldKeep(ShapeCreation::begin(AnnotationTool::arrow, "#FF3B30", 1, start, near)));
    EXPECT_TRUE(ShapeCreation::shouldKeep(ShapeCreation::begin(AnnotationTool::pen, "#FF3B30", 1, start, near)));
    EXPECT_TRUE(ShapeCreation::shouldKeep(
        ShapeCreation::begin(AnnotationTool::blur, "#FF3B30", 1, start, {0.5, 0.5045})));
    EXPECT_FALSE(ShapeCreation::shouldKeep(shape(AnnotationTool::pen, {{0.1, 0.1}})));
}
