#include "Admission.h"

#include "HttpJson.h"

#include <charconv>

namespace {

std::size_t bodyLimit(const ServiceContext& ctx, const httplib::Request& req) {
    if (req.method == "PUT" && req.path.starts_with("/storage/"))
        return ctx.config.maxBlobBytes;
    if (req.path == "/v1/sync" || req.path == "/v1/sync/reconcile")
        return ctx.config.maxJsonBytes;
    return smallBodyBytes;
}

void refuse(const httplib::Request& req, httplib::Response& res, const ApiError& error) {
    HttpJson::sendError(res, error);
    std::fprintf(stderr, "zorvi-server: refused %s %s from %s: %s\n", req.method.c_str(), req.path.c_str(),
                 req.remote_addr.c_str(), error.what());
}

} // namespace

std::size_t contentLength(const httplib::Request& req) {
    const std::string length = req.get_header_value("Content-Length");
    std::size_t bytes = 0;
    if (!length.empty() && std::from_chars(length.data(), length.data() + length.size(), bytes).ec != std::errc())
        return std::size_t(-1);
    return bytes;
}

httplib::Server::HandlerWithResponse admission(ServiceContext& ctx) {
    return [&ctx](const httplib::Request& req, httplib::Response& res) {
        using Outcome = httplib::Server::HandlerResponse;
        if (req.has_header("Transfer-Encoding")) {
            refuse(req, res, ApiError(411, QStringLiteral("length_required"),
                                      QStringLiteral("send the body with a Content-Length")));
            return Outcome::Handled;
        }
        const std::size_t limit = bodyLimit(ctx, req);
        if (contentLength(req) > limit) {
            refuse(req, res, ApiError(413, QStringLiteral("too_large"),
                                      QStringLiteral("the body is larger than %1 bytes").arg(qulonglong(limit))));
            return Outcome::Handled;
        }
        if (req.path.starts_with("/v1/")) {
            try {
                ctx.auth.require(req);
            } catch (const ApiError& error) {
                HttpJson::sendError(res, error);
                return Outcome::Handled;
            }
        }
        // Many ranges of one small file would multiply it; a client that
        // asks for more than one gets the whole file once (RFC 9110 allows
        // ignoring Range).
        if (req.ranges.size() > 1)
            const_cast<httplib::Request&>(req).ranges.clear();
        return Outcome::Unhandled;
    };
}
