#pragma once

#include "common/ZorviError.h"

class DatabaseError : public ZorviError {
public:
    enum class Kind { openFailed, prepareFailed, stepFailed };

    static DatabaseError openFailed(const QString& message) {
        return {Kind::openFailed, message, {}, "Could not open the Zorvi database: " + message};
    }
    static DatabaseError prepareFailed(const QString& message, const QString& sql) {
        return {Kind::prepareFailed, message, sql, "SQL prepare failed: " + message + '\n' + sql};
    }
    static DatabaseError stepFailed(const QString& message, const QString& sql) {
        return {Kind::stepFailed, message, sql, "SQL execution failed: " + message + '\n' + sql};
    }

    Kind kind() const { return kind_; }
    const QString& message() const { return message_; }
    const QString& sql() const { return sql_; }

private:
    DatabaseError(Kind kind, QString message, QString sql, QString description)
        : ZorviError(std::move(description)), kind_(kind), message_(std::move(message)), sql_(std::move(sql)) {}

    Kind kind_;
    QString message_;
    QString sql_;
};
