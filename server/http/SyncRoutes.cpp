#include "SyncRoutes.h"

#include "HttpJson.h"

void registerSyncRoutes(httplib::Server& server, ServiceContext& ctx) {
    server.Post("/v1/sync", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const UserRecord user = ctx.auth.require(req);
        const SyncRequest request = SyncRequest::decode(HttpJson::body(req, ctx.config.maxJsonBytes));
        // A registered device speaks only through the token that registered it.
        const auto owner = ctx.accounts.deviceToken(request.deviceId);
        if (owner && !owner->isEmpty() && *owner != Authenticator::tokenHash(req))
            throw ApiError(403, QStringLiteral("device_taken"),
                           QStringLiteral("that device_id belongs to another sign-in"));
        HttpJson::send(res, 200, ctx.sync.sync(user, request));
    }));

    server.Post("/v1/sync/reconcile", HttpJson::guarded([&ctx](const httplib::Request& req, httplib::Response& res) {
        const UserRecord user = ctx.auth.require(req);
        const ReconcileRequest request = ReconcileRequest::decode(HttpJson::body(req, ctx.config.maxJsonBytes));
        HttpJson::send(res, 200, ctx.sync.reconcile(user, request));
    }));
}
