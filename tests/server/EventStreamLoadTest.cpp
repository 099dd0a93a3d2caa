#include "RawConnection.h"
#include "ServiceFixture.h"

#include <QDeadlineTimer>

namespace {

// Polls every connection until each has received `needle`; false at the deadline.
bool allReceive(std::vector<RawConnection>& connections, const std::string& needle, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    for (RawConnection& c : connections)
        if (!c.waitFor(needle, int(std::max<qint64>(1, deadline.remainingTime()))))
            return false;
    return true;
}

std::vector<RawConnection> openStreams(int port, const QString& token, int count) {
    std::vector<RawConnection> streams;
    for (int i = 0; i < count; ++i) {
        streams.emplace_back(port);
        streams.back().send(requestHead("GET", "/v1/events", token.toStdString()));
    }
    return streams;
}

class ManyStreams : public ServiceFixture {
protected:
    void SetUp() override {
        startService({"--streams-per-token", "600", "--streams-per-user", "600", "--connections-per-address", "700"});
    }
};
ON_EVERY_BACKEND(ManyStreams);

} // namespace

// Open streams cost the service a socket each, not a worker: with 500 of
// them connected, sync and the sign-in page still answer, and a change
// reaches every stream.
TEST_P(ManyStreams, FiveHundredOpenStreamsLeaveEveryOtherRequestAnswered) {
    const QString annToken = tokenFor("ann@acme.test");
    std::vector<RawConnection> streams = openStreams(server_->port(), annToken, 500);
    ASSERT_TRUE(allReceive(streams, ": zorvi events", 60000));

    ServiceClient bob = clientFor("bob@acme.test");
    const auto pushed = bob.sync("bob-laptop", 0, {newCapture("c1", acme_, "while 500 listen")});
    ASSERT_EQ(pushed.status, 200) << pushed.body;
    EXPECT_EQ(ServiceClient(url(), annToken).get("/v1/me").status, 200);
    EXPECT_EQ(ServiceClient(url()).get("/device").status, 200);
    EXPECT_TRUE(allReceive(streams, "event: change", 60000));
}

TEST_P(ServiceFixture, StreamsAreLimitedPerTokenAndPerUserAndAPlaceFreesWhenAStreamCloses) {
    server_->stop();
    startService({"--streams-per-token", "2", "--streams-per-user", "3"});
    const QString first = tokenFor("ann@acme.test"), second = tokenFor("ann@acme.test");
    std::vector<RawConnection> held = openStreams(server_->port(), first, 2);
    ASSERT_TRUE(allReceive(held, ": zorvi events", 20000));

    RawConnection third(server_->port());
    third.send(requestHead("GET", "/v1/events", first.toStdString()));
    ASSERT_TRUE(third.waitFor("too_many_streams", 20000)) << third.received();
    EXPECT_EQ(third.status(), 429);

    RawConnection otherToken(server_->port());
    otherToken.send(requestHead("GET", "/v1/events", second.toStdString()));
    ASSERT_TRUE(otherToken.waitFor(": zorvi events", 20000)) << otherToken.received();
    RawConnection overUser(server_->port());
    overUser.send(requestHead("GET", "/v1/events", second.toStdString()));
    ASSERT_TRUE(overUser.waitFor("\r\n\r\n", 20000));
    EXPECT_EQ(overUser.status(), 429) << overUser.received();

    // Bob is not held back by Ann's streams.
    RawConnection bob(server_->port());
    bob.send(requestHead("GET", "/v1/events", tokenFor("bob@acme.test").toStdString()));
    EXPECT_TRUE(bob.waitFor(": zorvi events", 20000)) << bob.received();

    // Once the service notices a stream went away, its place is free again.
    held.pop_back();
    QDeadlineTimer deadline(30000);
    bool reopened = false;
    while (!reopened && !deadline.hasExpired()) {
        RawConnection again(server_->port());
        again.send(requestHead("GET", "/v1/events", first.toStdString()));
        again.waitFor("\r\n\r\n", 20000);
        reopened = again.status() == 200;
        if (reopened)
            held.push_back(std::move(again));
    }
    EXPECT_TRUE(reopened);
}

TEST_P(ServiceFixture, AStreamOfARevokedTokenEndsAtTheNextChangeWithoutHearingIt) {
    const QString annToken = tokenFor("ann@acme.test");
    RawConnection stream(server_->port());
    stream.send(requestHead("GET", "/v1/events", annToken.toStdString()));
    ASSERT_TRUE(stream.waitFor(": zorvi events", 20000)) << stream.received();

    ServiceClient ann(url(), annToken);
    ASSERT_EQ(ann.post("/api/auth/sign-out", {}).status, 200);
    ASSERT_EQ(clientFor("bob@acme.test").sync("bob-laptop", 0, {newCapture("c1", acme_, "secret")}).status, 200);

    EXPECT_TRUE(stream.waitForClose(20000));
    EXPECT_EQ(stream.received().find("event: change"), std::string::npos) << stream.received();
}
