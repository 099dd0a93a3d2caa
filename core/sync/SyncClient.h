#pragma once

#include "AccountInfo.h"
#include "DeviceCode.h"

#include <QByteArray>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <mutex>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QThread;

// The one component that speaks HTTP to the workspace service: common
// headers, the bearer token, and the mapping of failures to SyncError. It
// knows nothing about the library. Calls block the calling thread (running
// its event loop) until the reply is in; the client must be used from the
// thread that created it, except token()/setToken(), which any thread may call.
class SyncClient {
public:
    SyncClient(QUrl baseURL, std::optional<QString> token);
    ~SyncClient();
    SyncClient(const SyncClient&) = delete;
    SyncClient& operator=(const SyncClient&) = delete;

    // Hands the client's HTTP session to the thread that will use it.
    void moveToThread(QThread* thread);

    const QUrl& baseURL() const { return baseURL_; }
    std::optional<QString> token() const;
    void setToken(std::optional<QString> token);
    // Sent as "X-Zorvi-Client" on every request when set.
    void setClientLabel(std::optional<QString> label) { clientLabel_ = std::move(label); }

    struct Reply {
        int status = 0;
        QByteArray body;
    };
    // One API call. Throws SyncError: offline without a reply, unauthorized on
    // 401, server/uploadsDisabled outside 2xx (unless `tolerate`).
    Reply request(const QByteArray& method, const QString& path, const std::optional<QJsonObject>& json, bool auth,
                  bool tolerate = false);

    DeviceCode requestDeviceCode();
    DevicePoll::Result pollDeviceToken(const QString& deviceCode);
    AccountInfo me();
    void registerDevice(const QString& id, const QString& name, const QString& platform,
                        const std::optional<QString>& appVersion);
    // Tells the service to revoke the token; never fails.
    void signOut() noexcept;
    QJsonObject sync(const QJsonObject& body);

    struct Reconciliation {
        QStringList drop;
        QStringList missing;
        QStringList unknown; // held here, never seen by the service: to push again
    };
    Reconciliation reconcile(const QStringList& captureIDs);

    // Makes sure the workspace's blob store holds `data` under `sha`.
    void ensureUploaded(const QString& workspaceID, const QByteArray& data, const QString& sha,
                        const QString& contentType);
    // The blob's bytes, refused unless they hash exactly to `sha`.
    QByteArray downloadBlob(const QString& workspaceID, const QString& sha);

    // The live-events request (not sent), carrying the current token.
    QNetworkRequest events(const std::optional<QString>& workspaceID = std::nullopt) const;

    // Decodes a device-code reply; public so that the rules can be checked alone.
    static DeviceCode decodeDeviceCode(const QJsonObject& reply, const QUrl& baseURL);

private:
    QUrl endpoint(const QString& path) const;
    QNetworkRequest apiRequest(const QString& path, bool auth, bool hasBody) const;
    // Sends and waits; a reply without an HTTP status is a transport failure.
    Reply send(QNetworkRequest request, const QByteArray& method, const QByteArray& body);
    static QJsonObject objectOrThrow(const QByteArray& body);

    QUrl baseURL_;
    mutable std::mutex lock_;
    std::optional<QString> token_;
    std::optional<QString> clientLabel_;
    std::unique_ptr<QNetworkAccessManager> session_;
};
