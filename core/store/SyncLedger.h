#pragma once

#include "Capture.h"
#include "CaptureImage.h"
#include "Comment.h"
#include "Pending.h"

#include <QJsonObject>
#include <QStringList>

#include <optional>
#include <vector>

class CaptureStore;
class Database;

// The library's sync bookkeeping: the sync log and metadata, the rows waiting
// to be pushed and their change objects, the service's verdicts, moving local
// captures into a workspace and what blob transfer learnt about files. Only
// the sync engine keeps these books; it works on the store's own connection,
// so its writes share the store's transactions.
class SyncLedger {
public:
    explicit SyncLedger(CaptureStore& store);

    void setSyncMeta(const QString& key, const std::optional<QString>& value);
    void markPending(const QString& table, const QString& id, const QStringList& fields);

    // The log a person reads in the account settings; never throws, so
    // logging cannot break a sync cycle.
    void log(const QString& level, const QString& message) noexcept;

    // What to push.
    std::vector<Pending> pending(const QString& table, int limit);
    // One row's pending fields and version, whatever its sync state; none when there is no such row.
    std::optional<Pending> pendingRow(const QString& table, const QString& id);
    std::vector<Comment> pendingComments(int limit);
    std::optional<QJsonObject> captureChange(const Pending& pending);
    std::optional<QJsonObject> groupChange(const Pending& pending);
    std::optional<QJsonObject> imageChange(const Pending& pending, const CaptureImage& image);
    static QJsonObject commentChange(const Comment& comment);
    QStringList syncedCaptureIDs();

    // The service's verdicts.
    void markSynced(const QString& table, const QString& id, std::optional<std::int64_t> version);
    void markLocalOnly(const QString& captureID);
    // The service lost these captures (restored from an older backup): they,
    // their screenshots (files included), comments and group go again whole.
    void pushAgain(const QStringList& captureIDs);
    // Comments carry no patch or version: the service either has one or not.
    void markCommentSynced(const QString& id);
    void adopt(const QString& captureID, const QString& workspaceID);

    // What blob transfer learnt about an image's files: their content hashes
    // after an upload, their paths after a download. `seen` is the row as the
    // transfer read it; a file that changed meanwhile (marks saved or cleared,
    // a new hash pulled) keeps what the change gave it.
    void recordImageHashes(const CaptureImage& seen, const std::optional<QString>& original,
                           const std::optional<QString>& marked, const std::optional<QString>& thumb);
    void recordImagePaths(const CaptureImage& seen, const QString& imagePath, const std::optional<QString>& annotated,
                          const std::optional<QString>& thumb);

    struct ImageToDownload {
        CaptureImage image;
        QString workspaceID;
    };
    // Live images of shared captures that miss their original, marked copy or thumbnail.
    std::vector<ImageToDownload> imagesAwaitingDownload(int limit);

private:
    CaptureStore& store_;
    Database* db_;
};
