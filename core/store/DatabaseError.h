#pragma once

#include "common/ZorviError.h"
#include "store/DatabaseErrorText.h"

// description() is a sentence for people, chosen by SQLite's result code;
// the engine's own message and the statement stay in detail() for the log.
class DatabaseError : public ZorviError {
public:
    enum class Kind { openFailed, prepareFailed, stepFailed };

    static DatabaseError openFailed(const QString& message, int code = 0) {
        return {Kind::openFailed, message, {}, code};
    }
    static DatabaseError prepareFailed(const QString& message, const QString& sql, int code = 0) {
        return {Kind::prepareFailed, message, sql, code};
    }
    static DatabaseError stepFailed(const QString& message, const QString& sql, int code = 0) {
        return {Kind::stepFailed, message, sql, code};
    }

    Kind kind() const { return kind_; }
    const QString& message() const { return message_; }
    const QString& sql() const { return sql_; }
    // SQLite's extended result code; 0 when unknown.
    int code() const { return code_; }
    QString detail() const override { return sql_.isEmpty() ? message_ : message_ + '\n' + sql_; }

private:
    DatabaseError(Kind kind, QString message, QString sql, int code)
        : ZorviError(DatabaseErrorText::sentence(kind == Kind::openFailed, code)), kind_(kind),
          message_(std::move(message)), sql_(std::move(sql)), code_(code) {}

    Kind kind_;
    QString message_;
    QString sql_;
    int code_;
};
