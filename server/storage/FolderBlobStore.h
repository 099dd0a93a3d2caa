#pragma once

#include "BlobStore.h"

#include <utility>
#include <vector>

// Blobs as files: <root>/<workspace id>/<first two hex digits>/<sha256>,
// readable by the service's user only. Callers pass only validated ids and
// hashes, so no path leaves the root.
class FolderBlobStore : public BlobStore {
public:
    explicit FolderBlobStore(QString root);

    bool exists(const QString& workspaceId, const QString& sha256) override;
    std::unique_ptr<Upload> beginUpload(const QString& workspaceId, const QString& sha256) override;
    std::unique_ptr<QIODevice> open(const QString& workspaceId, const QString& sha256) override;

    QString pathFor(const QString& workspaceId, const QString& sha256) const;
    // Every file kept, as (workspace id, sha256).
    std::vector<std::pair<QString, QString>> stored() const;

private:
    QString root_;
};
