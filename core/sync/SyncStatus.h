#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

#include <optional>

// What the sync engine is doing, as the account shows it.
struct SyncStatus {
    enum class Kind { idle, offline, failed, signedOut, syncing, sessionExpired };

    Kind kind = Kind::signedOut;
    std::optional<QDateTime> lastSync; // idle: the end of the last successful run
    QString message;                   // offline, failed: why

    static SyncStatus idle(std::optional<QDateTime> lastSync) { return {Kind::idle, std::move(lastSync), {}}; }
    static SyncStatus offline(QString message) { return {Kind::offline, {}, std::move(message)}; }
    static SyncStatus failed(QString message) { return {Kind::failed, {}, std::move(message)}; }
    static SyncStatus signedOut() { return {}; }
    static SyncStatus syncing() { return {Kind::syncing, {}, {}}; }
    static SyncStatus sessionExpired() { return {Kind::sessionExpired, {}, {}}; }

    bool isSignedIn() const { return kind != Kind::signedOut; }
    bool operator==(const SyncStatus&) const = default;
};

Q_DECLARE_METATYPE(SyncStatus)
