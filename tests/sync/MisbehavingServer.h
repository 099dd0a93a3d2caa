#pragma once

#include <httplib.h>

#include <QString>
#include <QUrl>

#include <stdexcept>
#include <string>
#include <chrono>
#include <thread>

// A real HTTP server on a loopback port, for the replies a well-behaved
// zorvi-server never gives: each test installs the handlers it needs.
class MisbehavingServer {
public:
    MisbehavingServer() {
        port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0)
            throw std::runtime_error("no loopback port");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~MisbehavingServer() {
        server_.stop();
        thread_.join();
    }

    httplib::Server& http() { return server_; }
    QUrl url(const QString& path = {}) const { return QUrl(QString("http://127.0.0.1:%1%2").arg(port_).arg(path)); }

    // Answers every request to `path` (any method) with this status and body.
    void answer(const std::string& path, int status, const std::string& body,
                const std::string& type = "application/json") {
        auto handler = [=](const httplib::Request&, httplib::Response& res) {
            res.status = status;
            res.set_content(body, type.c_str());
        };
        server_.Get(path, handler);
        server_.Post(path, handler);
        server_.Put(path, handler);
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};
