#include "Authenticator.h"

#include "ApiError.h"
#include "security/Secrets.h"

QString Authenticator::tokenHash(const httplib::Request& req) {
    const std::string value = req.get_header_value("Authorization");
    static const std::string prefix = "Bearer ";
    if (value.size() <= prefix.size() || value.compare(0, prefix.size(), prefix) != 0 || value.size() > 512)
        return {};
    return Secrets::sha256Hex(QByteArray::fromStdString(value.substr(prefix.size())));
}

UserRecord Authenticator::require(const httplib::Request& req) {
    const QString hash = tokenHash(req);
    if (!hash.isEmpty())
        if (const auto userId = accounts_.userForAccessToken(hash))
            if (auto user = accounts_.userById(*userId))
                return *user;
    throw ApiError(401, QStringLiteral("unauthorized"), QStringLiteral("sign in again"));
}
