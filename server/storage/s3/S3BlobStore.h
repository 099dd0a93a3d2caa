#pragma once

#include "S3Client.h"
#include "storage/BlobStore.h"

// Blobs as objects in one bucket: blobs/<workspace id>/<sha256> once
// verified, incoming/<workspace id>/<sha256> while a client's upload waits
// for its check. Only the service writes under blobs/, so an object there
// always matches its name.
class S3BlobStore : public BlobStore, public DirectBlobAccess {
public:
    // Checks that the bucket answers to these credentials; throws with a
    // message for the operator when it does not.
    explicit S3BlobStore(S3Location location);

    bool exists(const QString& workspaceId, const QString& sha256) override;
    std::unique_ptr<Upload> beginUpload(const QString& workspaceId, const QString& sha256) override;
    std::unique_ptr<QIODevice> open(const QString& workspaceId, const QString& sha256) override;
    DirectBlobAccess* direct() override { return this; }

    QString uploadUrl(const QString& workspaceId, const QString& sha256, std::int64_t bytes,
                      int lifetimeSeconds) override;
    QString downloadUrl(const QString& workspaceId, const QString& sha256, int lifetimeSeconds) override;
    Arrival admit(const QString& workspaceId, const QString& sha256, std::int64_t maxBytes) override;

    // Reads "s3://BUCKET" with the endpoint, region and the AWS_* environment.
    static S3Location locationFrom(const QString& blobsUrl, const QString& endpoint, const QString& region);

private:
    S3Client client_;
};
