#include "ServiceFixture.h"

#include <QCryptographicHash>

// The service speaks TLS itself: sign-in, sync, an upload and a live event
// stream all go over it, and the links it hands out are https ones.
TEST_P(ServiceFixture, SignInSyncUploadsAndEventStreamsWorkOverHttps) {
    server_->stop();
    const QString key = QString(loopbackCertificate()).replace("-cert.pem", "-key.pem");
    startService({"--tls-cert", loopbackCertificate(), "--tls-key", key});
    ASSERT_TRUE(url().startsWith("https://127.0.0.1:")) << url().toStdString();

    EventStream stream(url(), tokenFor("ann@acme.test"));
    ASSERT_TRUE(stream.connected()) << stream.text();
    ServiceClient bob = clientFor("bob@acme.test");
    ASSERT_EQ(bob.sync("bob-laptop", 0, {newCapture("c1", acme_, "over TLS")}).status, 200);
    EXPECT_TRUE(stream.waitFor("event: change")) << stream.text();

    const QByteArray png("\x89PNG over TLS");
    const QString sha = QString::fromLatin1(QCryptographicHash::hash(png, QCryptographicHash::Sha256).toHex());
    const QString address = bob.post("/v1/uploads", {{"workspace_id", acme_}, {"sha256", sha}, {"bytes", png.size()}})
                                .json.value("url")
                                .toString();
    ASSERT_TRUE(address.startsWith(url())) << address.toStdString();
    EXPECT_EQ(bob.put(address, png).status, 201);
}
