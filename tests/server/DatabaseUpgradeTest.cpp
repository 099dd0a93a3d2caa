#include "ServiceFixture.h"

namespace {

class OnPostgres : public ServiceFixture {};
INSTANTIATE_TEST_SUITE_P(Storage, OnPostgres, ::testing::Values(Backend::postgresql), backendName);

} // namespace

// A database an upgraded program already moved on must not be written by an
// older one, serving or administering; and an unreachable database is named
// plainly, without libpq's words.
TEST_P(OnPostgres, ANewerOrUnreachableDatabaseIsRefusedWithAPlainMessage) {
    server_->stop();
    ASSERT_EQ(databaseExecute("INSERT INTO schema_version (version) VALUES (999)"), 1);
    QString output;
    EXPECT_NE(server_->admin({"workspace", "add", "initech", "--name", "Initech"}, {}, &output), 0);
    EXPECT_TRUE(output.contains("set up by a newer zorvi-server")) << output.toStdString();
    EXPECT_FALSE(server_->start());
    EXPECT_TRUE(server_->error().contains("newer zorvi-server")) << server_->error().toStdString();
    ASSERT_EQ(databaseExecute("DELETE FROM schema_version WHERE version = 999"), 1);
    ASSERT_TRUE(server_->start()) << server_->error().toStdString();

    ZorviServerProcess nowhere(QStringLiteral(ZORVI_SERVER_PROGRAM), dir_.file("elsewhere"));
    nowhere.setStorageArguments({"--database", "postgresql://zorvi@127.0.0.1:1/zorvi"});
    EXPECT_NE(nowhere.admin({"token", "list"}, {}, &output), 0);
    EXPECT_TRUE(output.contains("cannot reach the database postgresql://zorvi@127.0.0.1:1/zorvi")) << output.toStdString();
}
