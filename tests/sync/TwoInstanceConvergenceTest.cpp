// Two computers edit one workspace at once, each through its own instance of
// the service; the instances share one PostgreSQL database and one bucket.
// In the end both libraries and a third computer starting from nothing on
// the other instance agree on every synced row and file.
#include "ConvergenceCheck.h"
#include "RandomEditor.h"
#include "ServiceFixture.h"

#include "support/PostgresCluster.h"
#include "support/S3TestServer.h"
#include "sync/SyncStatus.h"

namespace {

class TwoInstanceConvergence : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_ZORVI_SERVER();
        ensureQtApplication();
        PostgresCluster* cluster = PostgresCluster::shared();
        S3TestServer* store = S3TestServer::shared();
        ASSERT_TRUE(cluster && store) << "no PostgreSQL or S3-compatible store for the test";
        const QString database = cluster->createDatabase();
        const QString bucket = store->createBucket();
        ASSERT_FALSE(database.isEmpty() || bucket.isEmpty());
        const QStringList storage{"--database", database, "--blobs", "s3://" + bucket, "--s3-endpoint",
                                  store->endpoint()};
        for (ZorviServer* instance : {&first, &second})
            instance->setStorage(storage, S3TestServer::credentials());
        ServiceAccounts::populate(first);
        first.start();
        second.start();
    }
    ZorviServer first, second;
};

} // namespace

TEST_F(TwoInstanceConvergence, TwoComputersOnTwoInstancesEndUpWithTheSameLibrary) {
    const std::uint32_t seed = replayableSeed();
    SCOPED_TRACE("replay with ZORVI_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    Device a("A", first.url(), ServiceAccounts::tokenFor(first, ServiceAccounts::alice));
    Device b("B", second.url(), ServiceAccounts::tokenFor(second, ServiceAccounts::bob));
    ASSERT_EQ(a.sync().left(1), QString::number(int(SyncStatus::Kind::idle)));
    ASSERT_EQ(b.sync().left(1), QString::number(int(SyncStatus::Kind::idle)));

    TwoEditors team(a, b, random);
    Device* devices[] = {&a, &b};
    for (int done = 0; done < 300;) {
        const int who = int(random() % 2);
        if (random() % 8 == 0) {
            devices[who]->startSync();
        } else {
            team.editors[who].randomEdit();
            ++done;
        }
        a.poll();
        b.poll();
    }
    settle(a, b);
    ASSERT_EQ(pendingRows(a), 0);
    ASSERT_EQ(pendingRows(b), 0);

    // Alice on a third computer, on the instance she never used.
    Device fresh("C", second.url(), ServiceAccounts::tokenFor(second, ServiceAccounts::alice));
    pullEverything(fresh);

    const auto viewA = snapshot(a, true);
    EXPECT_GT(viewA.size(), 30u);
    expectSameRows(viewA, snapshot(b), "A, B");
    expectSameRows(snapshot(a), snapshot(fresh), "A, C");
    for (Device* d : {&a, &b, &fresh}) {
        expectImagesMatchHashes(*d);
        expectNothingRefused(*d);
    }
}
