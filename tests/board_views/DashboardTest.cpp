#include "BoardFixture.h"

#include "board/BoardView.h"
#include "board/CaptureDetailView.h"
#include "board/CaptureListModel.h"
#include "board/DashboardViewModel.h"
#include "board/SidebarView.h"
#include "board/ThumbnailLoader.h"
#include "markup/Annotation.h"
#include "settings/Preferences.h"
#include "store/RemoteApplier.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTreeWidget>

namespace {

class Dashboard : public BoardFixture {
  protected:
    QListView* cards() { return window->boardView()->cards(); }

    QStringList shownIDs() {
        QStringList ids;
        for (int row = 0; row < cards()->model()->rowCount(); ++row)
            ids << cards()->model()->index(row, 0).data(CaptureListModel::IdRole).toString();
        return ids;
    }

    void clickSidebarRow(const QString& title) {
        QTreeWidget* rows = window->sidebar()->rows();
        const auto found = rows->findItems(title, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << title.toStdString();
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rows->visualItemRect(found.front()).center());
    }

    QString label(const char* name) { return window->findChild<QLabel*>(name)->text(); }

    void selectCard(const QString& id) {
        cards()->setFocus();
        const auto* model = static_cast<CaptureListModel*>(cards()->model());
        cards()->setCurrentIndex(model->indexOf(id));
    }

    bool detailShown() { return window->detailView()->isVisible(); }
};

TEST_F(Dashboard, SidebarFiltersAndToolbarSearchDecideTheCards) {
    EXPECT_EQ(label("boardTitle"), "Inbox");
    EXPECT_EQ(label("boardSubtitle"), "2 captures waiting");
    EXPECT_EQ(shownIDs(), (QStringList{layout, crash}));

    clickSidebarRow("Resolved");
    EXPECT_EQ(label("boardTitle"), "Resolved");
    EXPECT_EQ(shownIDs(), QStringList{fixed});

    clickSidebarRow("All Captures");
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    QLineEdit* search = window->boardView()->searchField();
    ASSERT_TRUE(search->hasFocus());
    // The tag is found though the note does not mention it.
    QTest::keyClicks(search, "CHECKOUT");
    EXPECT_EQ(shownIDs(), QStringList{crash});
    search->clear();
    QTest::keyClicks(search, "firefox");
    EXPECT_EQ(shownIDs(), (QStringList{fixed, crash}));
    QTest::keyClicks(search, " nightly");
    EXPECT_TRUE(shownIDs().isEmpty());
    EXPECT_TRUE(window->findChild<QLabel*>("emptyTitle")->isVisible());
    EXPECT_EQ(label("emptyTitle"), "No matches");
}

TEST_F(Dashboard, DetailEditsReachTheLibraryAndMoveTheCard) {
    RemoteApplier(*store).upsertPerson(Person{"u-ada", "Ada", std::nullopt, std::nullopt, "person"});
    RemoteApplier(*store).upsertPerson(Person{"u-bot", "Triage", std::nullopt, std::nullopt, "bot"});
    library->reload();
    selectCard(crash);
    QTest::keyClick(cards(), Qt::Key_Return);
    ASSERT_TRUE(detailShown());

    // Status through the keyboard: Open, In Progress, Resolved.
    auto* status = window->findChild<QComboBox*>("detailStatus");
    status->setFocus();
    QTest::keyClick(status, Qt::Key_Down);
    QTest::keyClick(status, Qt::Key_Down);
    EXPECT_EQ(stored(crash)->status, CaptureStatus::resolved);

    // Assignee like the other pickers: people first, bots marked; a member who left still shows.
    auto* assignee = window->findChild<QComboBox*>("detailAssignee");
    EXPECT_EQ(assignee->currentText(), "Unassigned");
    assignee->setFocus();
    QTest::keyClick(assignee, Qt::Key_Down);
    EXPECT_EQ(stored(crash)->assigneeID, "u-ada");
    QTest::keyClick(assignee, Qt::Key_Down);
    EXPECT_EQ(stored(crash)->assigneeID, "u-bot");
    EXPECT_EQ(assignee->currentText(), "Triage (bot)");
    ASSERT_TRUE(library->assign(QString("u-gone"), crash));
    EXPECT_EQ(assignee->currentText(), "u-gone");
    QTest::keyClick(assignee, Qt::Key_Home);
    EXPECT_FALSE(stored(crash)->assigneeID.has_value());

    auto* comment = window->findChild<QLineEdit*>("newComment");
    QTest::keyClicks(comment, "   ");
    QTest::keyClick(comment, Qt::Key_Return);
    EXPECT_TRUE(store->comments(crash).empty());
    comment->clear();
    QTest::keyClicks(comment, "Reproduced on build 124");
    QTest::keyClick(comment, Qt::Key_Return);
    ASSERT_EQ(store->comments(crash).size(), 1u);
    EXPECT_EQ(store->comments(crash).front().body, "Reproduced on build 124");
    EXPECT_TRUE(comment->text().isEmpty());

    // The note saves by itself a moment after the last keystroke, as typed.
    auto* note = window->findChild<QPlainTextEdit*>("detailNote");
    note->setFocus();
    note->moveCursor(QTextCursor::End);
    QTest::keyClicks(note, " after paying");
    EXPECT_EQ(stored(crash)->note, "Checkout button crashes the tab");
    EXPECT_TRUE(
        processEventsUntil([&] { return stored(crash)->note == "Checkout button crashes the tab after paying"; }));

    auto* tags = window->findChild<QLineEdit*>("detailTags");
    tags->clear();
    QTest::keyClicks(tags, "Checkout, UI, ,  Urgent ");
    QTest::keyClick(tags, Qt::Key_Return);
    EXPECT_EQ(store->tags(crash), (QStringList{"checkout", "ui", "urgent"}));

    // Back on the board, the resolved capture has left the inbox.
    QTest::keyClick(note, Qt::Key_Escape);
    EXPECT_FALSE(detailShown());
    EXPECT_EQ(shownIDs(), QStringList{layout});
    clickSidebarRow("Resolved");
    EXPECT_EQ(shownIDs(), (QStringList{fixed, crash}));
}

TEST_F(Dashboard, DeleteKeyRemovesTheCardAndSelectsTheNext) {
    selectCard(layout);
    QTest::keyClick(cards(), Qt::Key_Delete);
    EXPECT_FALSE(stored(layout).has_value());
    EXPECT_EQ(shownIDs(), QStringList{crash});
    EXPECT_EQ(cards()->currentIndex().data(CaptureListModel::IdRole).toString(), crash);
    EXPECT_EQ(label("boardSubtitle"), "1 capture waiting");

    // Deleting the open capture from its detail goes back to the board.
    QTest::keyClick(cards(), Qt::Key_Enter);
    ASSERT_TRUE(detailShown());
    QTest::mouseClick(window->findChild<QWidget*>("deleteCapture"), Qt::LeftButton);
    EXPECT_FALSE(detailShown());
    EXPECT_TRUE(shownIDs().isEmpty());
    EXPECT_EQ(label("emptyTitle"), "Nothing on the board");

    // The empty inbox teaches the region shortcut as saved, and follows a change to it.
    auto* shortcut = window->findChild<QWidget*>("emptyShortcut");
    ASSERT_TRUE(shortcut->isVisible());
    EXPECT_EQ(shortcut->accessibleName(), "Alt+Shift+2");
    Preferences::shared().setRegionHotkey({20, ModifierSet::control() | ModifierSet::command(), 1});
    EXPECT_EQ(shortcut->accessibleName(), "Ctrl+Super+3");
}

// Pixels of the marks' red in the card's picture, once the board has drawn it with its
// thumbnail loaded (the first drawing may only start the load).
int redInCard(QListView* cards, const QModelIndex& card) {
    cards->viewport()->grab(cards->visualRect(card));
    ThumbnailLoader::shared().waitForIdle();
    QCoreApplication::processEvents();
    const QImage drawn = cards->viewport()->grab(cards->visualRect(card)).toImage();
    int red = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const QColor c = drawn.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 90 && c.blue() < 90;
        }
    return red;
}

TEST_F(Dashboard, MarkingUpAScreenshotRedrawsItsCard) {
    const auto* model = static_cast<CaptureListModel*>(cards()->model());
    const QModelIndex card = model->indexOf(crash);
    // As the app wires it: saving marks drops the stale thumbnail from the loader.
    library->setThumbnailEviction([](const QString& path) { ThumbnailLoader::shared().evict(path); });
    ASSERT_EQ(redInCard(cards(), card), 0);

    Annotation marks;
    marks.shapes.append({Identifiers::make(), AnnotationTool::rectangle, "#FF3B30", 0.02, {{0.1, 0.1}, {0.9, 0.9}}});
    ASSERT_TRUE(library->saveAnnotation(marks, store->images(crash).front()));
    EXPECT_GT(redInCard(cards(), card), 100) << "the card shows the marked thumbnail, not the one drawn before";
}

TEST_F(Dashboard, AnotherWriterLeavesSelectionScrollAndTypingAlone) {
    // Enough captures to scroll.
    for (int i = 0; i < 30; ++i)
        file(QString("Older report %1").arg(i), "Terminal", QDateTime::currentDateTimeUtc().addDays(-2 - i),
             CaptureStatus::open);
    library->reload();
    window->board().setLayout(LayoutMode::list);
    selectCard(crash);
    cards()->scrollToBottom();
    const int scrolled = cards()->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);

    // A second connection to the same file stands in for another process.
    CaptureStore other(ZorviPaths::databaseFile());
    Capture agent;
    agent.id = Identifiers::make();
    agent.createdAt = agent.updatedAt = QDateTime::currentDateTimeUtc();
    agent.note = "Filed by an agent";
    other.insert(agent);
    ASSERT_TRUE(processEventsUntil([&] { return shownIDs().contains(agent.id); }, 4000));
    EXPECT_EQ(cards()->currentIndex().data(CaptureListModel::IdRole).toString(), crash);
    EXPECT_EQ(cards()->verticalScrollBar()->value(), scrolled);

    // In the detail, a half-typed note survives another writer's change to the same capture.
    QTest::keyClick(cards(), Qt::Key_Return);
    auto* note = window->findChild<QPlainTextEdit*>("detailNote");
    note->setFocus();
    note->moveCursor(QTextCursor::End);
    QTest::keyClicks(note, " (draft");
    other.setStatus(crash, CaptureStatus::inProgress, "claude");
    auto* status = window->findChild<QComboBox*>("detailStatus");
    ASSERT_TRUE(processEventsUntil([&] { return status->currentText() == "In Progress"; }, 4000));
    EXPECT_TRUE(note->toPlainText().endsWith(" (draft"));
}

TEST_F(Dashboard, AnAgentWorkingThroughTheMcpServerShowsOnTheOpenBoard) {
    selectCard(layout);
    QProcess agent;
    agent.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    agent.start(ZORVI_NODE, {ZORVI_AGENT_SCRIPT, ZORVI_MCP_BINARY, crash});
    ASSERT_TRUE(agent.waitForStarted());

    // Resolved by the agent, the capture leaves the inbox; its comment is counted.
    ASSERT_TRUE(processEventsUntil([&] { return !shownIDs().contains(crash); }, 20000));
    EXPECT_TRUE(processEventsUntil([&] { return library->commentCounts().value(crash) == 1; }));
    EXPECT_EQ(cards()->currentIndex().data(CaptureListModel::IdRole).toString(), layout);
    ASSERT_TRUE(processEventsUntil([&] { return agent.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(agent.exitCode(), 0);

    clickSidebarRow("Resolved");
    EXPECT_EQ(shownIDs(), (QStringList{fixed, crash}));
    selectCard(crash);
    QTest::keyClick(cards(), Qt::Key_Return);
    EXPECT_EQ(window->findChild<QComboBox*>("detailStatus")->currentText(), "Resolved");
}

} // namespace
