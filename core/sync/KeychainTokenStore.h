#pragma once

#include "TokenStore.h"

// The session token in the desktop's Secret Service (or KWallet) through
// QtKeychain: service "dev.zorvi.Zorvi", key "session". Never a plain-text file.
class KeychainTokenStore : public TokenStore {
public:
    static inline const QString service = QStringLiteral("dev.zorvi.Zorvi");
    static inline const QString key = QStringLiteral("session");

    std::optional<QString> read() override;
    void write(const QString& token) override;
    void remove() override;
};
