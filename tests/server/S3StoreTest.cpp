#include "ServiceClient.h"
#include "storage/s3/SigV4.h"
#include "support/S3TestServer.h"

#include <QUrl>

#include <gtest/gtest.h>

// The store the service tests run against must check what it is given, or
// the direct-upload tests prove nothing: addresses signed with the wrong
// secret, out of date, or used for more bytes than were signed are refused.
class S3StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = S3TestServer::shared();
        ASSERT_NE(store_, nullptr) << "no S3-compatible store for the test";
        bucket_ = store_->createBucket();
        ASSERT_FALSE(bucket_.isEmpty()) << store_->error().toStdString();
    }

    QString address(const QString& secret, const QDateTime& at, int lifetime, qint64 bytes) {
        const SigV4::Credentials c{S3TestServer::accessKey, secret, "us-east-1", "s3"};
        return store_->endpoint() +
               SigV4::presignedPathAndQuery(c, "PUT", QUrl(store_->endpoint()).authority(), '/' + bucket_ + "/k",
                                            {{"content-length", QString::number(bytes)}}, at, lifetime);
    }

    S3TestServer* store_ = nullptr;
    QString bucket_;
    ServiceClient client_{QStringLiteral("http://127.0.0.1:1")};
};

TEST_F(S3StoreTest, RefusesWrongSecretsExpiredAddressesAndOtherSizes) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QByteArray bytes("hello");

    EXPECT_EQ(client_.put(address("not the secret", now, 60, bytes.size()), bytes).status, 403);
    EXPECT_EQ(client_.put(address(S3TestServer::secretKey, now.addSecs(-120), 60, bytes.size()), bytes).status, 403);
    EXPECT_EQ(client_.put(address(S3TestServer::secretKey, now, 60, bytes.size()), bytes + "!").status, 403);
    EXPECT_EQ(store_->objectCount(bucket_, ""), 0);

    EXPECT_EQ(client_.put(address(S3TestServer::secretKey, now, 60, bytes.size()), bytes).status, 200);
    EXPECT_EQ(store_->objectCount(bucket_, ""), 1);
}
