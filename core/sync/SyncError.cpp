#include "SyncError.h"

#include "ServiceURLs.h"

#include <QCoreApplication>

SyncError SyncError::offline(const QString& transportError) {
    return {Kind::offline, 0, transportError,
            "Can't reach " + ServiceURLs::webDomain() + " \u2014 " + transportError};
}

SyncError SyncError::untrusted(const QString& tlsError) {
    return {Kind::untrusted, 0, tlsError,
            QCoreApplication::translate("SyncError",
                                        "%1's certificate isn't trusted by this computer, so Zorvi sent it nothing "
                                        "\u2014 %2")
                .arg(ServiceURLs::webDomain(), tlsError)};
}

SyncError SyncError::server(int status, const QString& message) {
    return {Kind::server, status, message, "Server error " + QString::number(status) + ": " + message};
}

SyncError SyncError::unauthorized() {
    return {Kind::unauthorized, 401, {}, QStringLiteral("Your session has expired. Sign in again to keep syncing.")};
}

SyncError SyncError::decode() {
    return {Kind::decode, 0, {}, QStringLiteral("Unexpected reply from the server.")};
}

SyncError SyncError::uploadsDisabled() {
    return {Kind::uploadsDisabled, 0, {}, QStringLiteral("Screenshot uploads are switched off on this server.")};
}
