#include "RawConnection.h"
#include "ServiceFixture.h"

#include <QCryptographicHash>

namespace {

constexpr std::size_t sixtyMiB = 60u * 1024 * 1024;

QString sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace

// Each of these is answered from its head alone: the client sends no body
// at all and still gets its refusal.
TEST_P(ServiceFixture, OversizedOrUnauthorisedBodiesAreRefusedBeforeTheyAreRead) {
    const std::string token = tokenFor("ann@acme.test").toStdString();
    const std::string storage = "/storage/" + acme_.toStdString() + "/" + std::string(64, 'a');
    const std::string huge = "Content-Type: application/json\r\nContent-Length: " + std::to_string(sixtyMiB) + "\r\n";
    struct Case {
        const char* name;
        std::string head;
        int status;
    };
    const std::vector<Case> cases = {
        {"sign-in code, no token", requestHead("POST", "/api/auth/device/code", {}, huge), 413},
        {"sign-in form", requestHead("POST", "/device/sign-in", {}, huge), 413},
        {"sync over its limit", requestHead("POST", "/v1/sync", token, huge), 413},
        {"sync without a token", requestHead("POST", "/v1/sync", {}, "Content-Length: 1000\r\n"), 401},
        {"unsigned storage write", requestHead("PUT", storage, {}, huge), 403},
        {"body of unknown length", requestHead("POST", "/v1/sync", token, "Transfer-Encoding: chunked\r\n"), 411},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawConnection connection(server_->port());
        ASSERT_TRUE(connection.send(c.head));
        ASSERT_TRUE(connection.waitFor("\r\n\r\n", 20000)) << connection.received();
        EXPECT_EQ(connection.status(), c.status) << connection.received();
    }
}

TEST_P(ServiceFixture, ASixtyMiBBodyDoesNotGrowTheServiceMemory) {
    const long before = server_->peakMemoryKiB();
    ASSERT_GT(before, 0);
    RawConnection connection(server_->port());
    connection.send(requestHead("POST", "/api/auth/device/code", {},
                                "Content-Type: application/json\r\nContent-Length: " + std::to_string(sixtyMiB) +
                                    "\r\n"));
    const std::string chunk(1024 * 1024, 'x');
    for (std::size_t sent = 0; sent < sixtyMiB && connection.send(chunk); sent += chunk.size())
        connection.poll();
    connection.waitForClose(20000);
    EXPECT_EQ(connection.status(), 413) << connection.received().substr(0, 300);
    EXPECT_LT(server_->peakMemoryKiB() - before, 8 * 1024);
}

TEST_P(ServiceFixture, AnUploadAddressTakesNoMoreThanItsSizeAndDiesWithTheUploadsSwitch) {
    ServiceClient ann = clientFor("ann@acme.test");
    const QByteArray big(4096, 'z');
    const QJsonObject smallClaim{{"workspace_id", acme_}, {"sha256", sha256(big)}, {"bytes", 5}};
    const QString smallUrl = ann.post("/v1/uploads", smallClaim).json.value("url").toString();
    ASSERT_FALSE(smallUrl.isEmpty());
    EXPECT_EQ(ann.put(smallUrl, big).status, 413);
    EXPECT_EQ(ann.post("/v1/uploads/complete", smallClaim).status, 409);

    const QByteArray png("\x89PNG fine");
    const QString url = ann.post("/v1/uploads", {{"workspace_id", acme_}, {"sha256", sha256(png)}, {"bytes", png.size()}})
                            .json.value("url")
                            .toString();
    ASSERT_FALSE(url.isEmpty());
    EXPECT_EQ(ann.put(url, png.left(4)).status, 400);
    ASSERT_TRUE(server_->setUploads("acme", false));
    const auto refused = ann.put(url, png);
    EXPECT_EQ(refused.status, 403);
    EXPECT_EQ(refused.json.value("error").toObject().value("code").toString(), "uploads_disabled");
    ASSERT_TRUE(server_->setUploads("acme", true));
    EXPECT_EQ(ann.put(url, png).status, 201);
}
