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

// The workspaces a stream covers: all the user's, or the one asked for.
QStringList coveredWorkspaces(ServiceContext& ctx, const QString& userId, const std::optional<QString>& only) {
    QStringList workspaces;
    for (const Membership& m : ctx.accounts.memberships(userId))
        if (!only || m.workspace.id == *only)
            workspaces << m.workspace.id;
    return workspaces;
}

} // namespace

void registerEventRoutes(httplib::Server& server, ServiceContext& ctx) {
    server.Get("/v1/events", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const UserRecord user = ctx.auth.require(req);
        std::optional<QString> only;
        if (req.has_param("workspace"))
            only = QString::fromStdString(req.get_param_value("workspace"));
        const QStringList workspaces = coveredWorkspaces(ctx, user.id, only);
        if (only && (!Identifiers::isSafe(*only) || workspaces.isEmpty()))
            throw ApiError(404, QStringLiteral("not_found"), QStringLiteral("no such workspace"));
        auto subscription = ctx.feed.subscribe(workspaces);
        const QString tokenHash = Authenticator::tokenHash(req);
        res.set_header("Cache-Control", "no-store");
        res.set_header("X-Accel-Buffering", "no");
        res.set_chunked_content_provider(
            "text/event-stream",
            [&ctx, subscription, tokenHash, userId = user.id, only, workspaces,
             started = false](std::size_t, httplib::DataSink& sink) mutable {
                if (!started) {
                    started = true;
                    return write(sink, ": zorvi events\nretry: 15000\n\n");
                }
                const auto events = subscription->next(keepAlive);
                if (!events)
                    return false; // the service is shutting down
                if (events->empty()) {
                    // A revoked token or a changed membership ends the stream at
                    // the next keep-alive; the client reconnects with what it
                    // may read now.
                    if (!ctx.accounts.userForAccessToken(tokenHash) ||
                        coveredWorkspaces(ctx, userId, only) != workspaces)
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
