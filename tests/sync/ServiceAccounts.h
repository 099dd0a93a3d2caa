#pragma once

#include "ZorviServer.h"

#include "sync/SyncClient.h"

// The people and workspaces every service test starts with: "team" with two
// members, and "other" with someone who must never see the team's work.
struct ServiceAccounts {
    static inline const QString alice = QStringLiteral("alice@example.com");
    static inline const QString bob = QStringLiteral("bob@example.com");
    static inline const QString outsider = QStringLiteral("olga@example.com");
    static inline const QString password = QStringLiteral("correct horse battery");

    static void populate(ZorviServer& server) {
        server.addUser(alice, "Alice Archer", password);
        server.addUser(bob, "Bob Baker", password);
        server.addUser(outsider, "Olga Other", password);
        server.addWorkspace("team", "The Team");
        server.addWorkspace("other", "Other Co");
        server.addMember("team", alice, "admin");
        server.addMember("team", bob);
        server.addMember("other", outsider);
    }

    // A fresh session token for a person, through the real device flow.
    static QString tokenFor(ZorviServer& server, const QString& email) {
        SyncClient client(server.url(), std::nullopt);
        const DeviceCode code = client.requestDeviceCode();
        server.decide(code.userCode, email, password, true);
        const DevicePoll::Result poll = client.pollDeviceToken(code.deviceCode);
        if (!std::holds_alternative<DevicePoll::Token>(poll))
            throw std::runtime_error("no token after approval");
        return std::get<DevicePoll::Token>(poll).accessToken;
    }
};
