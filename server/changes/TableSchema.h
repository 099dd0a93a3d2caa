#pragma once

#include "common/SyncLimits.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What a pushed row of each synced table may carry, and how the table hangs
// under a workspace.
namespace TableSchema {

using SyncLimits::maxLongText;
using SyncLimits::maxTags;
using SyncLimits::maxText;

enum class Kind {
    id,        // a safe identifier
    text,      // up to maxText characters
    longText,  // up to maxLongText characters (notes, comment bodies, annotations)
    number,    // any finite number
    integer,   // a whole number
    boolean,   // true/false or 0/1
    date,      // wire time text or epoch number
    sha256,    // 64 lower-case hex digits
    tags,      // an array of texts
};

struct Field {
    QString name;
    Kind kind;
    bool nullable;
    QStringList allowed; // when non-empty, the only accepted texts
};

struct Table {
    QString name;
    // The field naming the row's workspace (captures, groups) or its parent
    // capture (images, comments) or group (group members), through which
    // the workspace is found.
    QString workspaceField;
    QString parentField;
    bool createOnly; // comments are created, never edited
    std::vector<Field> fields;

    const Field* field(const QString& name) const;
};

// The table of that name, or none for anything else.
const Table* table(const QString& name);

// Why a value does not fit the field's type, or none when it does.
std::optional<QString> typeError(const Field& field, const QJsonValue& value);
// Why a well-typed value is not one the field accepts, or none.
std::optional<QString> valueError(const Field& field, const QJsonValue& value);

} // namespace TableSchema
