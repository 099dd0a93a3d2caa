#pragma once

#include <QDateTime>
#include <QString>

#include <variant>

// A pending device authorization: what the user approves in the browser and
// what the app polls with.
struct DeviceCode {
    QString deviceCode;
    QString userCode;
    QString verificationURI;
    QString verificationURIComplete;
    double interval = 2;   // seconds between polls, at least 2
    QDateTime expiresAt;   // at least 60 s after the request
};

// The outcome of one token poll.
namespace DevicePoll {
struct Token { QString accessToken; };
struct Pending {};
struct SlowDown {};
struct Denied {};
struct Expired {};
using Result = std::variant<Token, Pending, SlowDown, Denied, Expired>;
} // namespace DevicePoll
