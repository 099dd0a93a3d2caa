#include "ServiceFixture.h"

#include <QSet>

#include <atomic>
#include <thread>

namespace {

// Two instances of the service on one PostgreSQL database, as behind a load
// balancer: whatever lands through one must be seen through the other.
class TwoInstances : public ServiceFixture {
protected:
    void SetUp() override {
        startService();
        second_ = std::make_unique<ZorviServerProcess>(QStringLiteral(ZORVI_SERVER_PROGRAM), dir_.file("second"));
        second_->setStorageArguments({"--database", databaseUrl_});
        ASSERT_TRUE(second_->start()) << second_->error().toStdString();
    }

    std::unique_ptr<ZorviServerProcess> second_;
};
INSTANTIATE_TEST_SUITE_P(Storage, TwoInstances, ::testing::Values(Backend::postgresql), backendName);

QSet<QString> captureIds(const ServiceClient::Reply& reply) {
    QSet<QString> ids;
    for (const QJsonValue& c : reply.json.value("changes").toArray())
        if (c.toObject().value("table").toString() == QLatin1String("captures"))
            ids.insert(c.toObject().value("row").toObject().value("id").toString());
    return ids;
}

} // namespace

TEST_P(TwoInstances, ASignInStartedOnOneIsApprovedOnTheOtherAndEventsCrossOver) {
    const QString bobToken = ServiceClient::signIn(second_->baseUrl(), "bob@acme.test", password, url());
    ASSERT_FALSE(bobToken.isEmpty()) << "code asked of the second instance, approved on the first";
    EventStream bobListens(second_->baseUrl(), bobToken);
    ASSERT_TRUE(bobListens.connected());

    ServiceClient ann = clientFor("ann@acme.test");
    ASSERT_EQ(ann.sync("ann-laptop", 0, {newCapture("c1", acme_, "through the first")}).status, 200);
    EXPECT_TRUE(bobListens.waitFor("event: change", 20000)) << bobListens.text();
    EXPECT_EQ(captureIds(ServiceClient(second_->baseUrl(), bobToken).sync("bob-desktop", 0)), QSet<QString>{"c1"});
}

// Writers on both instances commit in an order of their own while a reader
// pages through the feed: every change must reach the reader exactly once,
// none passed over because it committed after a later one was read.
TEST_P(TwoInstances, AReaderPagingDuringConcurrentPushesMissesNoChange) {
    const QString annToken = tokenFor("ann@acme.test");
    const QString bobToken = tokenFor("bob@acme.test");
    constexpr int writers = 4, capturesEach = 30;
    std::atomic<int> writing = writers;
    std::atomic<int> failures = 0;
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w)
        threads.emplace_back([&, w] {
            ServiceClient client(w % 2 ? second_->baseUrl() : url(), annToken);
            for (int i = 0; i < capturesEach; ++i) {
                const QString id = QString("w%1-c%2").arg(w).arg(i);
                if (client.sync(QString("ann-device-%1").arg(w), 0, {newCapture(id, acme_, id)}).status != 200)
                    ++failures;
            }
            --writing;
        });

    QList<QString> seen;
    qint64 cursor = 0;
    auto pullOnce = [&](int round) {
        ServiceClient bob(round % 2 ? second_->baseUrl() : url(), bobToken);
        const auto reply = bob.sync("bob-desktop", cursor);
        if (reply.status != 200)
            return false;
        for (const QString& id : captureIds(reply))
            seen << id;
        cursor = reply.json.value("cursor").toInteger();
        return reply.json.value("more").toBool();
    };
    for (int round = 0; writing > 0; ++round)
        pullOnce(round);
    for (auto& t : threads)
        t.join();
    for (int round = 0; pullOnce(round);)
        ++round;

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(seen.size(), writers * capturesEach) << "each change once";
    EXPECT_EQ(QSet<QString>(seen.begin(), seen.end()).size(), writers * capturesEach) << "none passed over";
}
