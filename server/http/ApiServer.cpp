#include "ApiServer.h"

#include "AccountRoutes.h"
#include "Admission.h"
#include "BlobRoutes.h"
#include "DeviceAuthRoutes.h"
#include "EventRoutes.h"
#include "HttpJson.h"
#include "ServiceContext.h"
#include "SyncRoutes.h"
#include "web/ServicePages.h"
#include "storage/postgres/PgChangeRelay.h"
#include "storage/postgres/PgDatabase.h"
#include "web/VerificationRoutes.h"

#include <stdexcept>
#include <thread>

namespace {

constexpr std::size_t drainableBytes = 8 * 1024 * 1024;

std::optional<TlsContext> tlsFor(const std::optional<ApiServer::Tls>& tls) {
    if (!tls)
        return std::nullopt;
    return makeTlsContext(tls->certificatePath.toStdString(), tls->keyPath.toStdString());
}

EventStreams::Limits streamLimits(const ServiceConfig& c) {
    EventStreams::Limits limits;
    limits.perToken = c.streamsPerToken;
    limits.perUser = c.streamsPerUser;
    return limits;
}

FrontDoor::Limits doorLimits(const ServiceConfig& c) {
    FrontDoor::Limits limits;
    limits.headTimeout = std::chrono::seconds(c.headTimeoutSeconds);
    limits.connectionsPerAddress = c.connectionsPerAddress;
    return limits;
}

} // namespace

ApiServer::ApiServer(const QString& dataDirectory, ServiceConfig config, const std::optional<Tls>& tls,
                     const StorageOptions& storage)
    : config_(config), data_(dataDirectory, storage), sync_(data_.accounts(), data_.rows(), data_.blobs(), feed_),
      auth_(data_.accounts()), signer_(data_.signingKey()), tls_(tlsFor(tls)),
      frontDoor_(doorLimits(config), tls_ ? tls_->get() : nullptr,
                 [this](std::unique_ptr<Connection> c, RequestHead head) {
                     auto held = std::make_shared<std::unique_ptr<Connection>>(std::move(c));
                     workers_->enqueue([this, held, head] { serve(std::move(*held), head); });
                 }),
      streams_(streamLimits(config), feed_, eventStreamCheck(data_.accounts())),
      workers_(std::make_unique<httplib::ThreadPool>(std::size_t(config.workerThreads))) {
    config_.tls = tls.has_value();
    if (PgDatabase* shared = data_.sharedDatabase()) {
        relay_ = std::make_unique<PgChangeRelay>(shared->pool(), [this](const QString& workspaceId,
                                                                         std::int64_t cursor) {
            feed_.deliverHere({workspaceId, cursor});
        });
        feed_.setRelay([relay = relay_.get()](const ChangeFeed::Event& event) {
            relay->send(event.workspaceId, event.cursor);
        });
    }
    data_.accounts().setTokenIdleLimit(double(config_.tokenIdleDays) * 86400);
    context_.reset(
        new ServiceContext{config_, data_.accounts(), data_.blobs(), feed_, sync_, auth_, signer_, streams_});
    httplib::Server& s = http_;
    // A backstop only: each route's own limit is checked from the headers,
    // before a byte of the body is read.
    s.set_payload_max_length(config_.maxBlobBytes);
    s.set_pre_routing_handler(admission(*context_));
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
    registerServicePages(s);
    registerAccountRoutes(s, *context_);
    registerSyncRoutes(s, *context_);
    registerBlobRoutes(s, *context_);
    registerEventRoutes(s, *context_);
}

ApiServer::~ApiServer() {
    stop();
    if (workers_)
        workers_->shutdown();
    // The feed outlives the relay.
    feed_.setRelay({});
}

int ApiServer::bind(const QString& host, int port) {
    const int bound = frontDoor_.bind(host.toStdString(), port);
    if (bound < 0)
        throw std::runtime_error("cannot listen on " + host.toStdString() + ":" + std::to_string(port));
    return bound;
}

bool ApiServer::run() {
    std::thread streams([this] { streams_.run(); });
    frontDoor_.run();
    streams_.stop();
    streams.join();
    feed_.close();
    return true;
}

void ApiServer::stop() {
    frontDoor_.stop();
    streams_.stop();
}

void ApiServer::serve(std::unique_ptr<Connection> connection, const RequestHead& head) {
    using Clock = ConnectionStream::Clock;
    // A body may take the head's allowance plus its size at a slow uplink's
    // pace; one of unknown length (chunked) as long as the largest allowed.
    const std::size_t body = head.bodyBytes().value_or(config_.maxBlobBytes);
    const auto deadline = Clock::now() + std::chrono::seconds(config_.headTimeoutSeconds) +
                          std::chrono::seconds(body / config_.slowestBodyBytesPerSecond);
    ConnectionStream stream(*connection, deadline, std::chrono::seconds(30));
    bool closeAfter = false;
    bool served = false;
    {
        ConnectionStream::Serving serving(stream);
        served = http_.serveOne(stream, closeAfter);
    }
    if (stream.handedOver())
        return stream.passOn(std::move(connection));
    if (stream.failed())
        return;
    if (!served || closeAfter || !head.bodyBytes())
        return frontDoor_.linger(std::move(connection));
    // A body refused from the headers alone is still on its way. A modest
    // one is read and dropped and the connection kept; a larger one ends it.
    const std::size_t end = head.bytes + *head.bodyBytes();
    const std::size_t unread = end - std::min(end, stream.bytesRead());
    if (unread > drainableBytes || !stream.discard(unread, Clock::now() + std::chrono::seconds(5)))
        return frontDoor_.linger(std::move(connection));
    frontDoor_.giveBack(std::move(connection));
}
