#include "BoardFixture.h"

#include "support/DesktopDriver.h"

#include "board/BoardView.h"
#include "board/CaptureListModel.h"
#include "board/DashboardViewModel.h"
#include "ui/Theme.h"

#include <QListView>

#include <cmath>
#include <functional>

namespace {

// The board's cards and rows as the person sees them, read back pixel by pixel.
class CardPixels : public BoardFixture {
  protected:
    QListView* cards() { return window->boardView()->cards(); }
    CaptureListModel* model() { return static_cast<CaptureListModel*>(cards()->model()); }
    QRect itemRect(const QString& id) { return cards()->visualRect(model()->indexOf(id)); }

    // The cards as they paint now, one pixel per device pixel.
    QImage painted() { return cards()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // Files another capture and waits for the board to show it.
    QString fileAndShow(const QString& note, CaptureStatus status, const std::optional<QImage>& screenshot,
                        CapturePriority priority = CapturePriority::normal) {
        const QString id = file(note, "Firefox", QDateTime::currentDateTimeUtc().addSecs(-60), status, screenshot,
                                priority);
        library->reload();
        EXPECT_TRUE(processEventsUntil([&] { return model()->indexOf(id).isValid(); }));
        return id;
    }

    // The pointer over a point of the cards, or out of the window altogether.
    void hover(const QPoint& inViewport) {
        const QPoint at = cards()->viewport()->mapToGlobal(inViewport);
        DesktopDriver::xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
    }
    void pointerAway() {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        DesktopDriver::xdotool({"mousemove", QString::number(screen.right()), QString::number(screen.bottom())});
    }

    static QImage plain(const QColor& colour) {
        QImage shot(640, 400, QImage::Format_RGB32);
        shot.fill(colour);
        return shot;
    }

    // The smallest rectangle holding every pixel of `area` that `wanted` picks.
    static QRect pixelsWhere(const QImage& image, const QRect& area, const std::function<bool(QColor)>& wanted) {
        QRect found;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (wanted(image.pixelColor(x, y)))
                    found |= QRect(x, y, 1, 1);
        return found;
    }

    static int distance(const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    }

    static std::function<bool(QColor)> near(const QColor& colour, int within = 40) {
        return [=](const QColor& c) { return distance(c, colour) <= within; };
    }
};

// Hovered, a card offers its trash in the picture's top corner, away from
// the middle and the note where a click opens it, and that trash deletes the
// card it is drawn on; a click on the picture opens the card.
TEST_F(CardPixels, TheTrashWaitsInThePicturesTopCornerAndAClickElsewhereOpensTheCard) {
    const QColor blue("#3050a0"), yellow("#f0c020");
    pointerAway();
    QRect card = itemRect(crash);
    const QPoint inPicture(card.right() - 20, card.top() + 100);
    ASSERT_TRUE(processEventsUntil([&] { return near(blue)(painted().pixelColor(inPicture)); }))
        << "the card's picture is shown";
    hover(card.center());
    const QColor trashTint = Theme::shared().color(Theme::Color::priorityHigh);
    QRect trash;
    ASSERT_TRUE(processEventsUntil([&] {
        trash = pixelsWhere(painted(), card, near(trashTint, 60));
        return !trash.isEmpty();
    })) << "hovered, the card shows its trash";
    const QRect picture = pixelsWhere(painted(), card, [&](QColor c) { return near(blue)(c) || near(yellow)(c); });
    EXPECT_LT(trash.center().y(), picture.top() + picture.height() / 3)
        << "trash at " << trash.center().y() << " in a picture from " << picture.top() << " to " << picture.bottom();
    EXPECT_GT(trash.center().x(), picture.center().x());

    // The same place on another card deletes that one, and only that one.
    const QPoint trashOnCard = trash.center() - card.topLeft();
    const QRect other = itemRect(layout);
    hover(other.center());
    DesktopDriver::click(cards()->viewport()->mapToGlobal(other.topLeft() + trashOnCard));
    ASSERT_TRUE(processEventsUntil([&] { return !stored(layout).has_value(); }));
    EXPECT_TRUE(stored(crash).has_value());

    ASSERT_TRUE(processEventsUntil([&] { return itemRect(crash) != card; })) << "the grid closes up";
    card = itemRect(crash);
    DesktopDriver::click(cards()->viewport()->mapToGlobal(QPoint(card.center().x(), card.top() + 70)));
    ASSERT_TRUE(processEventsUntil([&] { return window->board().selectedCaptureID() == crash; }));
    EXPECT_TRUE(stored(crash).has_value());
}

// The status and priority badges sit on a backdrop of their own: over any
// screenshot they look the same, and over one of their backdrop's very colour
// their edge still shows. The picture keeps inside the card's rounded corners.
TEST_F(CardPixels, BadgesKeepTheirBackdropOverAnyScreenshotAndPicturesKeepToTheRoundedCorners) {
    pointerAway();
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        Theme::shared().setForcedDark(dark);
        const QColor backdrop = Theme::color(Theme::Color::surfaceRaised, dark);
        const QString same = fileAndShow("Badge over its own colour", CaptureStatus::open, plain(backdrop),
                                         CapturePriority::high);
        const QString black = fileAndShow("Badge over black", CaptureStatus::open, plain(Qt::black),
                                          CapturePriority::high);
        const QString white = fileAndShow("Badge over white", CaptureStatus::open, plain(Qt::white),
                                          CapturePriority::high);
        // Laid out for good (a scroll bar coming narrows every card) and painted with their pictures.
        QRect overBlack, overWhite, overSame;
        QImage shown;
        ASSERT_TRUE(processEventsUntil([&] {
            const QRect nowBlack = itemRect(black), nowWhite = itemRect(white), nowSame = itemRect(same);
            const bool settled = nowBlack == overBlack && nowWhite == overWhite && nowSame == overSame;
            overBlack = nowBlack, overWhite = nowWhite, overSame = nowSame;
            shown = painted();
            return settled && shown.pixelColor(overBlack.center().x(), overBlack.top() + 100) == QColor(Qt::black) &&
                   shown.pixelColor(overWhite.center().x(), overWhite.top() + 100) == QColor(Qt::white);
        })) << "the pictures are shown";

        // The words sit on the same pixels over black and over white.
        const QRect top = overWhite.adjusted(0, 0, 0, -overWhite.height() / 2);
        const QRect status = pixelsWhere(shown, top, near(Theme::shared().statusColor(CaptureStatus::open), 60));
        const QRect priority = pixelsWhere(shown, top, near(Theme::color(Theme::Color::priorityHigh, dark), 60));
        ASSERT_FALSE(status.isEmpty());
        ASSERT_FALSE(priority.isEmpty());
        const QPoint toBlack = overBlack.topLeft() - overWhite.topLeft();
        for (const QRect& words : {status, priority})
            EXPECT_EQ(shown.copy(words), shown.copy(words.translated(toBlack))) << "the same over black and white";

        // Over their own colour the badges' edges still show: between the two, and after the second.
        const QPoint toSame = overSame.topLeft() - overWhite.topLeft();
        const int y = status.center().y() + toSame.y();
        const auto edgeBetween = [&](int from, int to) {
            const QRect span(from + toSame.x(), y, to - from + 1, 1);
            return !pixelsWhere(shown, span, [&](QColor c) { return distance(c, backdrop) >= 30; }).isEmpty();
        };
        // Three pixels clear of the words, whose softened edges reach one.
        EXPECT_TRUE(edgeBetween(status.right() + 3, priority.left() - 3));
        EXPECT_TRUE(edgeBetween(priority.right() + 3, overWhite.right() - 8));

        // Outside the card's rounded corners, the board; never the picture.
        for (const QPoint& corner : {overBlack.topLeft() + QPoint(6, 6), overBlack.topRight() + QPoint(-8, 6)})
            EXPECT_TRUE(pixelsWhere(shown, QRect(corner, QSize(3, 3)), near(Qt::black, 30)).isEmpty())
                << "picture in the corner at " << corner.x() << "," << corner.y();
    }
    Theme::shared().setForcedDark(std::nullopt);
}

// In the list, notes and tags start at the same place on every row whatever
// its status and priority say; a row without tags gives its note their room.
TEST_F(CardPixels, ListColumnsLineUpWhateverTheBadgesSay) {
    pointerAway();
    const QString high = fileAndShow("High and open", CaptureStatus::open, std::nullopt, CapturePriority::high);
    store->setTags({"checkout", "ui"}, high);
    library->reload();
    window->board().setLayout(LayoutMode::list);
    ASSERT_TRUE(processEventsUntil([&] { return itemRect(high).height() < 100 && itemRect(layout).height() < 100; }));
    QImage shown;
    ASSERT_TRUE(processEventsUntil([&] {
        shown = painted();
        return !pixelsWhere(shown, itemRect(crash), near(QColor("#3050a0"))).isEmpty();
    })) << "the rows are painted, thumbnail and all";

    // Past the thumbnail, the note is the first ink of the text colour; the tags are the chips after it.
    const QColor ink = Theme::color(Theme::Color::textPrimary, false);
    const QColor chip = Theme::color(Theme::Color::surfaceSunken, false);
    const auto note = [&](const QString& id) {
        return pixelsWhere(shown, itemRect(id).adjusted(80, 0, 0, 0), near(ink, 60));
    };
    const auto tagsStart = [&](const QString& id) {
        const QRect row = itemRect(id);
        return pixelsWhere(shown, QRect(QPoint(note(id).right() + 1, row.top()), row.bottomRight()), near(chip, 6))
            .left();
    };
    // Within a pixel: letters differ in how far they sit from their start.
    EXPECT_NEAR(note(crash).left(), note(layout).left(), 1) << "Open against In Progress";
    EXPECT_NEAR(note(crash).left(), note(high).left(), 1) << "without and with a priority";
    EXPECT_EQ(tagsStart(crash), tagsStart(high));

    QFont bold = cards()->font();
    bold.setPixelSize(13);
    bold.setBold(true);
    const int whole = QFontMetrics(bold).horizontalAdvance("Sidebar overlaps the footer");
    EXPECT_GE(note(layout).width(), whole - 4) << "the tagless row's note is cut short";
}

// Ages on the cards move on by themselves: what the screen shows of a capture
// filed just under a minute ago changes with nothing else happening.
TEST_F(CardPixels, RelativeTimesMoveOnWithNothingElseHappening) {
    pointerAway();
    const QString id = file("Filed a minute ago", "Firefox", QDateTime::currentDateTimeUtc().addSecs(-57),
                            CaptureStatus::open);
    library->reload();
    ASSERT_TRUE(processEventsUntil([&] { return model()->indexOf(id).isValid(); }));
    // The card as the X server shows it, not as it would paint if asked now.
    const auto onScreen = [&] {
        const QRect card = itemRect(id);
        const QPoint at = cards()->viewport()->mapTo(window.get(), card.topLeft());
        return window->screen()->grabWindow(window->winId(), at.x(), at.y(), card.width(), card.height()).toImage();
    };
    QImage before;
    ASSERT_TRUE(processEventsUntil([&] {
        const QImage now = onScreen();
        const bool settled = !now.isNull() && now == before;
        before = now;
        return settled;
    }));
    EXPECT_TRUE(processEventsUntil([&] { return onScreen() != before; }, 10000)) << "the age never moved on";
}

} // namespace
