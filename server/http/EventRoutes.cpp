#include "EventRoutes.h"

#include "HttpJson.h"
#include "common/Identifiers.h"

#include <QJsonDocument>

namespace {

constexpr std::chrono::seconds keepAlive{15};

bool write(httplib::DataSink& sink, const QByteArray& text) {
    return sink.write(text.constData(), std::size_t(text.size()));
}

QByteArray changeEvent(const ChangeFeed::Event& e) {
    const QJsonObject data{{"workspace_id", e.workspaceId}, {"cursor", qint64(e.cursor)}};
    return "event: change\ndata: " + QJsonDocument(data).toJson(QJsonDocument::Compact) + "\n\n";
}

} // namespace

void registerEventRoutes(httplib::Server& server, ServiceContext& ctx) {
    server.Get("/v1/events", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const UserRecord user = ctx.auth.require(req);
        QStringList workspaces;
        for (const Membership& m : ctx.accounts.memberships(user.id))
            workspaces << m.workspace.id;
        if (req.has_param("workspace")) {
            const QString only = QString::fromStdString(req.get_param_value("workspace"));
            if (!Identifiers::isSafe(only) || !workspaces.contains(only))
                throw ApiError(404, QStringLiteral("not_found"), QStringLiteral("no such workspace"));
            workspaces = {only};
        }
        auto subscription = ctx.feed.subscribe(workspaces);
        const QString tokenHash = Authenticator::tokenHash(req);
        res.set_header("Cache-Control", "no-store");
        res.set_header("X-Accel-Buffering", "no");
        res.set_chunked_content_provider(
            "text/event-stream",
            [&ctx, subscription, tokenHash, started = false](std::size_t, httplib::DataSink& sink) mutable {
                if (!started) {
                    started = true;
                    return write(sink, ": zorvi events\nretry: 15000\n\n");
                }
                const auto events = subscription->next(keepAlive);
                if (!events)
                    return false; // the service is shutting down
                if (events->empty()) {
                    // A revoked token ends its stream at the next keep-alive.
                    if (!ctx.accounts.userForAccessToken(tokenHash))
                        return false;
                    return write(sink, ": keep-alive\n\n");
                }
                for (const ChangeFeed::Event& e : *events)
                    if (!write(sink, changeEvent(e)))
                        return false;
                return true;
            },
            [&ctx, subscription](bool) { ctx.feed.unsubscribe(subscription); });
    }));
}
