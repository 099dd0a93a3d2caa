// The detail view while an agent edits the same capture from another process.
#include "BoardFixture.h"

#include "board/BoardView.h"
#include "board/CaptureDetailView.h"
#include "board/CaptureListModel.h"
#include "board/DashboardViewModel.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

class OutsideEdits : public BoardFixture {
protected:
    void open(const QString& id) {
        window->board().select(id);
        ASSERT_TRUE(window->detailView()->isVisible());
        note = window->findChild<QPlainTextEdit*>("detailNote");
        tags = window->findChild<QLineEdit*>("detailTags");
    }
    QPlainTextEdit* note = nullptr;
    QLineEdit* tags = nullptr;
};

TEST_F(OutsideEdits, AnUntouchedNoteFollowsTheAgentAndAnEditedOneKeepsTheTypingWithTheirsOneClickAway) {
    open(crash);
    CaptureStore agent(ZorviPaths::databaseFile());
    Capture edited = *agent.capture(crash);
    edited.note = "Checkout button crashes the tab (seen on build 124)";
    agent.update(edited);
    ASSERT_TRUE(processEventsUntil([&] { return note->toPlainText() == edited.note; }))
        << "a note nobody touched here refreshes in place";

    // The next keystrokes build on the agent's text, not on what was shown before.
    note->setFocus();
    note->moveCursor(QTextCursor::End);
    QTest::keyClicks(note, ", twice");
    window->detailView()->flushEdits();
    EXPECT_EQ(stored(crash)->note, "Checkout button crashes the tab (seen on build 124), twice");

    // Now the agent writes while the person is mid-edit.
    QTest::keyClicks(note, " today");
    edited = *agent.capture(crash);
    edited.note = "Rewritten by the agent";
    agent.update(edited);
    library->reload();
    EXPECT_EQ(note->toPlainText(), "Checkout button crashes the tab (seen on build 124), twice today");
    auto* theirs = window->findChild<QLabel*>("theirVersion");
    ASSERT_NE(theirs, nullptr);
    EXPECT_TRUE(theirs->isVisible());
    EXPECT_EQ(theirs->text(), "Rewritten by the agent");
    theirs->parentWidget()->findChild<QPushButton*>("useTheirs")->click();
    EXPECT_EQ(note->toPlainText(), "Rewritten by the agent");
    EXPECT_FALSE(theirs->isVisible());
}

TEST_F(OutsideEdits, TagsAreSavedOnLeavingTheFieldOrTheCapture) {
    open(crash);
    tags->setFocus();
    tags->clear();
    QTest::keyClicks(tags, "checkout, flaky");
    // Straight to another capture, no Enter.
    window->board().select(layout);
    EXPECT_EQ(store->tags(crash), (QStringList{"checkout", "flaky"}));

    open(layout);
    tags->setFocus();
    QTest::keyClicks(tags, "sidebar");
    window->findChild<QPlainTextEdit*>("detailNote")->setFocus();
    ASSERT_TRUE(processEventsUntil([&] { return store->tags(layout) == QStringList{"sidebar"}; }));
}

} // namespace
