#pragma once

#include "common/ZorviError.h"

// A failed exchange with the workspace service. The description is what the
// user reads in the sync status line.
class SyncError : public ZorviError {
public:
    enum class Kind { offline, untrusted, server, unauthorized, decode, uploadsDisabled };

    // No reply at all: the service could not be reached.
    static SyncError offline(const QString& transportError);
    // Whoever answered could not prove to be the service (its TLS certificate
    // is not one the system trusts); nothing was sent to it.
    static SyncError untrusted(const QString& tlsError);
    static SyncError server(int status, const QString& message);
    static SyncError unauthorized();
    static SyncError decode();
    static SyncError uploadsDisabled();

    Kind kind() const { return kind_; }
    // The HTTP status of a `server` error (0 when the storage reply was no HTTP).
    int status() const { return status_; }
    // The payload text: the transport error or the server's message.
    const QString& message() const { return message_; }

private:
    SyncError(Kind kind, int status, QString message, QString description)
        : ZorviError(std::move(description)), kind_(kind), status_(status), message_(std::move(message)) {}

    Kind kind_;
    int status_;
    QString message_;
};
