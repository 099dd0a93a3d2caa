#include "S3TestServer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QUuid>

#include <memory>

namespace {

QString script() {
    return QStringLiteral(ZORVI_TEST_SUPPORT_DIR "/s3-server.sh");
}

bool run(const QString& program, const QStringList& arguments, QString* error) {
    QProcess p;
    p.start(program, arguments);
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    if (error)
        *error = program + ": " + QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput());
    return false;
}

QString urlIn(const QString& folder) {
    QFile file(folder + QStringLiteral("/url"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

} // namespace

S3TestServer* S3TestServer::shared() {
    static std::unique_ptr<S3TestServer> server = [] {
        std::unique_ptr<S3TestServer> s(new S3TestServer);
        const QString fromCtest = qEnvironmentVariable("ZORVI_TEST_SERVICES");
        s->folder_ = fromCtest.isEmpty() ? QString() : fromCtest + QStringLiteral("/s3");
        s->url_ = s->folder_.isEmpty() ? QString() : urlIn(s->folder_);
        if (s->url_.isEmpty())
            s->startPrivate();
        return s;
    }();
    return server->url_.isEmpty() ? nullptr : server.get();
}

bool S3TestServer::startPrivate() {
    folder_ = QDir::tempPath() + QStringLiteral("/zorvi-s3-") + QUuid::createUuid().toString(QUuid::Id128);
    ownFolder_ = true;
    if (!run(script(), {QStringLiteral("start"), folder_}, &error_))
        return false;
    url_ = urlIn(folder_);
    return !url_.isEmpty();
}

S3TestServer::~S3TestServer() {
    if (ownFolder_)
        run(script(), {QStringLiteral("stop"), folder_}, nullptr);
}

QString S3TestServer::createBucket() {
    const QString name = QStringLiteral("t-") + QUuid::createUuid().toString(QUuid::Id128);
    const QString user = QLatin1String(accessKey) + ':' + QLatin1String(secretKey);
    if (!run(QStringLiteral("curl"),
             {QStringLiteral("-sSf"), QStringLiteral("-X"), QStringLiteral("PUT"), QStringLiteral("--aws-sigv4"),
              QStringLiteral("aws:amz:us-east-1:s3"), QStringLiteral("--user"), user, QStringLiteral("-H"),
              QStringLiteral("x-amz-content-sha256: UNSIGNED-PAYLOAD"), url_ + '/' + name},
             &error_))
        return {};
    return name;
}

int S3TestServer::objectCount(const QString& bucket, const QString& prefix) const {
    int n = 0;
    const QString root = folder_ + QStringLiteral("/store/") + bucket + '/' + prefix;
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
