#include "ShellFixture.h"

#include "board/BoardView.h"
#include "board/CaptureDetailView.h"
#include "board/DashboardViewModel.h"
#include "board/DashboardWindow.h"
#include "board/ShortIDBadge.h"
#include "common/Identifiers.h"
#include "shell/SingleInstance.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"
#include "support/QtEventLoop.h"
#include "support/QtPrinters.h"

#include <QClipboard>
#include <QListView>
#include <QStatusBar>

namespace {

QString filed(CaptureStore& store, const QString& note, int minutesAgo) {
    Capture c;
    c.id = Identifiers::make();
    c.createdAt = c.updatedAt = QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo);
    c.note = note;
    store.insert(c);
    return c.id;
}

// A person copies a capture for their agent from the board and from its
// detail, and a zorvi://capture/ link handed to a second start (as the
// desktop does for a clicked link) opens that capture in the running app.
TEST_F(ShellFixture, CopyForAgentAndCaptureLinksReachTheRightCapture) {
    completeOnboardingBefore();
    QString newest, older;
    {
        CaptureStore store(ZorviPaths::databaseFile());
        older = filed(store, "Totals round the wrong way\nSeen on the invoice page", 30);
        newest = filed(store, "Logo blurry on retina", 5);
    }
    SingleInstance instance;
    ASSERT_TRUE(instance.listen());
    ASSERT_TRUE(launch());
    QObject::connect(&instance, &SingleInstance::commandReceived, shell.get(), &AppShell::handleCommand);
    auto* window = windowNamed<DashboardWindow>("dashboard");
    ASSERT_NE(window, nullptr);
    auto copyForAgent = [&] {
        QApplication::clipboard()->clear();
        DesktopDriver::key("ctrl+shift+c");
        processEventsUntil([] { return !QApplication::clipboard()->text().isEmpty(); });
        return QApplication::clipboard()->text();
    };
    window->activateWindow();
    ASSERT_TRUE(processEventsUntil([&] { return window->isActiveWindow(); }));

    // On the board: the card with focus (the newest) goes.
    window->boardView()->focusCards();
    const QString fromBoard = copyForAgent();
    EXPECT_TRUE(fromBoard.startsWith("Zorvi capture " + newest.right(8) + ": Logo blurry on retina\n"))
        << fromBoard.toStdString();
    EXPECT_TRUE(fromBoard.contains("get_capture")) << fromBoard.toStdString();

    // A link to the older one, by its short id, in upper case as someone may type it.
    SingleInstance secondStart;
    ASSERT_TRUE(secondStart.forwardToRunningInstance({"zorvi://capture/" + older.right(8).toUpper()}));
    ASSERT_TRUE(processEventsUntil([&] { return window->detailView()->captureID() == older; }, 10000));
    EXPECT_EQ(window->detailView()->findChild<ShortIDBadgeWidget*>("shortID")->shortID(), older.right(8));

    const QString fromDetail = copyForAgent();
    EXPECT_TRUE(fromDetail.startsWith("Zorvi capture " + older.right(8) + ": Totals round the wrong way\n"))
        << fromDetail.toStdString();

    // A link to nothing leaves the open capture where it is.
    ASSERT_TRUE(secondStart.forwardToRunningInstance({"zorvi://capture/00000000"}));
    ASSERT_TRUE(processEventsUntil([&] { return window->statusBar()->currentMessage().contains("00000000"); }));
    EXPECT_EQ(window->detailView()->captureID(), older);
}

} // namespace
