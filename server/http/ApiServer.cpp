#include "ApiServer.h"

#include "AccountRoutes.h"
#include "BlobRoutes.h"
#include "DeviceAuthRoutes.h"
#include "EventRoutes.h"
#include "HttpJson.h"
#include "ServiceContext.h"
#include "SyncRoutes.h"
#include "web/VerificationRoutes.h"

#include <stdexcept>

namespace {

// Event streams hold a worker each; leave plenty for ordinary requests.
constexpr std::size_t workerThreads = 64;

std::unique_ptr<httplib::Server> makeServer(const std::optional<ApiServer::Tls>& tls) {
    if (!tls)
        return std::make_unique<httplib::Server>();
    auto server = std::make_unique<httplib::SSLServer>(tls->certificatePath.toLocal8Bit().constData(),
                                                       tls->keyPath.toLocal8Bit().constData());
    if (!server->is_valid())
        throw std::runtime_error("cannot use the TLS certificate " + tls->certificatePath.toStdString() + " and key " +
                                 tls->keyPath.toStdString());
    return server;
}

} // namespace

ApiServer::ApiServer(const QString& dataDirectory, ServiceConfig config, const std::optional<Tls>& tls)
    : data_(dataDirectory), sync_(data_.accounts(), data_.rows(), data_.blobs(), feed_), auth_(data_.accounts()),
      signer_(data_.signingKey()), http_(makeServer(tls)) {
    config.tls = tls.has_value();
    context_.reset(new ServiceContext{config, data_.accounts(), data_.blobs(), feed_, sync_, auth_, signer_});
    httplib::Server& s = *http_;
    s.new_task_queue = [] { return new httplib::ThreadPool(workerThreads); };
    s.set_payload_max_length(config.maxBlobBytes);
    s.set_keep_alive_max_count(1000);
    s.set_read_timeout(30);
    s.set_write_timeout(30);
    // httplib answers some failures itself (no route, body too large) with an
    // empty body; give those the same JSON error shape as every other reply.
    s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty())
            return;
        if (res.status == 404)
            HttpJson::sendError(res, ApiError(404, QStringLiteral("not_found"), QStringLiteral("no such endpoint")));
        else if (res.status == 413)
            HttpJson::sendError(res, ApiError(413, QStringLiteral("too_large"), QStringLiteral("the body is too large")));
        else
            HttpJson::sendError(res, ApiError(res.status, QStringLiteral("invalid_request"),
                                              QStringLiteral("the request was refused")));
    });
    registerDeviceAuthRoutes(s, *context_);
    registerVerificationRoutes(s, *context_);
    registerAccountRoutes(s, *context_);
    registerSyncRoutes(s, *context_);
    registerBlobRoutes(s, *context_);
    registerEventRoutes(s, *context_);
}

ApiServer::~ApiServer() {
    stop();
}

int ApiServer::bind(const QString& host, int port) {
    const std::string h = host.toStdString();
    const int bound = port == 0 ? http_->bind_to_any_port(h) : (http_->bind_to_port(h, port) ? port : -1);
    if (bound < 0)
        throw std::runtime_error("cannot listen on " + h + ":" + std::to_string(port));
    return bound;
}

bool ApiServer::run() {
    return http_->listen_after_bind();
}

void ApiServer::stop() {
    feed_.close();
    if (http_)
        http_->stop();
}
