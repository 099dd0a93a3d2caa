#include "BoardFixture.h"

#include "support/DesktopDriver.h"

#include "board/BoardView.h"
#include "board/CaptureCardDelegate.h"
#include "board/CaptureDetailView.h"
#include "board/CaptureListModel.h"
#include "board/DashboardViewModel.h"
#include "board/SidebarView.h"
#include "ui/Theme.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QTreeWidget>

#include <cmath>

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

// WCAG's contrast ratio of two colours: 4.5 and above reads as body text.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A wide window is filled with cards, and the sidebar's selected row reads in dark.
TEST_F(BoardWindow, AWideGridIsFilledAndTheSelectedSidebarRowReadsInDark) {
    Theme::shared().setForcedDark(true);
    const QPalette rows = window->sidebar()->rows()->palette();
    EXPECT_GE(contrast(rows.color(QPalette::Active, QPalette::Highlight),
                       rows.color(QPalette::Active, QPalette::HighlightedText)),
              4.5);
    Theme::shared().setForcedDark(std::nullopt);

    window->resize(1700, 800);
    ASSERT_TRUE(processEventsUntil([&] { return cards()->viewport()->width() > 1300; }));
    const auto gap = [&] {
        const int room = cards()->viewport()->width();
        const int cell = cards()->gridSize().width();
        return cell > 0 ? room - (room / cell) * cell : room;
    };
    ASSERT_TRUE(processEventsUntil([&] { return gap() < 8; })) << "an empty strip of " << gap() << " px";
}

// The detail pane: the comment field stays where it is as comments and
// history grow, the filmstrip isn't a white strip, and signed out the
// assignee list says why it is empty.
TEST_F(BoardWindow, TheDetailPaneKeepsItsCommentFieldStillAndExplainsTheEmptyAssignees) {
    window->board().select(crash);
    ASSERT_TRUE(processEventsUntil([&] { return detailShown(); }));
    auto* field = window->detailView()->findChild<QLineEdit*>("newComment");
    const auto fieldTop = [&] { return field->mapTo(window.get(), QPoint(0, 0)).y(); };
    // Where it is once the detail has been laid out (two looks in a row agree).
    const auto settledTop = [&] {
        int last = -1;
        processEventsUntil([&] {
            const int now = fieldTop();
            const bool same = field->isVisible() && now == last;
            last = now;
            return same;
        });
        return last;
    };
    const int before = settledTop();
    for (const char* body : {"Seen on Firefox 128 too", "Started after the payment form change", "Fixed?"})
        ASSERT_TRUE(library->addComment(body, crash));
    ASSERT_TRUE(processEventsUntil([&] {
        for (QLabel* label : window->detailView()->findChildren<QLabel*>())
            if (label->text().startsWith("Comments (3)"))
                return true;
        return false;
    }));
    // Laid out again once the comments are in: the field is where it was.
    EXPECT_EQ(settledTop(), before);

    auto* hint = window->detailView()->findChild<QLabel*>("assigneeHint");
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());

    auto* strip = window->detailView()->findChild<QWidget*>("filmstrip");
    ASSERT_TRUE(strip && strip->isVisible());
    const QImage shown = strip->grab().toImage();
    EXPECT_NE(shown.pixelColor(shown.width() - 4, shown.height() / 2), QColor(Qt::white));
}

} // namespace
