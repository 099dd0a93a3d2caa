#include "RawConnection.h"
#include "ServiceFixture.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The id `token list` shows for the first token of `email`.
QString tokenIdOf(const QString& listing, const QString& email) {
    const QRegularExpression line(QStringLiteral("^([0-9a-f]{12})  %1 ").arg(QRegularExpression::escape(email)),
                                  QRegularExpression::MultilineOption);
    return line.match(listing).captured(1);
}

} // namespace

TEST_P(ServiceFixture, AnAdministratorListsAndRevokesTokensAndRemovesUsers) {
    ServiceClient ann = clientFor("ann@acme.test"), bob = clientFor("bob@acme.test"), cat = clientFor("cat@globex.test");
    QString listing;
    ASSERT_EQ(server_->admin({"token", "list"}, {}, &listing), 0) << listing.toStdString();
    const QString annId = tokenIdOf(listing, "ann@acme.test");
    ASSERT_FALSE(annId.isEmpty()) << listing.toStdString();
    EXPECT_FALSE(tokenIdOf(listing, "bob@acme.test").isEmpty());

    ASSERT_EQ(server_->admin({"token", "revoke", annId}), 0);
    EXPECT_EQ(ann.get("/v1/me").status, 401);
    EXPECT_EQ(bob.get("/v1/me").status, 200);
    ASSERT_EQ(server_->admin({"token", "revoke", "--user", "cat@globex.test"}), 0);
    EXPECT_EQ(cat.get("/v1/me").status, 401);
    EXPECT_NE(server_->admin({"token", "revoke", "--user", "cat@globex.test"}), 0) << "nothing left to revoke";

    ASSERT_EQ(server_->admin({"user", "remove", "bob@acme.test"}), 0);
    EXPECT_EQ(bob.get("/v1/me").status, 401);
    EXPECT_TRUE(ServiceClient::signIn(url(), "bob@acme.test", password).isEmpty());
    const auto me = clientFor("ann@acme.test").get("/v1/me");
    EXPECT_EQ(me.status, 200);
}

TEST_P(ServiceFixture, ATokenUnusedForLongerThanTheIdleLimitStopsWorking) {
    ServiceClient ann = clientFor("ann@acme.test"), bob = clientFor("bob@acme.test");
    ASSERT_EQ(ann.get("/v1/me").status, 200);
    const QString annHash = QString::fromLatin1(
        QCryptographicHash::hash(ann.token().toLatin1(), QCryptographicHash::Sha256).toHex());
    // Last used 91 days ago, past the default limit of 90.
    const qint64 longAgo = QDateTime::currentSecsSinceEpoch() - 91 * 86400;
    ASSERT_EQ(databaseExecute(QString("UPDATE access_tokens SET created_at = %1, last_used_at = %1 WHERE token_hash = '%2'")
                                  .arg(longAgo)
                                  .arg(annHash)),
              1);
    EXPECT_EQ(ann.get("/v1/me").status, 401);
    EXPECT_EQ(bob.get("/v1/me").status, 200);
}

TEST_P(ServiceFixture, ARegisteredDeviceIdPushesOnlyThroughTheSignInThatRegisteredIt) {
    ServiceClient ann = clientFor("ann@acme.test");
    ASSERT_EQ(ann.post("/v1/devices", {{"id", "ann-laptop"}, {"name", "Laptop"}, {"platform", "linux"}}).status, 200);
    const auto own = ann.sync("ann-laptop", 0, {newCapture("c1", acme_, "mine")});
    EXPECT_EQ(own.status, 200);
    for (const QString& token : {tokenFor("bob@acme.test"), tokenFor("ann@acme.test")}) {
        const auto posing = ServiceClient(url(), token).sync("ann-laptop", 0, {captureChange("c1", 1, {{"note", "as Ann's laptop"}})});
        EXPECT_EQ(posing.status, 403) << posing.body;
        EXPECT_EQ(posing.json.value("error").toObject().value("code").toString(), "device_taken");
    }
}

TEST_P(ServiceFixture, LinksHandedOutNameTheListenAddressWhateverTheHostHeaderSays) {
    RawConnection c(server_->port());
    const std::string body = R"({"client_id":"zorvi-desktop"})";
    c.send("POST /api/auth/device/code HTTP/1.1\r\nHost: evil.example\r\nContent-Type: application/json\r\n"
           "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    ASSERT_TRUE(c.waitForClose(20000));
    EXPECT_NE(c.received().find("\"verification_uri\":\"" + url().toStdString() + "/device\""), std::string::npos)
        << c.received();
}

TEST_P(ServiceFixture, SignInCodesFromOneAddressAreCapped) {
    ServiceClient anonymous(url());
    std::vector<int> statuses;
    for (int i = 0; i < 25; ++i)
        statuses.push_back(anonymous.post("/api/auth/device/code", {{"client_id", "zorvi-desktop"}}).status);
    EXPECT_EQ(std::count(statuses.begin(), statuses.begin() + 20, 200), 20);
    EXPECT_EQ(std::count(statuses.begin() + 20, statuses.end(), 429), 5);
}

TEST_P(ServiceFixture, WhatTheServiceStoresIsReadableByItsUserAlone) {
    ServiceClient ann = clientFor("ann@acme.test");
    const QByteArray png("\x89PNG private pixels");
    const QString sha = QString::fromLatin1(QCryptographicHash::hash(png, QCryptographicHash::Sha256).toHex());
    const QString address = ann.post("/v1/uploads", {{"workspace_id", acme_}, {"sha256", sha}, {"bytes", png.size()}})
                                .json.value("url")
                                .toString();
    ASSERT_EQ(ann.put(address, png).status, 201);
    ASSERT_EQ(ann.sync("ann-laptop", 0, {newCapture("c1", acme_, "note")}).status, 200);

    int seen = 0;
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                        QFile::ExeOther;
    QDirIterator it(server_->dataDirectory(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        ++seen;
        EXPECT_EQ(entry.permissions() & others, 0) << entry.filePath().toStdString();
    }
    if (GetParam() == Backend::sqlite)
        EXPECT_GE(seen, 5) << "the database, its journal, the key, the blob and its folders";
    else
        EXPECT_GE(seen, 3) << "the blob and its folders";
}
