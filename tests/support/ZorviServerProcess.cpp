#include "ZorviServerProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

ZorviServerProcess::ZorviServerProcess(QString program, QString dataDirectory)
    : program_(std::move(program)), data_(std::move(dataDirectory)) {}

ZorviServerProcess::~ZorviServerProcess() {
    stop();
}

bool ZorviServerProcess::start(const QStringList& extraArguments, int timeoutMs) {
    process_.setProgram(program_);
    process_.setArguments(QStringList{"--data", data_, "--listen", "127.0.0.1:0"} + storage_ + extraArguments);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.setProcessEnvironment(environment_);
    process_.start();
    static const QRegularExpression listening(QStringLiteral("listening on (https?://[^:]+:(\\d+))"));
    QDeadlineTimer deadline(timeoutMs);
    QByteArray out;
    while (!deadline.hasExpired() && process_.state() != QProcess::NotRunning) {
        process_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        out += process_.readAllStandardOutput();
        const auto match = listening.match(QString::fromUtf8(out));
        if (match.hasMatch()) {
            baseUrl_ = match.captured(1);
            port_ = match.captured(2).toInt();
            return true;
        }
    }
    error_ = QString::fromUtf8(out + process_.readAllStandardError());
    return false;
}

long ZorviServerProcess::peakMemoryKiB() const {
    QFile status(QStringLiteral("/proc/%1/status").arg(process_.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void ZorviServerProcess::stop() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

int ZorviServerProcess::admin(const QStringList& words, const QByteArray& input, QString* output) {
    QProcess p;
    p.setProgram(program_);
    p.setArguments(QStringList{"--data", data_} + storage_ + words);
    p.setProcessEnvironment(environment_);
    p.start();
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

namespace {

QString printedId(const QString& output) {
    static const QRegularExpression id(QStringLiteral("\\(([0-9a-f-]{36})\\)"));
    return id.match(output).captured(1);
}

} // namespace

QString ZorviServerProcess::addUser(const QString& email, const QString& name, const QString& password) {
    QString out;
    if (admin({"user", "add", email, "--name", name, "--password-stdin"}, password.toUtf8() + '\n', &out) != 0)
        return {};
    return printedId(out);
}

QString ZorviServerProcess::addWorkspace(const QString& slug, const QString& name) {
    QString out;
    if (admin({"workspace", "add", slug, "--name", name}, {}, &out) != 0)
        return {};
    return printedId(out);
}

bool ZorviServerProcess::addMember(const QString& slug, const QString& email, const QString& role) {
    return admin({"member", "add", slug, email, "--role", role}) == 0;
}

bool ZorviServerProcess::setUploads(const QString& slug, bool on) {
    return admin({"workspace", "uploads", slug, on ? "on" : "off"}) == 0;
}
