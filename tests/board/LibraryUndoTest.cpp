// Taking back the board's own actions, and the files a delete keeps for it.
#include "../store/StoreFixture.h"

#include "library/Library.h"
#include "support/QtEventLoop.h"

#include <QFile>

namespace {

class LibraryUndoTest : public StoreFixture {
protected:
    void SetUp() override {
        ensureQtApplication();
        StoreFixture::SetUp();
    }

    // A capture with one screenshot whose files exist.
    Capture fileWithImage(Library& library, const QString& note) {
        const Capture c = newCapture(note);
        const CaptureImage image = newImage(c.id, 0);
        touchFiles(image);
        EXPECT_TRUE(library.add(c, {}, {image}));
        files_ = {ZorviPaths::imageFile(image.imagePath), ZorviPaths::thumbFile(*image.thumbPath)};
        return c;
    }
    bool filesExist() const {
        return std::all_of(files_.begin(), files_.end(), [](const QString& f) { return QFile::exists(f); });
    }
    bool filesGone() const {
        return std::none_of(files_.begin(), files_.end(), [](const QString& f) { return QFile::exists(f); });
    }

    QStringList files_;
};

TEST_F(LibraryUndoTest, ADeletedCaptureComesBackWithItsFilesUntilTheUndoLapses) {
    Library library(*store);
    UndoHistory& history = library.undoHistory();
    EXPECT_FALSE(history.canUndo()) << "nothing to undo yet";
    const Capture c = fileWithImage(library, "dropdown renders off screen");

    ASSERT_TRUE(library.remove(c.id));
    EXPECT_FALSE(store->capture(c.id).has_value());
    EXPECT_TRUE(filesExist()) << "the files wait for the Undo";
    EXPECT_EQ(history.nextTitle(), "Delete Capture");

    ASSERT_TRUE(history.undo());
    ASSERT_TRUE(store->capture(c.id).has_value());
    EXPECT_EQ(library.captures().size(), 1u);
    EXPECT_EQ(store->images(c.id).size(), 1u);
    EXPECT_TRUE(filesExist());
    EXPECT_FALSE(history.canUndo()) << "undoing added no step of its own";

    // Deleted again; once the Undo lapses the files go.
    ASSERT_TRUE(library.remove(c.id));
    history.finishAll();
    EXPECT_TRUE(filesGone());
    EXPECT_FALSE(history.canUndo());
}

TEST_F(LibraryUndoTest, StatusGroupAndGroupDeletesAreTakenBackNewestFirst) {
    Library library(*store);
    UndoHistory& history = library.undoHistory();
    const Capture c = newCapture("export button does nothing");
    ASSERT_TRUE(library.add(c, {}, {}));
    const std::optional<CaptureGroup> group = library.createGroup("Exports");
    ASSERT_TRUE(group);

    ASSERT_TRUE(library.setStatus(CaptureStatus::resolved, c.id));
    Capture moved = *store->capture(c.id);
    moved.groupID = group->id;
    ASSERT_TRUE(library.update(moved));
    ASSERT_TRUE(library.deleteGroup(group->id));
    EXPECT_FALSE(library.group(group->id).has_value());

    EXPECT_EQ(history.nextTitle(), "Delete Group");
    ASSERT_TRUE(history.undo());
    EXPECT_TRUE(library.group(group->id).has_value());
    EXPECT_EQ(history.nextTitle(), "Move to Group");
    ASSERT_TRUE(history.undo());
    EXPECT_FALSE(store->capture(c.id)->groupID.has_value());
    EXPECT_EQ(store->capture(c.id)->status, CaptureStatus::resolved) << "one step at a time";
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(store->capture(c.id)->status, CaptureStatus::open);
    EXPECT_FALSE(history.undo()) << "nothing left";
}

TEST_F(LibraryUndoTest, ACrashBeforeTheUndoLapsedLeavesFilesTheNextLaunchSweeps) {
    QStringList kept;
    {
        Library library(*store);
        const Capture c = fileWithImage(library, "tooltip flickers");
        ASSERT_TRUE(library.remove(c.id));
        kept = files_;
    }
    // The Library's destructor finished the step; put the files back as a killed app leaves them.
    for (const QString& path : kept) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(store->sweepFilesOfDeleted(), 1);
    EXPECT_TRUE(filesGone());
}

} // namespace
