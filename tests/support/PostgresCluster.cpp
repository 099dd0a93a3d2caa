#include "PostgresCluster.h"

#include <QUuid>

#include <memory>

PostgresCluster* PostgresCluster::shared() {
    static std::unique_ptr<PostgresCluster> cluster = [] {
        std::unique_ptr<PostgresCluster> c(new PostgresCluster);
        c->open(QStringLiteral("postgres"), QStringLiteral("postgres-cluster.sh"));
        return c;
    }();
    return cluster->url().isEmpty() ? nullptr : cluster.get();
}

QString PostgresCluster::createDatabase() {
    const QString name = QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128);
    if (!run(QStringLiteral("psql"), {url() + QStringLiteral("/postgres"), QStringLiteral("-qc"),
                                      QStringLiteral("CREATE DATABASE %1").arg(name)},
             &error_))
        return {};
    return url() + '/' + name;
}
