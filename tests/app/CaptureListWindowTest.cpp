#include "support/QtPrinters.h"
#include "support/QtEventLoop.h"
#include "support/TempDir.h"

#include "board/CaptureListWindow.h"
#include "common/Identifiers.h"
#include "store/CaptureStore.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>

namespace {

Capture captureAt(const QString& note, int minutes) {
    Capture c;
    c.id = Identifiers::make();
    c.createdAt = c.updatedAt = QDateTime::currentDateTimeUtc().addSecs(60 * minutes);
    c.note = note;
    return c;
}

QStringList titles(QListWidget* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

TEST(CaptureListWindow, ListsNewestFirstAndFollowsChangesFromAnotherConnection) {
    TempDir home;
    qputenv("ZORVI_HOME", home.path().toUtf8());
    int argc = 0;
    QApplication app(argc, nullptr);
    CaptureStore store(home.file("zorvi.sqlite"));
    store.insert(captureAt("Older bug\nwith details", 0));
    store.insert(captureAt("Newer bug", 5));

    CaptureListWindow window(store);
    auto* list = window.findChild<QListWidget*>("captureList");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(titles(list), (QStringList{"Newer bug", "Older bug"}));

    // A second connection stands in for the MCP server writing the same file.
    CaptureStore other(home.file("zorvi.sqlite"));
    other.insert(captureAt("Filed by an agent", 10));
    processEventsUntil([&] { return list->count() == 3; });
    EXPECT_EQ(titles(list), (QStringList{"Filed by an agent", "Newer bug", "Older bug"}));
}

} // namespace
