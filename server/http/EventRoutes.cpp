#include "EventRoutes.h"

#include "HttpJson.h"
#include "common/Identifiers.h"
#include "net/ConnectionStream.h"

namespace {

// The workspaces a stream covers: all the user's, or the one asked for.
QStringList coveredWorkspaces(AccountStore& accounts, const QString& userId, const std::optional<QString>& only) {
    QStringList workspaces;
    for (const Membership& m : accounts.memberships(userId))
        if (!only || m.workspace.id == *only)
            workspaces << m.workspace.id;
    return workspaces;
}

} // namespace

EventStreams::Check eventStreamCheck(AccountStore& accounts) {
    return [&accounts](const EventStreams::Subscriber& s) {
        return accounts.userForAccessToken(s.tokenHash) == s.userId &&
               coveredWorkspaces(accounts, s.userId, s.onlyWorkspace) == s.workspaces;
    };
}

void registerEventRoutes(httplib::Server& server, ServiceContext& ctx) {
    server.Get("/v1/events", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response&) {
        const UserRecord user = ctx.auth.require(req);
        EventStreams::Subscriber subscriber{Authenticator::tokenHash(req), user.id, {}, std::nullopt, nullptr};
        if (req.has_param("workspace"))
            subscriber.onlyWorkspace = QString::fromStdString(req.get_param_value("workspace"));
        subscriber.workspaces = coveredWorkspaces(ctx.accounts, user.id, subscriber.onlyWorkspace);
        if (subscriber.onlyWorkspace &&
            (!Identifiers::isSafe(*subscriber.onlyWorkspace) || subscriber.workspaces.isEmpty()))
            throw ApiError(404, QStringLiteral("not_found"), QStringLiteral("no such workspace"));
        ConnectionStream* stream = ConnectionStream::current();
        if (!stream)
            throw std::logic_error("an event stream outside a served connection");
        if (!ctx.streams.reserve(subscriber.tokenHash, user.id))
            throw ApiError(429, QStringLiteral("too_many_streams"),
                           QStringLiteral("Too many live event streams are open for this account. Quit Zorvi on "
                                          "computers you no longer use, or sign them out."));
        subscriber.subscription = ctx.feed.subscribe(subscriber.workspaces);
        stream->handOver([&ctx, subscriber](std::unique_ptr<Connection> connection) {
            ctx.streams.add(std::move(connection), subscriber);
        });
    }));
}
