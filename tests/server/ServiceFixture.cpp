#include "ServiceFixture.h"

#include "store/Database.h"

#include <QFile>
#include <QProcess>

namespace {

// psql or pg_dump on the test's database; empty on failure.
QByteArray postgresTool(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

} // namespace

int ServiceFixture::databaseExecute(const QString& sql) {
    if (GetParam() == Backend::sqlite) {
        Database db(server_->dataDirectory() + "/zorvi-server.sqlite3");
        return int(db.execute(sql));
    }
    // psql reports "UPDATE 1".
    const QByteArray out = postgresTool("psql", {databaseUrl_, "-tAc", sql}).trimmed();
    bool ok = false;
    const int changed = out.split(' ').last().toInt(&ok);
    return ok ? changed : -1;
}

QByteArray ServiceFixture::databaseContents() {
    if (GetParam() == Backend::sqlite) {
        QFile db(server_->dataDirectory() + "/zorvi-server.sqlite3");
        return db.open(QIODevice::ReadOnly) ? db.readAll() : QByteArray();
    }
    return postgresTool("pg_dump", {databaseUrl_});
}

std::string backendLabel(Backend backend) {
    switch (backend) {
    case Backend::sqlite:
        return "sqlite";
    case Backend::postgresql:
        return "postgresql";
    case Backend::postgresqlWithS3:
        return "postgresql_s3";
    }
    return "?";
}

std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return backendLabel(info.param);
}

ON_EVERY_BACKEND(ServiceFixture);
