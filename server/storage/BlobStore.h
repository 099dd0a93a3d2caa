#pragma once

#include "DirectBlobAccess.h"

#include <QIODevice>
#include <QString>

#include <memory>

// Image files, content-addressed by SHA-256 and kept per workspace, so holding
// a hash never grants another workspace's bytes.
class BlobStore {
public:
    // A blob on its way in, written as it arrives: it appears whole on
    // commit() and not at all if the upload is dropped before.
    class Upload {
    public:
        virtual ~Upload() = default;
        virtual bool write(const char* data, std::size_t size) = 0;
        virtual void commit() = 0;
    };

    virtual ~BlobStore() = default;

    virtual bool exists(const QString& workspaceId, const QString& sha256) = 0;
    // The caller verifies the bytes' hash before commit().
    virtual std::unique_ptr<Upload> beginUpload(const QString& workspaceId, const QString& sha256) = 0;
    // The stored bytes, open for reading; null when there are none.
    virtual std::unique_ptr<QIODevice> open(const QString& workspaceId, const QString& sha256) = 0;
    // Null when clients send and fetch the bytes through the service itself.
    virtual DirectBlobAccess* direct() { return nullptr; }
};
