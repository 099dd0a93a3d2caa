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
    // Keyed by the UTF-8 column name so lookups by a literal allocate nothing.
    using ColumnIndex = QHash<QByteArray, int>;

    Row() = default;
    Row(std::shared_ptr<const ColumnIndex> columns, std::vector<SQLValue> values)
        : columns_(std::move(columns)), values_(std::move(values)) {}

    class Name {
    public:
        Name(const char* literal) : bytes_(QByteArray::fromRawData(literal, qsizetype(qstrlen(literal)))) {}
        Name(const QString& name) : bytes_(name.toUtf8()) {}
        const QByteArray& bytes() const { return bytes_; }

    private:
        QByteArray bytes_;
    };

    const SQLValue* value(const Name& name) const;
    bool has(const Name& name) const { return value(name) != nullptr; }

    std::optional<QString> string(const Name& name) const;
    std::optional<std::int64_t> integer(const Name& name) const;
    std::optional<double> real(const Name& name) const;
    std::optional<QDateTime> date(const Name& name) const;
    bool boolean(const Name& name) const;
    std::optional<QByteArray> data(const Name& name) const;

private:
    std::shared_ptr<const ColumnIndex> columns_;
    std::vector<SQLValue> values_;
};
