#include "KeychainTokenStore.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>

namespace {

// QtKeychain jobs finish asynchronously; these calls wait for them.
void runToEnd(QKeychain::Job& job) {
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
}

} // namespace

std::optional<QString> KeychainTokenStore::read() {
    QKeychain::ReadPasswordJob job(service);
    job.setKey(key);
    runToEnd(job);
    if (job.error() != QKeychain::NoError || job.textData().isEmpty())
        return std::nullopt;
    return job.textData();
}

void KeychainTokenStore::write(const QString& token) {
    QKeychain::WritePasswordJob job(service);
    job.setKey(key);
    job.setTextData(token);
    runToEnd(job);
    if (job.error() != QKeychain::NoError)
        throw TokenStoreError("Zorvi can't keep your session in the keyring (" + job.errorString() +
                              "). Start a keyring such as GNOME Keyring or KWallet and sign in again.");
}

void KeychainTokenStore::remove() {
    QKeychain::DeletePasswordJob job(service);
    job.setKey(key);
    runToEnd(job);
}
