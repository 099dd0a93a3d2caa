#include "BoardFixture.h"

#include "support/DesktopDriver.h"

#include "board/BoardView.h"
#include "board/CaptureCardDelegate.h"
#include "board/CaptureDetailView.h"
#include "board/CaptureListModel.h"
#include "board/DashboardViewModel.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QScreen>

namespace {

class BoardWindow : public BoardFixture {
  protected:
    QListView* cards() { return window->boardView()->cards(); }
    CaptureListModel* model() { return static_cast<CaptureListModel*>(cards()->model()); }

    // The point of the card's area in desktop coordinates, for xdotool.
    QPoint onScreen(const QPoint& inViewport) { return cards()->viewport()->mapToGlobal(inViewport); }

    bool detailShown() { return window->detailView()->isVisible(); }

    // The window as the window manager frames it, once it has settled there.
    QRect shownFrame(QWidget* w) {
        QRect frame;
        processEventsUntil([&] {
            const QRect now = w->frameGeometry();
            const bool settled = w->isVisible() && now == frame && now.size() != w->geometry().size();
            frame = now;
            return settled;
        });
        return frame;
    }

    void reopen() {
        window->close();
        window = std::make_unique<DashboardWindow>(*library);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
};

TEST_F(BoardWindow, OpensFullyOnScreenRemembersItsSortAndKeepsItsWidthForADetail) {
    // Left hanging off the bottom right corner (a monitor since unplugged, say).
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    window->move(available.right() - 300, available.bottom() - 200);
    ASSERT_TRUE(processEventsUntil([&] { return window->pos().x() > available.right() - 400; }));
    window->board().setSort(SortOrder::priority);
    ASSERT_NO_FATAL_FAILURE(reopen());
    const QRect frame = shownFrame(window.get());
    EXPECT_TRUE(available.contains(frame)) << "frame at " << frame.x() << "," << frame.y() << " " << frame.width()
                                           << "x" << frame.height();
    EXPECT_EQ(window->board().sort(), SortOrder::priority) << "the sort comes back";

    // A narrow board stays as wide when a capture's detail takes its place.
    window->resize(820, 640);
    ASSERT_TRUE(processEventsUntil([&] { return window->width() == 820; }));
    window->board().select(crash);
    ASSERT_TRUE(processEventsUntil([&] { return detailShown(); }));
    processEventsUntil([&] { return window->width() != 820; }, 500);
    EXPECT_EQ(window->width(), 820);
}

// The hover ✓ resolves; the card stays closed, though it leaves the inbox under the pointer.
TEST_F(BoardWindow, TheResolveButtonResolvesWithoutOpeningTheCard) {
    const QModelIndex index = model()->indexOf(crash);
    ASSERT_TRUE(index.isValid());
    auto* delegate = qobject_cast<CaptureCardDelegate*>(cards()->itemDelegate());
    const std::optional<QRect> button = delegate->resolveButton(cards()->visualRect(index), *model()->capture(index));
    ASSERT_TRUE(button);
    const QPoint at = onScreen(button->center());
    DesktopDriver::xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
    DesktopDriver::click(at);
    ASSERT_TRUE(processEventsUntil([&] { return stored(crash)->status == CaptureStatus::resolved; }));
    processEventsUntil([&] { return detailShown(); }, 500);
    EXPECT_FALSE(detailShown());
    EXPECT_FALSE(window->board().selectedCaptureID().has_value());
}

// With the keyboard alone: the list shows where it is, Enter opens that row, Esc empties the search.
TEST_F(BoardWindow, KeyboardAloneOpensAListRowAndEscClearsTheSearch) {
    window->board().setLayout(LayoutMode::list);
    QLineEdit* search = window->boardView()->searchField();
    DesktopDriver::key("ctrl+f");
    ASSERT_TRUE(processEventsUntil([&] { return search->hasFocus(); }));
    DesktopDriver::type("sidebar");
    ASSERT_TRUE(processEventsUntil([&] { return model()->rowCount() == 1; }));
    DesktopDriver::key("Escape");
    ASSERT_TRUE(processEventsUntil([&] { return search->text().isEmpty(); })) << "Esc clears the search";
    EXPECT_EQ(model()->rowCount(), 2);

    DesktopDriver::key("Escape");
    ASSERT_TRUE(processEventsUntil([&] { return cards()->hasFocus(); })) << "a second Esc goes back to the cards";
    DesktopDriver::key("Down");
    ASSERT_TRUE(processEventsUntil([&] { return cards()->currentIndex().row() == 1; }));
    const QImage shown = cards()->viewport()->grab().toImage();
    const QRect row = cards()->visualRect(cards()->currentIndex());
    const QRect other = cards()->visualRect(model()->index(0));
    // The focused row is marked at its left edge, plainly: not a shade lighter or darker.
    const auto edge = [&](const QRect& r) { return shown.pixelColor(r.left() + 1, r.center().y()).lightness(); };
    EXPECT_GT(std::abs(edge(row) - edge(other)), 40) << edge(row) << " against " << edge(other);
    DesktopDriver::key("Return");
    ASSERT_TRUE(processEventsUntil([&] { return detailShown(); }));
    EXPECT_EQ(window->board().selectedCaptureID(), crash);
}

} // namespace
