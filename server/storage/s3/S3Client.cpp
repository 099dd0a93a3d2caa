#include "S3Client.h"

#include <QBuffer>
#include <QDateTime>
#include <QUrl>

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <stdexcept>

namespace {

std::once_flag curlReady;

std::size_t toSink(char* data, std::size_t size, std::size_t count, void* user) {
    const auto* sink = static_cast<const S3Client::Sink*>(user);
    return (*sink)(data, size * count) ? size * count : 0;
}

std::size_t fromDevice(char* buffer, std::size_t size, std::size_t count, void* user) {
    const qint64 n = static_cast<QIODevice*>(user)->read(buffer, qint64(size * count));
    return n < 0 ? CURL_READFUNC_ABORT : std::size_t(n);
}

} // namespace

struct S3Client::Transfer {
    QString method;
    QString key; // empty: the bucket itself
    QStringList headers;
    const Sink* sink = nullptr;
    QIODevice* body = nullptr;
    qint64 bodySize = 0;
};

S3Client::S3Client(S3Location location) : location_(std::move(location)) {
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QString S3Client::objectPath(const QString& key) const {
    return '/' + location_.bucket + (key.isEmpty() ? QString() : '/' + key);
}

long S3Client::perform(Transfer& t) {
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl)
        throw std::runtime_error("could not start a request to the blob store");
    CURL* h = curl.get();
    const QByteArray url = (location_.endpoint + SigV4::uriEncode(objectPath(t.key), true)).toUtf8();
    const SigV4::Credentials& c = location_.credentials;
    const QByteArray provider = ("aws:amz:" + c.region + ':' + c.service).toUtf8();
    const QByteArray user = c.accessKey.toUtf8(), secret = c.secretKey.toUtf8();
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_AWS_SIGV4, provider.constData());
    curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(h, CURLOPT_PASSWORD, secret.constData());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 10L);
    // A stalled store fails the request instead of holding a worker forever.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 30L);

    // Bodies are not hashed into the signature: uploads stream, and the
    // service checks content by its SHA-256 name, not by the transport.
    curl_slist* list = curl_slist_append(nullptr, "x-amz-content-sha256: UNSIGNED-PAYLOAD");
    for (const QString& header : t.headers)
        list = curl_slist_append(list, header.toUtf8().constData());
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(list, curl_slist_free_all);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list);

    const Sink discard = [](const char*, std::size_t) { return true; };
    const bool success_only_sink = t.sink != nullptr;
    Sink guarded; // the caller's sink sees only a successful reply's body
    long status = 0;
    if (success_only_sink) {
        guarded = [&](const char* data, std::size_t size) {
            if (status == 0)
                curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
            return status < 200 || status > 299 || (*t.sink)(data, size);
        };
    }
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, toSink);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, success_only_sink ? &guarded : &discard);

    if (t.method == QLatin1String("HEAD"))
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    else if (t.method == QLatin1String("PUT")) {
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, fromDevice);
        curl_easy_setopt(h, CURLOPT_READDATA, t.body);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(t.bodySize));
    } else if (t.method != QLatin1String("GET"))
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, t.method.toLatin1().constData());

    const CURLcode result = curl_easy_perform(h);
    if (result == CURLE_WRITE_ERROR && success_only_sink)
        return -1; // the sink stopped it
    if (result != CURLE_OK)
        throw std::runtime_error("the blob store at " + location_.endpoint.toStdString() +
                                 " did not answer: " + curl_easy_strerror(result));
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

long S3Client::headBucket() {
    Transfer t{QStringLiteral("HEAD"), {}, {}};
    return perform(t);
}

long S3Client::head(const QString& key) {
    Transfer t{QStringLiteral("HEAD"), key, {}};
    return perform(t);
}

long S3Client::get(const QString& key, const Sink& sink) {
    Transfer t{QStringLiteral("GET"), key, {}};
    t.sink = &sink;
    return perform(t);
}

long S3Client::put(const QString& key, QIODevice& body, qint64 size) {
    Transfer t{QStringLiteral("PUT"), key, {QStringLiteral("Content-Type: application/octet-stream")}};
    t.body = &body;
    t.bodySize = size;
    return perform(t);
}

long S3Client::copy(const QString& from, const QString& to) {
    QBuffer empty;
    empty.open(QIODevice::ReadOnly);
    Transfer t{QStringLiteral("PUT"), to,
               {QStringLiteral("x-amz-copy-source: ") + SigV4::uriEncode(objectPath(from), true)}};
    t.body = &empty;
    return perform(t);
}

long S3Client::remove(const QString& key) {
    Transfer t{QStringLiteral("DELETE"), key, {}};
    return perform(t);
}

QString S3Client::presignedUrl(const QString& method, const QString& key, const SigV4::Pairs& headers,
                               int lifetimeSeconds) const {
    const QUrl endpoint(location_.endpoint);
    return location_.endpoint +
           SigV4::presignedPathAndQuery(location_.credentials, method, endpoint.authority(), objectPath(key), headers,
                                        QDateTime::currentDateTimeUtc(), lifetimeSeconds);
}
