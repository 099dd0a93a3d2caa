#include "ScriptedTestService.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUuid>

namespace {

QString urlIn(const QString& folder) {
    QFile file(folder + QStringLiteral("/url"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

} // namespace

bool ScriptedTestService::run(const QString& program, const QStringList& arguments, QString* error) {
    QProcess p;
    p.start(program, arguments);
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    if (error)
        *error = program + ": " + QString::fromUtf8(p.readAllStandardError() + p.readAllStandardOutput());
    return false;
}

bool ScriptedTestService::open(const QString& name, const QString& script) {
    script_ = QStringLiteral(ZORVI_TEST_SUPPORT_DIR "/") + script;
    const QString fromCtest = qEnvironmentVariable("ZORVI_TEST_SERVICES");
    if (!fromCtest.isEmpty()) {
        folder_ = fromCtest + '/' + name;
        url_ = urlIn(folder_);
        if (!url_.isEmpty())
            return true;
    }
    folder_ = QDir::tempPath() + QStringLiteral("/zorvi-") + name + '-' + QUuid::createUuid().toString(QUuid::Id128);
    ownFolder_ = true;
    if (!run(script_, {QStringLiteral("start"), folder_}, &error_))
        return false;
    url_ = urlIn(folder_);
    return !url_.isEmpty();
}

ScriptedTestService::~ScriptedTestService() {
    if (ownFolder_)
        run(script_, {QStringLiteral("stop"), folder_}, nullptr);
}
