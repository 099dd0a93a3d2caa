#include "ServiceURLs.h"

#include <QtGlobal>

namespace {

const char* const hostedAPI = "https://api.zorvi.dev";
const char* const hostedWeb = "https://zorvi.dev";

bool usable(const QUrl& url) {
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty();
}

} // namespace

namespace ServiceURLs {

ApiBase apiBase() {
    if (!qEnvironmentVariableIsSet("ZORVI_API_URL"))
        return {QUrl(QString::fromLatin1(hostedAPI)), {}};
    const QString text = qEnvironmentVariable("ZORVI_API_URL").trimmed();
    const QUrl url(text, QUrl::StrictMode);
    if (!usable(url))
        return {{}, "ZORVI_API_URL is not a usable http(s) address: \"" + text + "\". Sync is off until it is fixed."};
    return {url, {}};
}

QString webOrigin() {
    const QString configured = qEnvironmentVariable("ZORVI_WEB_URL").trimmed();
    if (!configured.isEmpty() && usable(QUrl(configured, QUrl::StrictMode)))
        return configured.endsWith(u'/') ? configured.chopped(1) : configured;
    // A self-hosted service serves its pages from the API's own origin.
    if (qEnvironmentVariableIsSet("ZORVI_API_URL")) {
        const QUrl api = apiBase().url;
        if (!api.isEmpty())
            return api.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toString();
    }
    return QString::fromLatin1(hostedWeb);
}

QString webDomain() {
    return QUrl(webOrigin()).host();
}

} // namespace ServiceURLs
