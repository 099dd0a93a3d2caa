#pragma once

#include "storage/AccountStore.h"

#include <httplib.h>

// Resolves the bearer token of an API request to its user.
class Authenticator {
public:
    explicit Authenticator(AccountStore& accounts) : accounts_(accounts) {}

    // The caller, or ApiError(401).
    UserRecord require(const httplib::Request& req);
    // The stored hash of the request's bearer token, or empty.
    static QString tokenHash(const httplib::Request& req);

private:
    AccountStore& accounts_;
};
