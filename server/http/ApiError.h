#pragma once

#include <QString>

#include <exception>

// A request the service refuses: the HTTP status and the JSON error body
// {"error": {"code": code, "message": message}}.
class ApiError : public std::exception {
public:
    ApiError(int status, QString code, QString message)
        : status_(status), code_(std::move(code)), message_(std::move(message)), what_(message_.toStdString()) {}

    int status() const { return status_; }
    const QString& code() const { return code_; }
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return what_.c_str(); }

    static ApiError badRequest(const QString& message) { return {400, QStringLiteral("invalid_request"), message}; }

private:
    int status_;
    QString code_;
    QString message_;
    std::string what_;
};
