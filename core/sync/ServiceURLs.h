#pragma once

#include <QString>
#include <QUrl>

// Where the workspace service lives: its API and the web origin of its pages.
// ZORVI_API_URL and ZORVI_WEB_URL point a build at another service (a
// self-hosted zorvi-server, or one started by a test).
namespace ServiceURLs {

struct ApiBase {
    QUrl url;         // empty when the configured value is unusable
    QString problem;  // why, for the user; empty when `url` is set
};

// ZORVI_API_URL when set, else the hosted service. A value that is not an
// absolute http(s) URL with a host is reported, never guessed at.
ApiBase apiBase();
QString webOrigin();
// The host named in "Can't reach …" messages.
QString webDomain();

} // namespace ServiceURLs
