#include "InputSchema.h"

#include "ToolError.h"

#include <QJsonArray>

#include <cmath>

namespace InputSchema {

namespace {

QString quotedList(const QJsonArray& values) {
    QStringList texts;
    for (const QJsonValue& value : values)
        texts.append('"' + value.toString() + '"');
    return texts.join(", ");
}

void checkString(const QString& where, const QJsonObject& schema, const QJsonValue& value) {
    if (!value.isString())
        throw ToolError(where + " must be a string.");
    const QJsonArray allowed = schema.value("enum").toArray();
    if (!allowed.isEmpty() && !allowed.contains(value))
        throw ToolError(where + " must be one of " + quotedList(allowed) + ".");
    if (value.toString().trimmed().size() < schema.value("minLength").toInt(0))
        throw ToolError(where + " must not be empty.");
}

void checkValue(const QString& where, const QJsonObject& schema, const QJsonValue& value) {
    const QString type = schema.value("type").toString();
    if (type == u"string") {
        checkString(where, schema, value);
    } else if (type == u"integer") {
        const double number = value.toDouble(NAN);
        const int minimum = schema.value("minimum").toInt();
        const int maximum = schema.value("maximum").toInt();
        if (!value.isDouble() || number != std::floor(number) || number < minimum || number > maximum)
            throw ToolError(QStringLiteral("%1 must be a whole number from %2 to %3.").arg(where).arg(minimum).arg(maximum));
    } else if (type == u"array") {
        if (!value.isArray())
            throw ToolError(where + " must be a list.");
        const QJsonObject items = schema.value("items").toObject();
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i)
            checkValue(QStringLiteral("%1 item %2").arg(where).arg(i + 1), items, array.at(i));
    }
}

} // namespace

QJsonObject string(const QString& description) {
    return {{"type", "string"}, {"description", description}};
}

QJsonObject nonEmptyString(const QString& description) {
    return {{"type", "string"}, {"description", description}, {"minLength", 1}};
}

QJsonObject oneOf(const QString& description, const QStringList& values) {
    return {{"type", "string"}, {"description", description}, {"enum", QJsonArray::fromStringList(values)}};
}

QJsonObject integer(const QString& description, int minimum, int maximum) {
    return {{"type", "integer"}, {"description", description}, {"minimum", minimum}, {"maximum", maximum}};
}

QJsonObject stringList(const QString& description) {
    return {{"type", "array"}, {"description", description}, {"items", QJsonObject{{"type", "string"}}}};
}

QJsonObject object(std::initializer_list<Property> properties, const QStringList& required) {
    QJsonObject props;
    for (const Property& property : properties)
        props.insert(property.first, property.second);
    QJsonObject schema{{"type", "object"}, {"properties", props}, {"additionalProperties", false}};
    if (!required.isEmpty())
        schema.insert("required", QJsonArray::fromStringList(required));
    return schema;
}

void validate(const QJsonObject& schema, const QJsonObject& arguments) {
    const QJsonObject properties = schema.value("properties").toObject();
    for (const QJsonValue& name : schema.value("required").toArray())
        if (!arguments.contains(name.toString()))
            throw ToolError(QStringLiteral("Missing argument \"%1\".").arg(name.toString()));
    for (auto it = arguments.begin(); it != arguments.end(); ++it) {
        if (!properties.contains(it.key())) {
            throw ToolError(QStringLiteral("Unknown argument \"%1\"; this tool takes %2.")
                                .arg(it.key(), properties.isEmpty() ? QStringLiteral("no arguments")
                                                                    : quotedList(QJsonArray::fromStringList(properties.keys()))));
        }
        // A null stands for "not given", as many clients send it for optional fields.
        if (it.value().isNull() && !schema.value("required").toArray().contains(it.key()))
            continue;
        checkValue(QStringLiteral("Argument \"%1\"").arg(it.key()), properties.value(it.key()).toObject(), it.value());
    }
}

} // namespace InputSchema
