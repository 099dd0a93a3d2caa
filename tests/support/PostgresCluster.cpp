#include "PostgresCluster.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUuid>

#include <memory>


namespace {

QString script() {
    return QStringLiteral(ZORVI_TEST_SUPPORT_DIR "/postgres-cluster.sh");
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

PostgresCluster* PostgresCluster::shared() {
    static std::unique_ptr<PostgresCluster> cluster = [] {
        std::unique_ptr<PostgresCluster> c(new PostgresCluster);
        const QString fromCtest = qEnvironmentVariable("ZORVI_TEST_SERVICES");
        c->url_ = fromCtest.isEmpty() ? QString() : urlIn(fromCtest + QStringLiteral("/postgres"));
        if (c->url_.isEmpty())
            c->startPrivate();
        return c;
    }();
    return cluster->url_.isEmpty() ? nullptr : cluster.get();
}

bool PostgresCluster::startPrivate() {
    privateFolder_ = QDir::tempPath() + QStringLiteral("/zorvi-pg-") + QUuid::createUuid().toString(QUuid::Id128);
    if (!run(script(), {QStringLiteral("start"), privateFolder_}, &error_))
        return false;
    url_ = urlIn(privateFolder_);
    return !url_.isEmpty();
}

PostgresCluster::~PostgresCluster() {
    if (!privateFolder_.isEmpty())
        run(script(), {QStringLiteral("stop"), privateFolder_}, nullptr);
}

QString PostgresCluster::createDatabase() {
    const QString name = QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128);
    if (!run(QStringLiteral("psql"), {url_ + QStringLiteral("/postgres"), QStringLiteral("-qc"),
                                      QStringLiteral("CREATE DATABASE %1").arg(name)},
             &error_))
        return {};
    return url_ + '/' + name;
}
