#include "Annotation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

std::optional<AnnotationPoint> readPoint(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue x = object.value(QLatin1String("x"));
    const QJsonValue y = object.value(QLatin1String("y"));
    if (!x.isDouble() || !y.isDouble())
        return std::nullopt;
    return AnnotationPoint{x.toDouble(), y.toDouble()};
}

std::optional<AnnotationShape> readShape(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue id = object.value(QLatin1String("id"));
    const QJsonValue tool = object.value(QLatin1String("tool"));
    const QJsonValue color = object.value(QLatin1String("colorHex"));
    const QJsonValue width = object.value(QLatin1String("lineWidth"));
    const QJsonValue points = object.value(QLatin1String("points"));
    if (!id.isString() || !tool.isString() || !color.isString() || !width.isDouble() || !points.isArray())
        return std::nullopt;
    const std::optional<AnnotationTool> parsedTool = AnnotationTools::fromRawValue(tool.toString());
    if (!parsedTool)
        return std::nullopt;

    AnnotationShape shape{id.toString(), *parsedTool, color.toString(), width.toDouble(), {}};
    const QJsonArray pointArray = points.toArray();
    shape.points.reserve(pointArray.size());
    for (const QJsonValue& pointValue : pointArray) {
        const std::optional<AnnotationPoint> point = readPoint(pointValue);
        if (!point)
            return std::nullopt;
        shape.points.append(*point);
    }
    return shape;
}

bool isWritable(const AnnotationShape& shape) {
    if (!std::isfinite(shape.lineWidth))
        return false;
    for (const AnnotationPoint& point : shape.points)
        if (!std::isfinite(point.x) || !std::isfinite(point.y))
            return false;
    return true;
}

} // namespace

std::optional<QString> Annotation::encoded() const {
    QJsonArray shapeArray;
    for (const AnnotationShape& shape : shapes) {
        if (!isWritable(shape))
            return std::nullopt;
        QJsonArray pointArray;
        for (const AnnotationPoint& point : shape.points)
            pointArray.append(QJsonObject{{QLatin1String("x"), point.x}, {QLatin1String("y"), point.y}});
        shapeArray.append(QJsonObject{
            {QLatin1String("id"), shape.id},
            {QLatin1String("tool"), AnnotationTools::rawValue(shape.tool)},
            {QLatin1String("colorHex"), shape.colorHex},
            {QLatin1String("lineWidth"), shape.lineWidth},
            {QLatin1String("points"), pointArray},
        });
    }
    const QJsonObject root{{QLatin1String("shapes"), shapeArray}};
    return QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Compact));
}

Annotation Annotation::decode(const std::optional<QString>& text) {
    if (!text)
        return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text->toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    const QJsonValue shapesValue = document.object().value(QLatin1String("shapes"));
    if (!shapesValue.isArray())
        return {};

    Annotation annotation;
    const QJsonArray shapeArray = shapesValue.toArray();
    annotation.shapes.reserve(shapeArray.size());
    for (const QJsonValue& value : shapeArray) {
        const std::optional<AnnotationShape> shape = readShape(value);
        if (!shape)
            return {};
        annotation.shapes.append(*shape);
    }
    return annotation;
}
