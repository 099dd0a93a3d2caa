#pragma once

#include "store/CaptureImage.h"
#include "store/RemoteApplier.h"
#include "store/SyncLedger.h"

#include <QHash>
#include <QJsonObject>
#include <QLatin1String>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>

class BlobTransfer;
class CaptureStore;
class SyncClient;

// One exchange with "/v1/sync" at a time: pushes the library's pending rows
// with the pull cursor, then applies the verdicts and what others changed.
// Keeps, for the life of the process, the groups whose full contents are
// still to be asked for and how often each row was rejected with "retry".
class SyncCycle {
public:
    SyncCycle(CaptureStore& store, SyncClient& client, BlobTransfer& blobs)
        : store_(store), ledger_(store), remote_(store), client_(client), blobs_(blobs) {}

    // Called when the service asks for a full resynchronisation.
    std::function<void()> refreshAccount;
    // Called for each change the service refused for good, with its reason as
    // the service gave it; `staysLocal` when a new capture now stays on this computer.
    std::function<void(const QString& table, const QString& id, const QString& reason, bool staysLocal)> refused;

    // Runs one exchange; true when another should follow at once. Throws on
    // store, client and upload errors, before anything of the reply is applied.
    bool run();

    // Upper limits of one exchange.
    static constexpr int rowsPerTable = 200;
    static constexpr int changesPerRequest = 500;
    // Well inside the service's request limit, however large the rows.
    static constexpr qsizetype bytesPerRequest = 2 * 1024 * 1024;
    static constexpr int fullGroupsPerRequest = 50;
    // A change the service keeps refusing "for now" is logged and dropped, not sent forever.
    static constexpr int retryableRejections = 5;
    static constexpr size_t remoteRowsPerTransaction = 100;

private:
    struct Sent {
        QString table;
        bool isNew = false;
        QSet<QString> fields; // pending when collected
        QJsonObject change;
        // For a screenshot, the files whose hashes went: hashes are taken at
        // sending, so a file replaced meanwhile shows only in its path.
        std::optional<CaptureImage> image = std::nullopt;
    };
    bool handleResult(const QJsonObject& result, const QHash<QString, Sent>& sent);
    // Clears what the service accepted, keeping pending whatever was edited
    // here while the request was on its way.
    void settle(const QString& id, const Sent& sent, std::optional<std::int64_t> version);
    std::optional<QJsonObject> currentChange(const QString& table, const QString& id);
    void applyRemoteChanges(const QJsonArray& changes);
    void applyRemoteRow(QLatin1String table, const QJsonObject& row);

    CaptureStore& store_;
    SyncLedger ledger_;
    RemoteApplier remote_;
    SyncClient& client_;
    BlobTransfer& blobs_;
    QStringList fullGroupsQueue_;
    QHash<QString, int> rejections_;
};
