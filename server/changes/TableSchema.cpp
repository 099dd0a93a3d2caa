#include "TableSchema.h"

#include "common/Identifiers.h"
#include "security/Secrets.h"
#include "common/Wire.h"

#include <QJsonArray>

#include <cmath>

namespace TableSchema {

namespace {

Field f(const char* name, Kind kind, bool nullable = true, QStringList allowed = {}) {
    return {QString::fromLatin1(name), kind, nullable, std::move(allowed)};
}

const std::vector<Table>& tables() {
    static const std::vector<Table> all{
        {QStringLiteral("groups"), QStringLiteral("workspace_id"), QString(), false,
         {f("workspace_id", Kind::id, false), f("name", Kind::text, false), f("color_hex", Kind::text),
          f("visibility", Kind::text, true, {"private", "workspace"}), f("archived_at", Kind::date),
          f("created_at", Kind::date)}},
        {QStringLiteral("captures"), QStringLiteral("workspace_id"), QStringLiteral("group_id"), false,
         {f("workspace_id", Kind::id, false), f("group_id", Kind::id), f("note", Kind::longText),
          f("status", Kind::text, false, {"open", "in_progress", "resolved", "archived"}),
          f("priority", Kind::text, false, {"low", "normal", "high"}), f("tags", Kind::tags),
          f("app_name", Kind::text), f("app_bundle_id", Kind::text), f("window_title", Kind::text),
          f("url", Kind::text), f("display_name", Kind::text), f("display_scale", Kind::number),
          f("capture_mode", Kind::text, true, {"region", "fullscreen", "window", "text"}),
          f("claimed_by_id", Kind::id), f("claimed_label", Kind::text), f("claimed_at", Kind::date),
          f("resolved_at", Kind::date), f("resolution_ref", Kind::text), f("assignee_id", Kind::id),
          f("created_at", Kind::date), f("captured_at", Kind::date)}},
        {QStringLiteral("capture_images"), QStringLiteral("capture_id"), QStringLiteral("capture_id"), false,
         {f("capture_id", Kind::id, false), f("position", Kind::integer), f("original_sha256", Kind::sha256),
          f("marked_sha256", Kind::sha256), f("thumb_sha256", Kind::sha256), f("width", Kind::integer),
          f("height", Kind::integer), f("bytes", Kind::integer), f("annotation_json", Kind::longText),
          f("created_at", Kind::date)}},
        {QStringLiteral("group_members"), QStringLiteral("group_id"), QStringLiteral("group_id"), false,
         {f("group_id", Kind::id, false), f("user_id", Kind::id, false), f("removed_at", Kind::date)}},
        {QStringLiteral("comments"), QStringLiteral("capture_id"), QStringLiteral("capture_id"), true,
         {f("capture_id", Kind::id, false), f("body", Kind::longText, false), f("created_at", Kind::date),
          f("is_agent", Kind::boolean), f("actor_label", Kind::text), f("kind", Kind::text)}},
    };
    return all;
}

bool textWithin(const QJsonValue& v, qsizetype limit) {
    return v.isString() && v.toString().size() <= limit;
}

// A value of the right type that is too big to keep.
std::optional<QString> limitError(const Field& field, const QJsonValue& v) {
    const qsizetype limit = field.kind == Kind::text ? maxText : field.kind == Kind::longText ? maxLongText : 0;
    if (limit && v.isString() && v.toString().size() > limit)
        return QStringLiteral("%1 is longer than %2 characters").arg(field.name).arg(limit);
    if (field.kind == Kind::tags && v.isArray() && v.toArray().size() > maxTags)
        return QStringLiteral("more than %1 tags").arg(maxTags);
    return std::nullopt;
}

} // namespace

const Field* Table::field(const QString& name) const {
    for (const Field& fd : fields)
        if (fd.name == name)
            return &fd;
    return nullptr;
}

const Table* table(const QString& name) {
    for (const Table& t : tables())
        if (t.name == name)
            return &t;
    return nullptr;
}

std::optional<QString> typeError(const Field& field, const QJsonValue& v) {
    if (auto tooLong = limitError(field, v))
        return tooLong;
    if (v.isNull())
        return field.nullable ? std::nullopt : std::optional(field.name + QStringLiteral(" may not be null"));
    bool ok = false;
    switch (field.kind) {
    case Kind::id:
        ok = v.isString() && Identifiers::isSafe(v.toString());
        break;
    case Kind::text:
        ok = textWithin(v, maxText);
        break;
    case Kind::longText:
        ok = textWithin(v, maxLongText);
        break;
    case Kind::number:
        ok = v.isDouble() && std::isfinite(v.toDouble());
        break;
    case Kind::integer:
        ok = v.isDouble() && std::isfinite(v.toDouble()) && v.toDouble() == std::trunc(v.toDouble()) &&
             std::fabs(v.toDouble()) < 9.0e15;
        break;
    case Kind::boolean:
        ok = v.isBool() || (v.isDouble() && (v.toDouble() == 0 || v.toDouble() == 1));
        break;
    case Kind::date:
        ok = (v.isString() || v.isDouble()) && Wire::date(v).has_value();
        break;
    case Kind::sha256:
        ok = v.isString() && Secrets::isSha256Hex(v.toString());
        break;
    case Kind::tags: {
        const QJsonArray tags = v.toArray();
        ok = v.isArray() && tags.size() <= maxTags;
        for (const QJsonValue& t : tags)
            ok = ok && textWithin(t, 200);
        break;
    }
    }
    if (ok)
        return std::nullopt;
    return field.name + QStringLiteral(" has the wrong type or form");
}

std::optional<QString> valueError(const Field& field, const QJsonValue& v) {
    if (field.allowed.isEmpty() || v.isNull() || field.allowed.contains(v.toString()))
        return std::nullopt;
    return QStringLiteral("unknown %1 \"%2\"").arg(field.name, v.toString().left(40));
}

} // namespace TableSchema
