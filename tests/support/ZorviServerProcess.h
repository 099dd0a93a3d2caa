#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A real zorvi-server on an ephemeral loopback port, over a data folder the
// test owns, plus its administration commands. The process is stopped (and
// waited for) when the object goes away.
class ZorviServerProcess {
public:
    ZorviServerProcess(QString program, QString dataDirectory);
    ~ZorviServerProcess();

    // Starts serving; returns false (with the server's output in error())
    // when it does not report its address within the timeout.
    bool start(const QStringList& extraArguments = {}, int timeoutMs = 15000);
    // Options every later command gets, serving or administration: where the rows live.
    void setStorageArguments(QStringList arguments) { storage_ = std::move(arguments); }
    // The environment every later command runs in (credentials of a blob store).
    void setEnvironment(QProcessEnvironment environment) { environment_ = std::move(environment); }
    void stop();

    QString baseUrl() const { return baseUrl_; }
    int port() const { return port_; }
    QString dataDirectory() const { return data_; }
    // The process's peak resident memory so far, in KiB; -1 when unknown.
    long peakMemoryKiB() const;
    QString error() const { return error_; }

    // Administration; each returns the id the command printed, or empty on failure.
    QString addUser(const QString& email, const QString& name, const QString& password);
    QString addWorkspace(const QString& slug, const QString& name);
    bool addMember(const QString& slug, const QString& email, const QString& role = QStringLiteral("member"));
    bool setUploads(const QString& slug, bool on);

    // Runs an admin command; returns its exit code, output in *output.
    int admin(const QStringList& words, const QByteArray& input = {}, QString* output = nullptr);

private:
    QString program_;
    QString data_;
    QStringList storage_;
    QProcessEnvironment environment_ = QProcessEnvironment::systemEnvironment();
    QProcess process_;
    QString baseUrl_;
    int port_ = 0;
    QString error_;
};
