#include "CommandLine.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>

#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString& message) {
    throw std::invalid_argument(message.toStdString());
}

int positiveNumber(const QString& text, const QString& option) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 1 || n > 86400)
        fail(option + QStringLiteral(" needs a number from 1 to 86400"));
    return n;
}

void parseListen(CommandLine& c, const QString& value) {
    const int colon = value.lastIndexOf(':');
    bool ok = false;
    const int port = colon > 0 ? value.mid(colon + 1).toInt(&ok) : 0;
    if (colon <= 0 || !ok || port < 0 || port > 65535)
        fail(QStringLiteral("--listen needs HOST:PORT, for example 127.0.0.1:8787"));
    c.host = value.left(colon);
    if (c.host.startsWith('[') && c.host.endsWith(']'))
        c.host = c.host.mid(1, c.host.size() - 2);
    c.port = port;
}

} // namespace

QString CommandLine::usage() {
    return QStringLiteral(
        "Usage:\n"
        "  zorvi-server [--data DIR] [--listen HOST:PORT] [--tls-cert FILE --tls-key FILE]\n"
        "               [--insecure-http] [--public-url URL] [--device-interval SECONDS]\n"
        "               [--device-code-lifetime SECONDS] [--head-timeout SECONDS]\n"
        "               [--connections-per-address N] [--streams-per-token N] [--streams-per-user N]\n"
        "               [--token-idle-days DAYS] [--database URL] [--database-pool N]\n"
        "               [--blobs s3://BUCKET [--s3-endpoint URL] [--s3-region REGION]]\n"
        "  zorvi-server [--data DIR] user add EMAIL --name NAME [--password-stdin]\n"
        "  zorvi-server [--data DIR] workspace add SLUG --name NAME\n"
        "  zorvi-server [--data DIR] workspace uploads SLUG on|off\n"
        "  zorvi-server [--data DIR] member add SLUG EMAIL --role admin|member\n"
        "  zorvi-server [--data DIR] member remove SLUG EMAIL\n"
        "  zorvi-server [--data DIR] user remove EMAIL\n"
        "  zorvi-server [--data DIR] token list [EMAIL]\n"
        "  zorvi-server [--data DIR] token revoke ID | --user EMAIL\n"
        "  zorvi-server [--data DIR] migrate-to --database URL [--blobs s3://BUCKET ...]\n"
        "\n"
        "Every command takes --database postgresql://USER@HOST:PORT/DB to keep the rows in\n"
        "PostgreSQL instead of DIR, shared by every instance started on it, and --blobs\n"
        "s3://BUCKET to keep screenshots in an S3-compatible bucket (credentials from\n"
        "AWS_ACCESS_KEY_ID and AWS_SECRET_ACCESS_KEY; --s3-endpoint for a self-hosted store).\n"
        "migrate-to copies DIR's rows and files there, verifies them, and may be run again\n"
        "to finish a copy that was cut short.\n"
        "DIR defaults to $XDG_DATA_HOME/zorvi-server; HOST:PORT to 127.0.0.1:8787.\n"
        "Plain HTTP is served on loopback only, unless --insecure-http is given.\n");
}

CommandLine CommandLine::parse(const QStringList& arguments) {
    CommandLine c;
    c.dataDirectory = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                      QStringLiteral("/zorvi-server");
    QString cert, key;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        auto value = [&]() -> QString {
            if (i + 1 >= arguments.size())
                fail(a + QStringLiteral(" needs a value"));
            return arguments[++i];
        };
        const bool storageOption = a == QLatin1String("--data") || a == QLatin1String("--database") ||
                                   a == QLatin1String("--database-pool") || a == QLatin1String("--blobs") ||
                                   a == QLatin1String("--s3-endpoint") || a == QLatin1String("--s3-region");
        if (!c.adminWords.isEmpty() && a.startsWith(QLatin1String("--")) && !storageOption) {
            // Options of an admin command (--name, --role, --password-stdin) stay with it.
            c.adminWords << a;
            continue;
        }
        // After `migrate-to`, the storage options name the target.
        StorageOptions& storage =
            c.adminWords.value(0) == QLatin1String("migrate-to") ? c.migrationTarget : c.storage;
        if (a == QLatin1String("--data"))
            c.dataDirectory = value();
        else if (a == QLatin1String("--database")) {
            storage.databaseUrl = value();
            const QUrl url(storage.databaseUrl);
            if (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres"))
                fail(QStringLiteral("--database needs a URL such as postgresql://zorvi@db.example.com:5432/zorvi"));
        } else if (a == QLatin1String("--database-pool"))
            storage.databasePoolSize = positiveNumber(value(), a);
        else if (a == QLatin1String("--blobs")) {
            storage.blobsUrl = value();
            const QUrl url(storage.blobsUrl);
            if (url.scheme() != QLatin1String("s3") || url.host().isEmpty())
                fail(QStringLiteral("--blobs needs a bucket such as s3://zorvi-screenshots"));
        } else if (a == QLatin1String("--s3-endpoint")) {
            storage.s3Endpoint = value();
            const QUrl url(storage.s3Endpoint);
            if ((url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
                url.host().isEmpty() || (!url.path().isEmpty() && url.path() != QLatin1String("/")))
                fail(QStringLiteral("--s3-endpoint needs an address such as http://127.0.0.1:9000"));
        } else if (a == QLatin1String("--s3-region"))
            storage.s3Region = value();
        else if (a == QLatin1String("--listen"))
            parseListen(c, value());
        else if (a == QLatin1String("--insecure-http"))
            c.insecureHttp = true;
        else if (a == QLatin1String("--tls-cert"))
            cert = value();
        else if (a == QLatin1String("--tls-key"))
            key = value();
        else if (a == QLatin1String("--public-url")) {
            c.config.publicUrl = value();
            const QUrl url(c.config.publicUrl);
            if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
                url.host().isEmpty() || !url.path().isEmpty())
                fail(QStringLiteral("--public-url needs an origin such as https://zorvi.example.com"));
        } else if (a == QLatin1String("--device-interval"))
            c.config.devicePollIntervalSeconds = positiveNumber(value(), a);
        else if (a == QLatin1String("--device-code-lifetime"))
            c.config.deviceCodeLifetimeSeconds = positiveNumber(value(), a);
        else if (a == QLatin1String("--head-timeout"))
            c.config.headTimeoutSeconds = positiveNumber(value(), a);
        else if (a == QLatin1String("--connections-per-address"))
            c.config.connectionsPerAddress = positiveNumber(value(), a);
        else if (a == QLatin1String("--streams-per-token"))
            c.config.streamsPerToken = positiveNumber(value(), a);
        else if (a == QLatin1String("--streams-per-user"))
            c.config.streamsPerUser = positiveNumber(value(), a);
        else if (a == QLatin1String("--token-idle-days"))
            c.config.tokenIdleDays = positiveNumber(value(), a);
        else if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            c.help = true;
        else if (a.startsWith('-'))
            fail(QStringLiteral("unknown option ") + a);
        else
            c.adminWords << a;
    }
    if (cert.isEmpty() != key.isEmpty())
        fail(QStringLiteral("--tls-cert and --tls-key go together"));
    if (!cert.isEmpty())
        c.tls = ApiServer::Tls{cert, key};
    if (c.dataDirectory.isEmpty())
        fail(QStringLiteral("--data needs a folder"));
    return c;
}

bool CommandLine::listensSafely() const {
    if (tls || insecureHttp)
        return true;
    return host == QLatin1String("localhost") || host == QLatin1String("::1") || host.startsWith(QLatin1String("127."));
}
