// Deleting from the board with real keys, and Edit ▸ Undo / Ctrl+Z taking it back.
#include "BoardFixture.h"

#include "board/BoardView.h"
#include "board/CaptureListModel.h"
#include "board/UndoBar.h"
#include "shell/AppActions.h"
#include "shell/EditUndoCommand.h"
#include "support/DesktopDriver.h"

#include <QLabel>
#include <QListView>
#include <QMenuBar>

namespace {

class UndoOnTheBoard : public BoardFixture {
protected:
    void SetUp() override {
        BoardFixture::SetUp();
        actions = std::make_unique<AppActions>();
        actions->fillMenuBar(window->menuBar());
        undoCommand = std::make_unique<EditUndoCommand>(*actions->undo, library->undoHistory());
    }
    void TearDown() override {
        undoCommand.reset();
        BoardFixture::TearDown();
        actions.reset();
    }

    QListView* cards() { return window->boardView()->cards(); }
    bool cardShown(const QString& id) {
        const auto* model = static_cast<CaptureListModel*>(cards()->model());
        return model->indexOf(id).isValid();
    }
    QStringList crashFiles() {
        QStringList files;
        for (const CaptureImage& image : store->images(crash))
            files << ZorviPaths::imageFile(image.imagePath) << ZorviPaths::thumbFile(*image.thumbPath);
        return files;
    }
    static bool allExist(const QStringList& files) {
        return std::all_of(files.begin(), files.end(), [](const QString& f) { return QFile::exists(f); });
    }

    std::unique_ptr<AppActions> actions;
    std::unique_ptr<EditUndoCommand> undoCommand;
};

TEST_F(UndoOnTheBoard, TheDeleteKeyOffersUndoAndCtrlZBringsTheCaptureBackWithItsFiles) {
    EXPECT_FALSE(actions->undo->isEnabled()) << "Edit ▸ Undo with nothing to undo";
    const QStringList files = crashFiles();
    ASSERT_EQ(files.size(), 2);

    cards()->setFocus();
    const auto* model = static_cast<CaptureListModel*>(cards()->model());
    cards()->setCurrentIndex(model->indexOf(crash));
    DesktopDriver::key("Delete");
    ASSERT_TRUE(processEventsUntil([&] { return !cardShown(crash); }));
    EXPECT_FALSE(stored(crash).has_value());
    EXPECT_TRUE(allExist(files)) << "nothing is removed while the delete can be undone";

    auto* bar = window->findChild<UndoBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->findChild<QLabel*>("undoNotice")->text(), "Capture deleted.");
    EXPECT_TRUE(actions->undo->isEnabled());
    EXPECT_EQ(actions->undo->text(), "Undo Delete Capture");

    DesktopDriver::key("ctrl+z");
    ASSERT_TRUE(processEventsUntil([&] { return cardShown(crash); }));
    EXPECT_TRUE(stored(crash).has_value());
    EXPECT_TRUE(allExist(files));
    EXPECT_FALSE(bar->isVisible());
    EXPECT_FALSE(actions->undo->isEnabled());

    // A status change from the board is taken back through the Edit menu.
    ASSERT_TRUE(library->setStatus(CaptureStatus::resolved, layout));
    EXPECT_EQ(actions->undo->text(), "Undo Change Status");
    actions->undo->trigger();
    EXPECT_EQ(stored(layout)->status, CaptureStatus::inProgress);

    // Deleted again and left: the files go once the Undo lapses.
    cards()->setCurrentIndex(model->indexOf(crash));
    DesktopDriver::key("Delete");
    ASSERT_TRUE(processEventsUntil([&] { return !cardShown(crash); }));
    library->undoHistory().finishAll();
    EXPECT_TRUE(std::none_of(files.begin(), files.end(), [](const QString& f) { return QFile::exists(f); }));
}

} // namespace
