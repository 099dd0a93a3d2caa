#pragma once

#include <QString>

#include <stdexcept>

// A request body refused whole, before any of it is applied: not JSON, the
// wrong shape, over a limit. The message names the first problem; the HTTP
// layer answers it as a bad request.
class MalformedBody : public std::runtime_error {
public:
    explicit MalformedBody(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}

    const QString& message() const { return message_; }

private:
    QString message_;
};
