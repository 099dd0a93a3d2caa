#include "StoreFixture.h"

#include <QProcess>

namespace {

constexpr int operationsPerWriter = 1500;

// Runs as a child process of TwoProcessesWriteTheSameLibrary; skipped otherwise.
TEST(ConcurrentWriter, Child) {
    const QString role = qEnvironmentVariable("ZORVI_WRITER_ROLE");
    if (role.isEmpty())
        GTEST_SKIP() << "only runs as a writer process";
    CaptureStore store(ZorviPaths::databaseFile());
    const QString target = qEnvironmentVariable("ZORVI_WRITER_TARGET");
    for (int i = 0; i < operationsPerWriter; ++i) {
        if (role == u"captures") {
            Capture c;
            c.id = Identifiers::make();
            c.createdAt = c.updatedAt = QDateTime::currentDateTimeUtc();
            c.note = QString("capture %1").arg(i);
            store.insert(c);
        } else {
            Comment comment;
            comment.id = Identifiers::make();
            comment.captureID = target;
            comment.author = "claude-code";
            comment.isAgent = true;
            comment.body = QString("comment %1").arg(i);
            comment.createdAt = QDateTime::currentDateTimeUtc();
            store.addComment(comment);
        }
    }
}

TEST_F(StoreFixture, TwoProcessesWriteTheSameLibraryWithoutLosingAnything) {
    Capture target = newCapture("shared target");
    store->insert(target);

    std::vector<std::unique_ptr<QProcess>> writers;
    for (const QString role : {"captures", "comments"}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZORVI_WRITER_ROLE", role);
        env.insert("ZORVI_WRITER_TARGET", target.id);
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start("/proc/self/exe", {"--gtest_filter=ConcurrentWriter.Child"});
        writers.push_back(std::move(p));
    }
    // Meanwhile this process reads, as the board's poller would.
    for (int i = 0; i < 200; ++i) {
        store->changeStamp();
        store->captures(CaptureQuery{});
    }
    for (auto& p : writers) {
        ASSERT_TRUE(p->waitForFinished(240000));
        const QString output = QString::fromUtf8(p->readAll());
        EXPECT_EQ(p->exitCode(), 0) << output.toStdString();
        EXPECT_FALSE(output.contains("database is locked")) << output.toStdString();
    }
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM captures;"), operationsPerWriter + 1);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM activity WHERE kind = 'created';"), operationsPerWriter + 1);
    EXPECT_EQ(count("SELECT COUNT(*) AS n FROM comments WHERE capture_id = ?;", {target.id}), operationsPerWriter);
}

} // namespace
