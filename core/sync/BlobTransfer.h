#pragma once

#include "store/CaptureImage.h"
#include "store/SyncLedger.h"

#include <QByteArray>
#include <QString>

class CaptureStore;
class SyncClient;

// Moves screenshot files between the library and the workspace's blob store.
// Files are named by the SHA-256 of their bytes: uploads are skipped when the
// hash is already recorded, downloads are refused unless they match it.
class BlobTransfer {
public:
    BlobTransfer(CaptureStore& store, SyncClient& client) : store_(store), ledger_(store), client_(client) {}

    // Uploads the original, marked copy and thumbnail of a shared capture's
    // image whose hashes changed, and records the hashes. Returns the image as
    // read, with the hashes of its files: what may be pushed, even when a
    // newer edit (whose files are still unhashed) was saved meanwhile. Throws
    // when a file cannot be read or the service refuses it.
    CaptureImage ensureBlobs(const CaptureImage& image);
    // Fetches the files that pulled image rows name but the disk lacks, newest
    // first, at most 30 images a call. The service's failures are logged per
    // image; a file this disk cannot take stops the call and is thrown, as is
    // a store that cannot list them. Returns how many images were tried.
    int downloadPendingImages();

    static QString contentType(const QString& path);
    struct Kind {
        QString extension;
        QString contentType;
    };
    static Kind imageKind(const QByteArray& bytes);

private:
    // Downloads one blob and writes it atomically; returns its relative path.
    QString fetch(const QString& workspaceID, const QString& sha, const QString& name, const QDateTime& createdAt,
                  bool thumbnail);

    CaptureStore& store_;
    SyncLedger ledger_;
    SyncClient& client_;
};
