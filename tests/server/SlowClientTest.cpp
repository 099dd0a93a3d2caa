#include "RawConnection.h"
#include "ServiceFixture.h"

#include <QDeadlineTimer>

namespace {

// The service here gives a request head 2 s, so the cut-offs come quickly.
class SlowClients : public ServiceFixture {
protected:
    void SetUp() override { startService({"--head-timeout", "2", "--connections-per-address", "8"}); }

    // Sends `piece` every 300 ms until the service hangs up; false if it
    // still listens after 30 s.
    static bool trickleUntilCutOff(RawConnection& c, const std::string& piece) {
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            if (!c.send(piece) || c.waitForClose(300))
                return true;
        }
        return false;
    }
};

// Connection handling only: where the rows live makes no difference here.
INSTANTIATE_TEST_SUITE_P(Storage, SlowClients, ::testing::Values(Backend::sqlite), backendName);

} // namespace

TEST_P(SlowClients, ATrickledHeadOrBodyIsCutOffAtItsDeadlineWhileOthersAreServed) {
    const std::string token = tokenFor("ann@acme.test").toStdString();
    RawConnection head(server_->port());
    ASSERT_TRUE(head.send("GET /v1/me HTTP/1.1\r\nHost: 127.0.0.1\r\n"));
    RawConnection body(server_->port());
    ASSERT_TRUE(body.send(requestHead("POST", "/v1/sync", token,
                                      "Content-Type: application/json\r\nContent-Length: 100000\r\n") +
                          "{"));

    EXPECT_TRUE(trickleUntilCutOff(head, "X-Pad: 1\r\n"));
    EXPECT_TRUE(trickleUntilCutOff(body, " "));
    EXPECT_EQ(head.status(), 0) << head.received();
    EXPECT_EQ(ServiceClient(url(), QString::fromStdString(token)).get("/v1/me").status, 200);
}

TEST_P(SlowClients, OneAddressCannotHoldMoreThanItsShareOfConnections) {
    std::vector<RawConnection> held;
    for (int i = 0; i < 8; ++i)
        held.emplace_back(server_->port());
    RawConnection extra(server_->port());
    ASSERT_TRUE(extra.waitForClose(20000));
    EXPECT_EQ(extra.status(), 503) << extra.received();
    EXPECT_NE(extra.received().find("too_many_connections"), std::string::npos);

    // Idle connections expire like any unfinished head, and free their places.
    for (RawConnection& c : held)
        EXPECT_TRUE(c.waitForClose(20000));
    QDeadlineTimer deadline(20000);
    int status = 0;
    while (status != 200 && !deadline.hasExpired())
        status = ServiceClient(url()).get("/device").status;
    EXPECT_EQ(status, 200);
}
