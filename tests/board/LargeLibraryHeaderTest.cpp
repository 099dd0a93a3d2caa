#include "../store/StoreFixture.h"

#include "board/DashboardViewModel.h"
#include "library/Library.h"
#include "support/QtEventLoop.h"

namespace {

class LargeLibraryHeaderTest : public StoreFixture {
protected:
    void SetUp() override {
        ensureQtApplication();
        StoreFixture::SetUp();
    }
};

// More open captures than the board loads: the inbox's header counts them
// all, as the sidebar does, instead of the loaded page.
TEST_F(LargeLibraryHeaderTest, TheInboxHeaderCountsTheWholeLibrary) {
    const int open = LibrarySnapshot::captureLimit + 205;
    sql().execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                  "INSERT INTO captures (id, created_at, updated_at, note, status, priority, image_path, capture_mode) "
                  "SELECT printf('%08x-0000-4000-8000-%012x', i, i), 1700000000 + i, 1700000000 + i, 'Bug ' || i, "
                  "'open', CASE WHEN i <= 3 THEN 'high' ELSE 'normal' END, '', 'text' FROM n;",
                  {open});
    Library library(*store);
    DashboardViewModel board(library);
    ASSERT_TRUE(library.isTruncated());
    EXPECT_EQ(board.count(LibraryFilter::inbox()), open);
    EXPECT_EQ(board.subtitle(), QString("%1 captures waiting · 3 high priority").arg(open));
}

} // namespace
