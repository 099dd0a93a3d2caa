#pragma once

#include "store/StoreFixture.h"
#include "common/Wire.h"
#include "store/RemoteApplier.h"
#include "store/SyncLedger.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

// A library signed in to one workspace, with helpers for rows in each sync state.
class SyncFixture : public StoreFixture {
protected:
    static inline const QString workspace = QStringLiteral("ws-1");
    static inline const QString me = QStringLiteral("user-me");

    // The sync engine's faces on the fixture's store, on its connection.
    SyncLedger ledger() { return SyncLedger(*store); }
    RemoteApplier remote() { return RemoteApplier(*store); }

    void SetUp() override {
        StoreFixture::SetUp();
        ledger().setSyncMeta("user_id", me);
        ledger().setSyncMeta("user_name", QString("Me Myself"));
    }

    // A capture that the service has accepted: in the workspace, nothing pending.
    Capture syncedCapture(const QString& note = "shared bug", std::int64_t version = 3) {
        Capture c = newCapture(note);
        c.workspaceID = workspace;
        store->insert(c);
        ledger().markSynced("captures", c.id, version);
        return *store->captureIncludingDeleted(c.id);
    }

    // A capture on this machine only.
    Capture localCapture(const QString& note = "local bug") {
        Capture c = newCapture(note);
        store->insert(c);
        return *store->captureIncludingDeleted(c.id);
    }

    Pending pendingOf(const QString& table, const QString& id) {
        for (const Pending& p : ledger().pending(table, 1000))
            if (p.id == id)
                return p;
        ADD_FAILURE() << "no pending row " << id.toStdString() << " in " << table.toStdString();
        return {};
    }

    QSet<QString> pendingFields(const QString& table, const QString& id) {
        const std::optional<QString> text = column(table, "pending", id);
        QSet<QString> keys;
        if (text)
            for (const QString& key : QJsonDocument::fromJson(text->toUtf8()).object().keys())
                keys.insert(key);
        return keys;
    }

    static QSet<QString> keysOf(const QJsonObject& object) {
        const QStringList keys = object.keys();
        return QSet<QString>(keys.begin(), keys.end());
    }

    static QJsonObject json(const char* text) { return QJsonDocument::fromJson(text).object(); }
};
