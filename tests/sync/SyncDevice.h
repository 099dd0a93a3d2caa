#pragma once

#include "support/TempDir.h"

#include "store/CaptureStore.h"
#include "store/Database.h"
#include "store/ZorviPaths.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <memory>
#include <stdexcept>

#ifndef SYNC_DEVICE_EXECUTABLE
#define SYNC_DEVICE_EXECUTABLE ""
#endif

// One computer: its library folder, the test's handle on its database, and the
// process that runs its sync engine.
class Device {
public:
    Device(QString name, const QUrl& api, const QString& token) : name_(std::move(name)) {
        use();
        ZorviPaths::ensureDirectories();
        store_ = std::make_unique<CaptureStore>(ZorviPaths::databaseFile());
        sql_ = std::make_unique<Database>(ZorviPaths::databaseFile());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZORVI_HOME", home_.path());
        env.insert("ZORVI_API_URL", api.toString());
        env.insert("ZORVI_TEST_TOKEN", token);
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(SYNC_DEVICE_EXECUTABLE);
        if (!process_.waitForStarted(10'000))
            throw std::runtime_error("sync-device did not start");
    }
    ~Device() {
        process_.write("quit\n");
        process_.closeWriteChannel();
        if (!process_.waitForFinished(20'000))
            process_.kill();
    }

    // Library files are found through ZORVI_HOME; point it here before touching them.
    CaptureStore& use() {
        qputenv("ZORVI_HOME", home_.path().toUtf8());
        return *store_;
    }
    CaptureStore& store() { return *store_; }
    // A second connection to the same library, for reading rows as they are stored.
    Database& sql() { return *sql_; }
    const QString& name() const { return name_; }

    void startSync() {
        if (syncing_)
            return;
        syncing_ = true;
        process_.write("sync\n");
    }
    bool syncing() const { return syncing_; }
    // Collects a finished sync's answer, if one is in.
    void poll() {
        process_.waitForReadyRead(0);
        while (syncing_ && process_.canReadLine()) {
            lastAnswer_ = QString::fromUtf8(process_.readLine()).trimmed();
            syncing_ = false;
        }
    }
    // Runs one sync to its end; returns its status line ("kind message").
    QString sync() {
        startSync();
        while (syncing_) {
            if (!process_.canReadLine() && !process_.waitForReadyRead(60'000))
                throw std::runtime_error(name_.toStdString() + ": no answer from sync-device");
            poll();
        }
        return lastAnswer_;
    }

private:
    QString name_;
    TempDir home_;
    std::unique_ptr<CaptureStore> store_;
    std::unique_ptr<Database> sql_;
    QProcess process_;
    bool syncing_ = false;
    QString lastAnswer_;
};
