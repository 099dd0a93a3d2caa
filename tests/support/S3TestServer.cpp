#include "S3TestServer.h"

#include <QDirIterator>
#include <QUuid>

#include <memory>

S3TestServer* S3TestServer::shared() {
    static std::unique_ptr<S3TestServer> server = [] {
        std::unique_ptr<S3TestServer> s(new S3TestServer);
        s->open(QStringLiteral("s3"), QStringLiteral("s3-server.sh"));
        return s;
    }();
    return server->url().isEmpty() ? nullptr : server.get();
}

QString S3TestServer::createBucket() {
    const QString name = QStringLiteral("t-") + QUuid::createUuid().toString(QUuid::Id128);
    const QString user = QLatin1String(accessKey) + ':' + QLatin1String(secretKey);
    if (!run(QStringLiteral("curl"),
             {QStringLiteral("-sSf"), QStringLiteral("-X"), QStringLiteral("PUT"), QStringLiteral("--aws-sigv4"),
              QStringLiteral("aws:amz:us-east-1:s3"), QStringLiteral("--user"), user, QStringLiteral("-H"),
              QStringLiteral("x-amz-content-sha256: UNSIGNED-PAYLOAD"), url() + '/' + name},
             &error_))
        return {};
    return name;
}

int S3TestServer::objectCount(const QString& bucket, const QString& prefix) const {
    int n = 0;
    const QString root = folder() + QStringLiteral("/store/") + bucket + '/' + prefix;
    for (QDirIterator it(root, {QStringLiteral("*._S3rver_object")}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext(); it.next())
        ++n;
    return n;
}

QProcessEnvironment S3TestServer::credentials() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("AWS_ACCESS_KEY_ID"), QLatin1String(accessKey));
    env.insert(QStringLiteral("AWS_SECRET_ACCESS_KEY"), QLatin1String(secretKey));
    return env;
}
