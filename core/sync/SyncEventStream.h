#pragma once

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>

class CaptureStore;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class SyncClient;

// The service's live events: a long-lived request whose lines each name the
// feed position of a change in one of the person's workspaces. A change
// this library has not pulled yet asks for a run, a short while after the
// first of a burst; a stream that ends is opened again a little later.
// Lives on the engine's thread.
class SyncEventStream : public QObject {
    Q_OBJECT
public:
    // `running` says whether a run is under way (whose reply may cover the
    // event); `wantRun` asks for one.
    SyncEventStream(CaptureStore& store, SyncClient& client, std::function<bool()> running,
                    std::function<void()> wantRun, QObject* parent);
    // Call close() on the engine's thread first.
    ~SyncEventStream() override;

    // Server events are coalesced briefly, so a burst of them is one run and a
    // remote edit still shows up within two seconds.
    static constexpr int debounceMs = 300;
    // A dropped event stream comes back soon without hammering a service that is down.
    static constexpr int retryMs = 15'000;

    // Opens the stream (again); call when signed in. Call from the engine's thread.
    void open();
    // Ends the stream and what waits on it.
    void close();

private:
    void read();
    void ended();
    void changed();
    qint64 pulledCursor();

    CaptureStore& store_;
    SyncClient& client_;
    std::function<bool()> running_;
    std::function<void()> wantRun_;
    // Created on first use, on the thread that uses it.
    std::unique_ptr<QNetworkAccessManager> session_;
    QNetworkReply* reply_ = nullptr;
    QByteArray buffer_;
    qint64 cursor_ = 0; // the furthest feed position an event named
    bool open_ = false;
    QTimer* debounce_;
    QTimer* retry_;
};
