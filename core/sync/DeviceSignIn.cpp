#include "DeviceSignIn.h"

#include "SignInError.h"
#include "SyncClient.h"
#include "TokenStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace DeviceSignIn {

void sleep(double seconds, const CancelFlag& cancel) {
    // Short slices so a cancel from another thread is noticed quickly.
    constexpr int sliceMs = 50;
    QDeadlineTimer deadline(qint64(seconds * 1000));
    while (!deadline.hasExpired()) {
        if (cancel.isCancelled())
            throw Cancelled{};
        QEventLoop loop;
        QTimer::singleShot(std::min<qint64>(sliceMs, deadline.remainingTime()), &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (cancel.isCancelled())
        throw Cancelled{};
}

QString waitForToken(SyncClient& client, TokenStore& tokens, const DeviceCode& code, const CancelFlag& cancel) {
    double interval = code.interval;
    for (;;) {
        if (QDateTime::currentDateTimeUtc() >= code.expiresAt)
            throw SignInError::expired();
        if (cancel.isCancelled())
            throw Cancelled{};
        sleep(interval, cancel);
        const DevicePoll::Result poll = client.pollDeviceToken(code.deviceCode);
        if (std::holds_alternative<DevicePoll::SlowDown>(poll))
            interval += 5;
        else if (std::holds_alternative<DevicePoll::Denied>(poll))
            throw SignInError::denied();
        else if (std::holds_alternative<DevicePoll::Expired>(poll))
            throw SignInError::expired();
        else if (const auto* token = std::get_if<DevicePoll::Token>(&poll)) {
            // Signed in only once the keyring holds the token: a token that
            // cannot be kept is revoked, so no session lives on in memory
            // that the next launch would not know of.
            client.setToken(token->accessToken);
            try {
                tokens.write(token->accessToken);
            } catch (...) {
                client.signOut();
                client.setToken(std::nullopt);
                throw;
            }
            return token->accessToken;
        }
    }
}

} // namespace DeviceSignIn
