#pragma once

#include "common/ZorviError.h"

#include <QString>

#include <optional>

// The session token could not be kept safely.
class TokenStoreError : public ZorviError {
public:
    using ZorviError::ZorviError;
};

// Where the one credential the app holds is kept between launches.
class TokenStore {
public:
    virtual ~TokenStore() = default;
    // The stored token; none when there is none or it cannot be read.
    virtual std::optional<QString> read() = 0;
    // Replaces any stored token. Throws TokenStoreError when no secure store
    // can take it: the token is then kept nowhere rather than in plain text.
    virtual void write(const QString& token) = 0;
    // Forgets the token; failures are ignored.
    virtual void remove() = 0;
};
