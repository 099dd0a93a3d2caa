#include "../store/StoreFixture.h"

#include "library/Library.h"
#include "store/StoreChangeSignal.h"
#include "store/SyncLedger.h"
#include "support/QtEventLoop.h"
#include "support/QueuedCallWatch.h"

#include <QDBusConnection>
#include <QFile>
#include <QImage>

namespace {

class LibraryTest : public StoreFixture {
protected:
    void SetUp() override {
        ensureQtApplication();
        StoreFixture::SetUp();
    }
};

TEST_F(LibraryTest, ReloadsWhenAnotherWriterChangesTheLibrary) {
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "the test runs on its own session bus";
    QueuedCallWatch<LibraryReader> readsAnswered;
    Library library(*store);
    int reloads = 0;
    QObject::connect(&library, &Library::changed, [&] { ++reloads; });
    EXPECT_TRUE(library.captures().empty());

    // Another connection, as zorvi-mcp would have: its write posts the change signal.
    CaptureStore other(ZorviPaths::databaseFile());
    const Capture first = newCapture("from the agent");
    other.insert(first);
    ASSERT_TRUE(processEventsUntil([&] { return library.captures().size() == 1; }, 2000))
        << "the change signal reloads at once";
    EXPECT_EQ(library.captures().front().note, "from the agent");
    EXPECT_EQ(library.counts().value(CaptureStatus::open), 1);

    // A write that posts nothing is caught by the stamp poll.
    sql().execute("UPDATE captures SET note = 'edited quietly', updated_at = updated_at + 1 WHERE id = ?;",
                  {first.id});
    const int before = reloads;
    ASSERT_TRUE(processEventsUntil([&] { return library.captures().front().note == "edited quietly"; },
                                   Library::pollIntervalMs * 2))
        << "the poll reloads within one interval";
    EXPECT_EQ(reloads, before + 1);

    // Signals that change nothing the stamp sees cause no reload: once the
    // signal's read has answered, a reload would have happened.
    const int answered = readsAnswered.delivered();
    StoreChangeSignal::post();
    ASSERT_TRUE(processEventsUntil([&] { return readsAnswered.delivered() > answered; }))
        << "the signal came back and was read";
    EXPECT_EQ(reloads, before + 1);
}

TEST_F(LibraryTest, AnotherWritersChangeReadInTheBackgroundNeverUndoesALocalEdit) {
    Library library(*store);
    CaptureStore other(ZorviPaths::databaseFile());
    const Capture capture = newCapture("from the agent");
    other.insert(capture);
    ASSERT_TRUE(processEventsUntil([&] { return library.captures().size() == 1; }, 2000));

    QueuedCallWatch<LibraryReader> readsAnswered;
    for (int round = 0; round < 5; ++round) {
        // A background read runs to the end; the edit below lands the moment
        // its answer arrives, so the answer is older than what the edit's own
        // reload has shown already: it is dropped.
        sql().execute("UPDATE captures SET note = ?, updated_at = updated_at + 1 WHERE id = ?;",
                      {QString("agent round %1").arg(round), capture.id});
        const CaptureStatus wanted = round % 2 ? CaptureStatus::open : CaptureStatus::inProgress;
        std::vector<CaptureStatus> shown;
        QMetaObject::Connection watch;
        readsAnswered.beforeNext([&] {
            ASSERT_TRUE(library.setStatus(wanted, capture.id));
            watch = QObject::connect(&library, &Library::changed,
                                     [&] { shown.push_back(library.captures().front().status); });
        });
        const int answered = readsAnswered.delivered();
        QMetaObject::invokeMethod(&library, "reloadIfStampMoved", Qt::DirectConnection);
        ASSERT_TRUE(processEventsUntil([&] { return readsAnswered.delivered() > answered; }));
        QObject::disconnect(watch);
        for (CaptureStatus status : shown)
            ASSERT_EQ(status, wanted) << "round " << round << ": the board went back to an older copy";
        EXPECT_EQ(library.captures().front().status, wanted);
        EXPECT_EQ(library.captures().front().note, QString("agent round %1").arg(round));
    }
}

TEST_F(LibraryTest, OperationsReloadAndNoteTheLocalChangeOnlyWhenTheyCommit) {
    Library library(*store);
    int localChanges = 0;
    library.setLocalChangeHandler([&] { ++localChanges; });

    // A capture filed with tags and a screenshot.
    Capture region = newCapture("region");
    const CaptureImage shot = newImage(region.id);
    touchFiles(shot);
    ASSERT_TRUE(library.add(region, {"ui", "login"}, {shot}));
    EXPECT_EQ(localChanges, 1);
    ASSERT_EQ(library.captures().size(), 1u);
    EXPECT_EQ(library.tagsByCapture().value(region.id), (QStringList{"login", "ui"}));
    EXPECT_EQ(library.imageCounts().value(region.id), 1);
    EXPECT_EQ(library.openCount(), 1);

    // A screenshot added to a note-only capture makes it a screenshot capture; a region capture keeps its mode.
    Capture note = newCapture("note only");
    note.captureMode = CaptureMode::text;
    ASSERT_TRUE(library.add(note, {}, {}));
    QImage pixels(40, 30, QImage::Format_RGB32);
    pixels.fill(Qt::red);
    ASSERT_TRUE(library.addImage(pixels, note.id, CaptureMode::fullscreen));
    EXPECT_EQ(store->capture(note.id)->captureMode, CaptureMode::fullscreen);
    const std::vector<CaptureImage> added = store->images(note.id);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added.front().width, 40);
    EXPECT_TRUE(QFile::exists(ZorviPaths::imageFile(added.front().imagePath)));
    ASSERT_TRUE(library.addImage(pixels, region.id, CaptureMode::fullscreen));
    EXPECT_EQ(store->capture(region.id)->captureMode, CaptureMode::region);
    EXPECT_EQ(store->images(region.id).size(), 2u);
    EXPECT_EQ(library.imageCounts().value(region.id), 2);
    EXPECT_EQ(localChanges, 4);

    // A failing write: the error is published, nothing reloads, sync is not told.
    sql().executeRaw("CREATE TRIGGER refuse BEFORE INSERT ON activity BEGIN SELECT RAISE(ABORT, 'disk says no'); END;");
    int published = 0;
    QObject::connect(&library, &Library::changed, [&] { ++published; });
    EXPECT_FALSE(library.setStatus(CaptureStatus::resolved, region.id));
    ASSERT_TRUE(library.loadError().has_value());
    // Worded for people: the engine's own message stays in the log.
    EXPECT_FALSE(library.loadError()->contains("disk says no")) << library.loadError()->toStdString();
    EXPECT_EQ(published, 1) << "the error is announced";
    EXPECT_EQ(localChanges, 4);
    EXPECT_EQ(library.openCount(), 2);

    // A capture whose screenshot can't be added is not filed at all.
    Capture broken = newCapture("half");
    CaptureImage clash = newImage(broken.id);
    clash.id = shot.id;
    EXPECT_FALSE(library.add(broken, {"x"}, {clash}));
    EXPECT_FALSE(store->capture(broken.id).has_value());

    // The next successful operation clears it.
    sql().executeRaw("DROP TRIGGER refuse;");
    EXPECT_TRUE(library.setStatus(CaptureStatus::resolved, region.id));
    EXPECT_FALSE(library.loadError().has_value());
    EXPECT_EQ(library.openCount(), 1);
    EXPECT_EQ(localChanges, 5);

    // A failing load keeps what was loaded before it and reports why.
    sql().executeRaw("ALTER TABLE comments RENAME TO comments_away;");
    library.reload();
    EXPECT_TRUE(library.loadError().has_value());
    EXPECT_EQ(library.captures().size(), 2u);
    sql().executeRaw("ALTER TABLE comments_away RENAME TO comments;");
    library.reload();
    EXPECT_FALSE(library.loadError().has_value());

    // Deleting takes the capture away; its files follow once the Undo lapses.
    const QString original = ZorviPaths::imageFile(added.front().imagePath);
    QStringList evicted;
    library.setThumbnailEviction([&](const QString& path) { evicted << path; });
    ASSERT_TRUE(library.remove(note.id));
    EXPECT_EQ(library.captures().size(), 1u);
    EXPECT_FALSE(evicted.isEmpty());
    library.undoHistory().finishAll();
    EXPECT_FALSE(QFile::exists(original));
}

TEST_F(LibraryTest, OwnershipFollowsTheSignedInUser) {
    Capture local = newCapture("made before sign-in");
    Capture mine = newCapture("mine");
    mine.authorID = "u1";
    mine.assigneeID = "u1";
    Capture done = newCapture("done");
    done.authorID = "u2";
    done.assigneeID = "u1";
    done.status = CaptureStatus::resolved;
    for (const Capture& c : {local, mine, done})
        store->insert(c);

    Library signedOut(*store);
    EXPECT_TRUE(signedOut.isMine(local));
    EXPECT_FALSE(signedOut.isMine(mine));
    EXPECT_EQ(signedOut.assignedToMeCount(), 0);

    SyncLedger(*store).setSyncMeta("user_id", QString("u1"));
    Library signedIn(*store);
    EXPECT_TRUE(signedIn.isMine(mine));
    EXPECT_FALSE(signedIn.isMine(done));
    EXPECT_EQ(signedIn.assignedToMeCount(), 1) << "resolved captures are not counted";
}

} // namespace
