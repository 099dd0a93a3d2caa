#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

// A parameter or column value, tagged with its SQLite storage class.
class SQLValue {
public:
    using Storage = std::variant<std::monostate, std::int64_t, double, QString, QByteArray>;

    SQLValue() = default;
    SQLValue(std::int64_t v) : value_(v) {}
    SQLValue(int v) : value_(std::int64_t(v)) {}
    SQLValue(double v) : value_(v) {}
    SQLValue(const QString& v) : value_(v) {}
    SQLValue(const char* v) : value_(QString::fromUtf8(v)) {}
    SQLValue(const QByteArray& v) : value_(v) {}

    static SQLValue null() { return {}; }
    static SQLValue string(const std::optional<QString>& v) { return v ? SQLValue(*v) : SQLValue(); }
    static SQLValue date(const std::optional<QDateTime>& v);
    static SQLValue date(const QDateTime& v) { return date(std::optional<QDateTime>(v)); }
    static SQLValue boolean(bool v) { return SQLValue(std::int64_t(v ? 1 : 0)); }
    // The current time to the microsecond: two writes in the same millisecond
    // still move MAX(updated_at), which the change stamp relies on.
    static SQLValue now();

    bool isNull() const { return std::holds_alternative<std::monostate>(value_); }
    const Storage& storage() const { return value_; }

    bool operator==(const SQLValue&) const = default;

private:
    Storage value_;
};

// Seconds since 1970 UTC, the library's stored form of a time.
double toEpochSeconds(const QDateTime& t);
QDateTime fromEpochSeconds(double seconds);
