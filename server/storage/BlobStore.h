#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Image files, content-addressed by SHA-256 and kept per workspace, so holding
// a hash never grants another workspace's bytes.
class BlobStore {
public:
    virtual ~BlobStore() = default;

    virtual bool exists(const QString& workspaceId, const QString& sha256) = 0;
    // Stores bytes whose hash the caller has verified; atomic: a reader sees
    // the whole blob or none.
    virtual void put(const QString& workspaceId, const QString& sha256, const QByteArray& bytes) = 0;
    virtual std::optional<QByteArray> read(const QString& workspaceId, const QString& sha256) = 0;
};
