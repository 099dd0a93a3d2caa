#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

struct pg_conn;
struct pg_result;

// One parameter of a statement, sent as text; a null is SQL NULL.
class PgValue {
public:
    PgValue(std::nullopt_t) {}
    PgValue(const QString& text) : text_(text.toUtf8()) {}
    PgValue(const char* text) : text_(QByteArray(text)) {}
    PgValue(const std::optional<QString>& text) {
        if (text)
            text_ = text->toUtf8();
    }
    PgValue(std::int64_t n) : text_(QByteArray::number(qlonglong(n))) {}
    PgValue(int n) : text_(QByteArray::number(n)) {}
    PgValue(double n) : text_(QByteArray::number(n, 'f', 6)) {}
    PgValue(bool b) : text_(QByteArray(b ? "true" : "false")) {}

    const char* data() const { return text_ ? text_->constData() : nullptr; }

private:
    std::optional<QByteArray> text_;
};

// A list parameter: PostgreSQL's array literal, for "= ANY($n::text[])".
QString pgArray(const QStringList& values);

// The rows a statement returned, read by column name.
class PgResult {
public:
    explicit PgResult(pg_result* result);
    ~PgResult();
    PgResult(PgResult&& other) noexcept;
    PgResult(const PgResult&) = delete;

    int size() const;
    bool empty() const { return size() == 0; }
    // Rows the statement changed (UPDATE, DELETE, INSERT).
    std::int64_t changed() const;

    std::optional<QString> string(int row, const char* column) const;
    std::optional<std::int64_t> integer(int row, const char* column) const;
    std::optional<double> real(int row, const char* column) const;
    bool boolean(int row, const char* column) const;

private:
    int column(const char* name) const;

    pg_result* result_;
};

// One libpq connection. Failures throw DatabaseUnavailable or a
// std::runtime_error that names the operation, never the statement.
class PgConnection {
public:
    explicit PgConnection(const QString& url);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;

    PgResult exec(const char* sql, const std::vector<PgValue>& params = {});
    // Several statements without parameters (a schema step).
    void script(const char* sql);
    // Reconnects when the server dropped the connection (a restart);
    // returns whether the connection is usable.
    bool ensureOpen();
    int socket() const;
    pg_conn* handle() { return conn_; }

private:
    PgResult checked(pg_result* result);

    QString url_;
    pg_conn* conn_ = nullptr;
};

// Serialization failure or deadlock: the transaction may simply be retried.
class PgConflict : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The database cannot be reached at all; the message is for the administrator.
class DatabaseUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
