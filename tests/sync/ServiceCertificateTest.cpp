// The desktop against the service's own TLS: a certificate signed by an
// authority the system trusts is accepted, any other is refused before a
// token is sent, and the refusal says so rather than "offline".
#include "ServiceFixture.h"

#include "common/Identifiers.h"
#include "sync/SyncClient.h"
#include "sync/SyncError.h"

#include <QJsonArray>
#include <QSslConfiguration>

namespace {

QString tlsFile(const char* name) {
    return QStringLiteral(ZORVI_SOURCE_DIR "/tests/data/tls/") + QLatin1String(name);
}

// The test authority stands in for the system's trusted ones.
void trustOnlyTheTestAuthority() {
    QSslConfiguration trusted = QSslConfiguration::defaultConfiguration();
    trusted.setCaCertificates(QSslCertificate::fromPath(tlsFile("test-ca-cert.pem")));
    QSslConfiguration::setDefaultConfiguration(trusted);
}

} // namespace

TEST(ServiceCertificateTest, ACertificateFromATrustedAuthorityIsUsedAndAnyOtherRefused) {
    REQUIRE_ZORVI_SERVER();
    ensureQtApplication();
    trustOnlyTheTestAuthority();
    ZorviServer server;
    ServiceAccounts::populate(server);
    server.start();
    const QString token = ServiceAccounts::tokenFor(server, ServiceAccounts::alice);

    server.stop();
    server.setOptions({"--tls-cert", tlsFile("ca-signed-cert.pem"), "--tls-key", tlsFile("ca-signed-key.pem")});
    server.start();
    ASSERT_EQ(server.url().scheme(), "https");
    SyncClient client(server.url(), token);
    const AccountInfo me = client.me();
    EXPECT_EQ(me.user.name, "Alice Archer");
    const QJsonObject reply = client.sync(QJsonObject{{"device_id", Identifiers::make()},
                                                      {"cursor", 0},
                                                      {"changes", QJsonArray()},
                                                      {"full_groups", QJsonArray()}});
    EXPECT_TRUE(reply.contains("cursor"));

    // The same service with a certificate no trusted authority signed.
    server.stop();
    server.setOptions({"--tls-cert", tlsFile("loopback-cert.pem"), "--tls-key", tlsFile("loopback-key.pem")});
    server.start();
    try {
        client.me();
        FAIL() << "a certificate no trusted authority signed was accepted";
    } catch (const SyncError& e) {
        EXPECT_NE(e.kind(), SyncError::Kind::offline);
        EXPECT_TRUE(e.description().contains("certificate")) << e.description().toStdString();
    }
}
