#include "BoardFixture.h"

#include "board/BoardView.h"
#include "board/CaptureDetailView.h"
#include "board/CaptureListModel.h"
#include "board/DashboardViewModel.h"
#include "board/SidebarView.h"
#include "support/DesktopDriver.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTreeWidget>

namespace {

// The fixture's three captures sit behind a full page of newer ones, so the
// board loads none of them: only the store can find them.
class LargeLibraryBoard : public BoardFixture {
  protected:
    void SetUp() override {
        BoardFixture::SetUp();
        store->setTags({"regression-17"}, layout);
        const auto images = store->imagesAwaitingText(10);
        ASSERT_EQ(images.size(), 1u);
        store->recordScreenshotText(images.front(), "TypeError: cannot read properties of undefined");
        Database(ZorviPaths::databaseFile())
            .execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                     "INSERT INTO captures (id, created_at, updated_at, note, status, priority, image_path, "
                     "capture_mode) SELECT printf('%08x-0000-4000-8000-%012x', i, i), strftime('%s') + i, "
                     "strftime('%s') + i, 'Newer capture ' || i, 'open', 'normal', '', 'text' FROM n;",
                     {LibrarySnapshot::captureLimit});
        library->reload();
        ASSERT_TRUE(library->isTruncated());
        for (const Capture& loaded : library->captures())
            ASSERT_TRUE(loaded.id != crash && loaded.id != layout && loaded.id != fixed);
    }

    QListView* cards() { return window->boardView()->cards(); }
    QLineEdit* search() { return window->boardView()->searchField(); }
    QProgressBar* searching() { return window->findChild<QProgressBar*>("boardSearching"); }
    QString subtitle() { return window->findChild<QLabel*>("boardSubtitle")->text(); }

    QStringList shownIDs() {
        QStringList ids;
        for (int row = 0; row < cards()->model()->rowCount(); ++row)
            ids << cards()->model()->index(row, 0).data(CaptureListModel::IdRole).toString();
        return ids;
    }

    bool searchingShown() { return searching() && searching()->isVisible(); }

    // Waits until the board shows `expected` with no search running; true when it does.
    bool shows(const QStringList& expected) {
        return processEventsUntil([&] { return !searchingShown() && shownIDs() == expected; }, 20000);
    }

    QString detailNote() { return window->findChild<QPlainTextEdit*>("detailNote")->toPlainText(); }

    // Types at the end of the detail's tags, leaves the field; the tags it showed before.
    QString typeAfterTags(const QString& text) {
        auto* tags = window->findChild<QLineEdit*>("detailTags");
        const QString shown = tags->text();
        tags->setFocus();
        tags->end(false);
        QTest::keyClicks(tags, text);
        window->detailView()->flushEdits();
        return shown;
    }

    void clickSidebarRow(const QString& title) {
        QTreeWidget* rows = window->sidebar()->rows();
        const auto found = rows->findItems(title, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_FALSE(found.isEmpty()) << title.toStdString();
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rows->visualItemRect(found.front()).center());
    }
};

// Typed searches find captures the board never loaded, by their note, a tag
// or a word in their screenshot; a burst of keystrokes ends on the answer to
// the last one, and the board says it is searching until that answer is in.
TEST_F(LargeLibraryBoard, SearchFindsCapturesOutsideTheLoadedPage) {
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(processEventsUntil([&] { return search()->hasFocus(); }));
    DesktopDriver::type("crashes the tab");
    ASSERT_TRUE(processEventsUntil([&] { return search()->text() == "crashes the tab"; }));
    EXPECT_TRUE(shows({crash})) << shownIDs().size();
    EXPECT_EQ(subtitle(), "1 capture waiting");

    search()->setText("regression-17");
    // Asked, not yet answered: said so, and no "No matches" before the store has spoken.
    EXPECT_TRUE(searchingShown());
    EXPECT_EQ(subtitle(), "Searching the whole library…");
    EXPECT_FALSE(window->findChild<QLabel*>("emptyTitle")->isVisible());
    EXPECT_TRUE(shows({layout}));

    search()->setText("properties undefined");
    EXPECT_TRUE(shows({crash})) << "found by the text in its screenshot";

    search()->setText("no capture says this");
    EXPECT_TRUE(shows({}));
    EXPECT_TRUE(window->findChild<QLabel*>("emptyTitle")->isVisible());
}

// Sidebar filters pick from the whole library too, and a capture found that
// way opens and edits like a loaded one: its tags are its own, so adding one
// keeps the others.
TEST_F(LargeLibraryBoard, FiltersPickFromTheWholeLibraryAndAFoundCaptureEdits) {
    clickSidebarRow("Resolved");
    EXPECT_TRUE(shows({fixed}));
    clickSidebarRow("checkout");
    ASSERT_TRUE(shows({crash}));

    cards()->setFocus();
    cards()->setCurrentIndex(cards()->model()->index(0, 0));
    QTest::keyClick(cards(), Qt::Key_Return);
    ASSERT_TRUE(processEventsUntil([&] { return window->detailView()->isVisible(); }));
    EXPECT_EQ(detailNote(), "Checkout button crashes the tab");
    EXPECT_EQ(typeAfterTags(", payments"), "checkout");
    EXPECT_EQ(store->tags(crash), (QStringList{"checkout", "payments"}));
}

// Opened by its id (a zorvi:// link, a notice) while the board shows neither
// it nor a search that found it, a capture shows and edits as itself rather
// than as deleted, and keeps its tags.
TEST_F(LargeLibraryBoard, ACaptureOpenedByItsIdOutsideEveryPageShowsAndKeepsItsTags) {
    store->setTags({"pricing"}, fixed);
    library->reload();
    window->board().select(fixed);
    ASSERT_TRUE(processEventsUntil([&] { return window->detailView()->isVisible(); }));
    EXPECT_FALSE(window->findChild<QWidget*>("captureDeleted")->isVisible());
    EXPECT_EQ(detailNote(), "Typo on the pricing page");
    EXPECT_EQ(typeAfterTags(", copy"), "pricing");
    EXPECT_EQ(store->tags(fixed), (QStringList{"copy", "pricing"}));
}

} // namespace
