#pragma once

#include <QString>

#include <cstdint>

// A blob store clients reach on their own (an S3-compatible bucket): the
// service hands out addresses the store signs, and the bytes never pass
// through the service on their way in or out. What a client sends lands
// aside; admit() checks it against its hash before anyone sees it as present.
class DirectBlobAccess {
public:
    enum class Arrival { missing, mismatched, stored };

    virtual ~DirectBlobAccess() = default;

    // Good for one PUT of exactly `bytes` bytes, for `lifetimeSeconds`.
    virtual QString uploadUrl(const QString& workspaceId, const QString& sha256, std::int64_t bytes,
                              int lifetimeSeconds) = 0;
    virtual QString downloadUrl(const QString& workspaceId, const QString& sha256, int lifetimeSeconds) = 0;
    // Moves an upload that matches its hash into place; one that does not is thrown away.
    virtual Arrival admit(const QString& workspaceId, const QString& sha256, std::int64_t maxBytes) = 0;
};
