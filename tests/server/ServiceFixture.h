#pragma once

#include "ServiceClient.h"
#include "support/PostgresCluster.h"
#include "support/S3TestServer.h"
#include "support/TempDir.h"
#include "support/ZorviServerProcess.h"

#include <gtest/gtest.h>

// Where the service under test keeps its rows (every test runs on both) and,
// for the tests of files, its screenshots: a folder, or an S3 bucket.
enum class Backend { sqlite, postgresql, postgresqlWithS3 };

// A real zorvi-server with two workspaces: Ann and Bob share "acme", Cat is
// alone in "globex". Tokens come from the real device flow.
class ServiceFixture : public ::testing::TestWithParam<Backend> {
public:
    static constexpr const char* password = "correct horse battery";

protected:
    void SetUp() override { startService(); }

    void startService(const QStringList& extraArguments = {}) {
        server_ = std::make_unique<ZorviServerProcess>(QStringLiteral(ZORVI_SERVER_PROGRAM), dir_.file("data"));
        if (GetParam() != Backend::sqlite) {
            if (databaseUrl_.isEmpty()) {
                PostgresCluster* cluster = PostgresCluster::shared();
                ASSERT_NE(cluster, nullptr) << "no PostgreSQL for the test";
                databaseUrl_ = cluster->createDatabase();
                ASSERT_FALSE(databaseUrl_.isEmpty()) << cluster->error().toStdString();
            }
            server_->setStorageArguments({"--database", databaseUrl_});
        }
        if (GetParam() == Backend::postgresqlWithS3) {
            S3TestServer* store = S3TestServer::shared();
            ASSERT_NE(store, nullptr) << "no S3-compatible store for the test";
            if (bucket_.isEmpty())
                bucket_ = store->createBucket();
            ASSERT_FALSE(bucket_.isEmpty()) << store->error().toStdString();
            server_->setStorageArguments(
                {"--database", databaseUrl_, "--blobs", "s3://" + bucket_, "--s3-endpoint", store->endpoint()});
            server_->setEnvironment(S3TestServer::credentials());
        }
        if (acme_.isEmpty()) {
            ASSERT_FALSE(server_->addUser("ann@acme.test", "Ann", password).isEmpty());
            ASSERT_FALSE(server_->addUser("bob@acme.test", "Bob", password).isEmpty());
            ASSERT_FALSE(server_->addUser("cat@globex.test", "Cat", password).isEmpty());
            acme_ = server_->addWorkspace("acme", "Acme");
            globex_ = server_->addWorkspace("globex", "Globex");
            ASSERT_TRUE(server_->addMember("acme", "ann@acme.test", "admin"));
            ASSERT_TRUE(server_->addMember("acme", "bob@acme.test"));
            ASSERT_TRUE(server_->addMember("globex", "cat@globex.test", "admin"));
        }
        ASSERT_TRUE(server_->start(extraArguments)) << server_->error().toStdString();
    }

    QString tokenFor(const char* email) {
        const QString token = ServiceClient::signIn(server_->baseUrl(), QString::fromLatin1(email), password);
        EXPECT_FALSE(token.isEmpty()) << "sign-in failed for " << email;
        return token;
    }

    ServiceClient clientFor(const char* email) { return ServiceClient(server_->baseUrl(), tokenFor(email)); }

    QString url() const { return server_->baseUrl(); }

    // Runs one statement of SQL both databases understand on the service's
    // database; returns the rows it changed, -1 on failure.
    int databaseExecute(const QString& sql);
    // Everything the database holds, as bytes: the SQLite file, or a dump.
    QByteArray databaseContents();

    TempDir dir_;
    std::unique_ptr<ZorviServerProcess> server_;
    QString acme_, globex_;
    QString databaseUrl_;
    QString bucket_;
};

std::string backendLabel(Backend backend);

inline void PrintTo(Backend backend, std::ostream* os) {
    *os << backendLabel(backend);
}

std::string backendName(const ::testing::TestParamInfo<Backend>& info);

#define ON_EVERY_BACKEND(fixture)                                                                                 \
    INSTANTIATE_TEST_SUITE_P(Storage, fixture, ::testing::Values(Backend::sqlite, Backend::postgresql), backendName)

// For tests of screenshot files: both backends, and PostgreSQL with an S3 bucket.
#define ON_EVERY_BLOB_STORE(fixture)                                                                              \
    INSTANTIATE_TEST_SUITE_P(Storage, fixture,                                                                    \
                             ::testing::Values(Backend::sqlite, Backend::postgresql, Backend::postgresqlWithS3),   \
                             backendName)
