#pragma once

#include "Connection.h"
#include "RequestHead.h"

#include <openssl/ssl.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Accepts connections and waits, on one epoll loop and without a thread per
// client, until each has sent a whole request head; only then is it handed
// to `onRequest` (which queues it for a worker). A client that does not
// finish its head in time is dropped, and no address may hold more than its
// share of connections.
class FrontDoor {
public:
    struct Limits {
        std::chrono::seconds headTimeout{10};
        int connectionsPerAddress = 256;
        std::size_t maxHeadBytes = 16 * 1024;
    };
    using RequestHandler = std::function<void(std::unique_ptr<Connection>, RequestHead)>;

    FrontDoor(Limits limits, SSL_CTX* tls, RequestHandler onRequest);
    ~FrontDoor();

    // Binds and listens; port 0 picks a free one. Returns the bound port.
    int bind(const std::string& host, int port);
    // Runs the loop until stop().
    void run();
    // Safe from any thread.
    void stop();
    // A kept-alive connection waits here for its next request; any thread.
    void giveBack(std::unique_ptr<Connection> connection);
    // Ends a connection whose client may still be sending a refused body:
    // our side is shut, and what arrives is dropped for a moment before
    // closing, so the client reads the answer instead of a reset.
    void linger(std::unique_ptr<Connection> connection);

private:
    struct Waiting {
        std::unique_ptr<Connection> connection;
        std::chrono::steady_clock::time_point deadline;
        bool lingering = false;
    };

    void acceptAll();
    void watch(std::unique_ptr<Connection> connection, bool lingering = false);
    void discardInput(int fd);
    void progress(int fd);
    void drop(int fd);
    void dropExpired();
    void takeReturned();
    void wake();

    Limits limits_;
    SSL_CTX* tls_;
    RequestHandler onRequest_;
    int listener_ = -1;
    int epoll_ = -1;
    int wakeup_ = -1;
    bool stopping_ = false;
    std::map<int, Waiting> waiting_;

    std::mutex lock_; // guards returned_, stopRequested_ and perAddress_
    std::vector<std::unique_ptr<Connection>> returned_;
    std::vector<std::unique_ptr<Connection>> ending_;
    bool stopRequested_ = false;
    std::map<std::string, int> perAddress_;
};
