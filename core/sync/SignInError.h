#pragma once

#include "common/ZorviError.h"

// Why a device sign-in ended without a token.
class SignInError : public ZorviError {
public:
    enum class Kind { denied, expired };

    static SignInError denied() {
        return {Kind::denied, QStringLiteral("The sign-in was denied in the browser.")};
    }
    static SignInError expired() {
        return {Kind::expired, QStringLiteral("That code expired. Start again to get a new one.")};
    }

    Kind kind() const { return kind_; }

private:
    SignInError(Kind kind, QString description) : ZorviError(std::move(description)), kind_(kind) {}
    Kind kind_;
};
