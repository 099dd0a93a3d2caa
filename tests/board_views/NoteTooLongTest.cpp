#include "BoardFixture.h"

#include "board/BoardView.h"
#include "board/CaptureDetailView.h"
#include "board/CaptureListModel.h"

#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>

namespace {

using NoteTooLong = BoardFixture;

// A note longer than a shared library can sync is said so where it is typed,
// before the service refuses it.
TEST_F(NoteTooLong, TheDetailSaysWhenANoteIsTooLongToSync) {
    QListView* cards = window->boardView()->cards();
    cards->setFocus();
    cards->setCurrentIndex(static_cast<CaptureListModel*>(cards->model())->indexOf(crash));
    QTest::keyClick(cards, Qt::Key_Return);
    ASSERT_TRUE(window->detailView()->isVisible());

    auto* note = window->findChild<QPlainTextEdit*>("detailNote");
    auto* warning = window->detailView()->findChild<QLabel*>("noteLengthWarning");
    ASSERT_TRUE(note && warning);
    EXPECT_FALSE(warning->isVisible());
    note->setPlainText(QString(70'000, QChar('x')));
    EXPECT_TRUE(warning->isVisible());
    EXPECT_TRUE(warning->text().startsWith("Too long to sync")) << warning->text().toStdString();
    note->setPlainText("short again");
    EXPECT_FALSE(warning->isVisible());
}

} // namespace
