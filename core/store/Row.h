#pragma once

#include "SQLValue.h"

#include <QHash>

#include <memory>
#include <optional>
#include <vector>

// One result row: column name (an AS alias when given) to value. Rows of one
// result share their column index.
class Row {
public:
    using ColumnIndex = QHash<QString, int>;

    Row() = default;
    Row(std::shared_ptr<const ColumnIndex> columns, std::vector<SQLValue> values)
        : columns_(std::move(columns)), values_(std::move(values)) {}

    const SQLValue* value(const QString& name) const;
    bool has(const QString& name) const { return value(name) != nullptr; }

    std::optional<QString> string(const QString& name) const;
    std::optional<std::int64_t> integer(const QString& name) const;
    std::optional<double> real(const QString& name) const;
    std::optional<QDateTime> date(const QString& name) const;
    bool boolean(const QString& name) const;
    std::optional<QByteArray> data(const QString& name) const;

private:
    std::shared_ptr<const ColumnIndex> columns_;
    std::vector<SQLValue> values_;
};
