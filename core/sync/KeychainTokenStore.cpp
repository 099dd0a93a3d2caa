#include "KeychainTokenStore.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QThread>

namespace {

struct Outcome {
    QKeychain::Error error = QKeychain::OtherError;
    QString errorString;
    QString text;
};

// QtKeychain's job queue still reaches for a job after it has finished, even
// one that deleted itself; so jobs (a few per sign-in) are never deleted.
template <class Job>
Outcome run(Job* job) {
    job->setAutoDelete(false);
    job->setInsecureFallback(false);
    job->setKey(KeychainTokenStore::key);
    Outcome outcome;
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* done) {
        outcome.error = done->error();
        outcome.errorString = done->errorString();
        if (auto* reader = qobject_cast<QKeychain::ReadPasswordJob*>(done))
            outcome.text = reader->textData();
        loop.quit();
    });
    job->start();
    loop.exec();
    return outcome;
}

// QtKeychain's job queue belongs to the thread that first used it, so every
// job runs on one thread of its own, whichever thread asks.
template <class MakeJob>
Outcome onKeychainThread(MakeJob makeJob) {
    static QObject* context = [] {
        auto* thread = new QThread; // lives as long as the process
        thread->setObjectName("Keychain");
        thread->start();
        auto* object = new QObject;
        object->moveToThread(thread);
        return object;
    }();
    Outcome outcome;
    QMetaObject::invokeMethod(context, [&] { outcome = run(makeJob()); }, Qt::BlockingQueuedConnection);
    return outcome;
}

} // namespace

std::optional<QString> KeychainTokenStore::read() {
    const Outcome outcome = onKeychainThread([] { return new QKeychain::ReadPasswordJob(service); });
    if (outcome.error != QKeychain::NoError || outcome.text.isEmpty())
        return std::nullopt;
    return outcome.text;
}

void KeychainTokenStore::write(const QString& token) {
    const Outcome outcome = onKeychainThread([&] {
        auto* job = new QKeychain::WritePasswordJob(service);
        job->setTextData(token);
        return job;
    });
    if (outcome.error != QKeychain::NoError)
        throw TokenStoreError("Zorvi can't keep your session in the keyring (" + outcome.errorString +
                              "). Start a keyring such as GNOME Keyring or KWallet and sign in again.");
}

void KeychainTokenStore::remove() {
    onKeychainThread([] { return new QKeychain::DeletePasswordJob(service); });
}
