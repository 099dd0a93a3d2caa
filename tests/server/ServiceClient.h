#pragma once

#include <httplib.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// A JSON client for the service under test, over real HTTP.
class ServiceClient {
public:
    struct Reply {
        int status = 0; // 0: no reply
        QJsonObject json;
        std::string body;
    };

    ServiceClient(const QString& baseUrl, QString token = {});

    void setToken(const QString& token) { token_ = token; }
    const QString& token() const { return token_; }

    Reply get(const QString& path);
    Reply post(const QString& path, const QJsonObject& body);
    Reply postRaw(const QString& path, const std::string& body, const char* contentType = "application/json");
    Reply put(const QString& url, const QByteArray& bytes, const char* contentType = "image/png");
    Reply fetch(const QString& url); // a plain GET of a full URL (storage addresses)

    // One sync exchange for a device.
    Reply sync(const QString& deviceId, qint64 cursor, const QJsonArray& changes = {},
               const QJsonArray& fullGroups = {});

    // Signs in through the device flow and the real verification pages;
    // returns the access token, or empty when a step fails. The person
    // approves at approvalUrl when given (another instance of the service).
    static QString signIn(const QString& baseUrl, const QString& email, const QString& password,
                          const QString& approvalUrl = {});

private:
    Reply toReply(const httplib::Result& result);
    httplib::Headers headers() const;

    httplib::Client http_;
    QString token_;
};

// The self-signed certificate for 127.0.0.1 a service under test may speak HTTPS with.
QString loopbackCertificate();

// A change object as the desktop client sends it.
QJsonObject captureChange(const QString& id, qint64 baseVersion, const QJsonObject& patch);
QJsonObject newCapture(const QString& id, const QString& workspaceId, const QString& note);

// Reads a live event stream on its own thread and keeps what arrived.
class EventStream {
public:
    EventStream(const QString& baseUrl, const QString& token, const QString& query = {});
    ~EventStream();

    // Waits until the stream's text contains `needle`; false on timeout.
    bool waitFor(const std::string& needle, int timeoutMs = 10000);
    bool connected(int timeoutMs = 10000) { return waitFor(": zorvi events", timeoutMs); }
    std::string text();
    int status();

private:
    httplib::Client http_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::string text_;
    int status_ = 0;
    bool stop_ = false;
    std::thread reader_;
};
