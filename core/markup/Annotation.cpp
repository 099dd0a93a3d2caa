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

// A shape that could not be read, as opposed to one of an unknown kind.
struct Unreadable {};

std::optional<QRectF> readCrop(const QJsonValue& value) {
    const QJsonObject object = value.toObject();
    const QJsonValue x = object.value(QLatin1String("x"));
    const QJsonValue y = object.value(QLatin1String("y"));
    const QJsonValue width = object.value(QLatin1String("width"));
    const QJsonValue height = object.value(QLatin1String("height"));
    if (!x.isDouble() || !y.isDouble() || !width.isDouble() || !height.isDouble())
        return std::nullopt;
    return QRectF(x.toDouble(), y.toDouble(), width.toDouble(), height.toDouble());
}

// Nothing for a shape of an unknown kind; throws Unreadable for a broken one.
std::optional<AnnotationShape> readShape(const QJsonValue& value) {
    if (!value.isObject())
        throw Unreadable{};
    const QJsonObject object = value.toObject();
    const QJsonValue id = object.value(QLatin1String("id"));
    const QJsonValue tool = object.value(QLatin1String("tool"));
    const QJsonValue color = object.value(QLatin1String("colorHex"));
    const QJsonValue width = object.value(QLatin1String("lineWidth"));
    const QJsonValue points = object.value(QLatin1String("points"));
    if (!id.isString() || !tool.isString() || !color.isString() || !width.isDouble() || !points.isArray())
        throw Unreadable{};
    const std::optional<AnnotationTool> parsedTool = AnnotationTools::fromRawValue(tool.toString());
    if (!parsedTool)
        return std::nullopt;

    AnnotationShape shape{id.toString(), *parsedTool, color.toString(), width.toDouble(), {}, {}};
    if (shape.tool == AnnotationTool::text) {
        const QJsonValue text = object.value(QLatin1String("text"));
        if (!text.isString())
            throw Unreadable{};
        shape.text = text.toString();
    }
    const QJsonArray pointArray = points.toArray();
    shape.points.reserve(pointArray.size());
    for (const QJsonValue& pointValue : pointArray) {
        const std::optional<AnnotationPoint> point = readPoint(pointValue);
        if (!point)
            throw Unreadable{};
        shape.points.append(*point);
    }
    return shape;
}

bool isWritable(const QRectF& crop) {
    return std::isfinite(crop.x()) && std::isfinite(crop.y()) && std::isfinite(crop.width()) &&
           std::isfinite(crop.height());
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
        QJsonObject object{
            {QLatin1String("id"), shape.id},
            {QLatin1String("tool"), AnnotationTools::rawValue(shape.tool)},
            {QLatin1String("colorHex"), shape.colorHex},
            {QLatin1String("lineWidth"), shape.lineWidth},
            {QLatin1String("points"), pointArray},
        };
        if (shape.tool == AnnotationTool::text)
            object.insert(QLatin1String("text"), shape.text);
        shapeArray.append(object);
    }
    QJsonObject root{{QLatin1String("shapes"), shapeArray}};
    if (crop) {
        if (!isWritable(*crop))
            return std::nullopt;
        root.insert(QLatin1String("crop"), QJsonObject{{QLatin1String("x"), crop->x()},
                                                       {QLatin1String("y"), crop->y()},
                                                       {QLatin1String("width"), crop->width()},
                                                       {QLatin1String("height"), crop->height()}});
    }
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
    try {
        for (const QJsonValue& value : shapeArray)
            if (const std::optional<AnnotationShape> shape = readShape(value))
                annotation.shapes.append(*shape);
    } catch (const Unreadable&) {
        return {};
    }
    const QJsonValue cropValue = document.object().value(QLatin1String("crop"));
    if (!cropValue.isUndefined()) {
        annotation.crop = readCrop(cropValue);
        if (!annotation.crop)
            return {};
    }
    return annotation;
}
