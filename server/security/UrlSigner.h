#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Short-lived storage addresses: the path and an expiry, signed with a key
// only the service knows, so a storage request needs no bearer token.
class UrlSigner {
public:
    explicit UrlSigner(QByteArray key) : key_(std::move(key)) {}

    // "<path>?bytes=<size>&expires=<epoch seconds>&signature=<hex>" for
    // `method` on `path`; the size (empty: none) is signed too, so an
    // address for an upload takes no more than it was issued for.
    QString sign(const QString& method, const QString& path, const QString& bytes, std::int64_t expiresAt) const;
    bool verify(const QString& method, const QString& path, const QString& bytes, const QString& expires,
                const QString& signature, std::int64_t now) const;

    // The key kept in the data folder (made on first start, owner-only).
    static QByteArray loadOrCreateKey(const QString& path);

private:
    QString mac(const QString& method, const QString& path, const QString& bytes, const QString& expires) const;

    QByteArray key_;
};
