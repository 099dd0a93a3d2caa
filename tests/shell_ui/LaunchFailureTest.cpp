#include "ShellFixture.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

TEST_F(ShellFixture, UnwritableLibraryShowsTheAlertWithItsLocationAndQuits) {
    // Even root can't make a folder inside a regular file.
    QFile blocker(home.path() + "/not-a-folder");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString library = home.path() + "/not-a-folder/library";
    qputenv("ZORVI_HOME", library.toUtf8());

    QString text, informative;
    QStringList buttons;
    // The alert is modal: read it and press its button from the event loop.
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!alert || !alert->isVisible())
            return;
        watcher.stop();
        text = alert->text();
        informative = alert->informativeText();
        for (QAbstractButton* b : alert->buttons())
            buttons << b->text();
        DesktopDriver::waitForWindows(alert->windowTitle());
        click(alert->buttons().first());
    });
    watcher.start(50);

    EXPECT_FALSE(launch());
    EXPECT_EQ(text, "Zorvi can't open its library");
    EXPECT_TRUE(informative.endsWith("\n\nLibrary location: " + library)) << informative.toStdString();
    EXPECT_GT(informative.indexOf("\n\n"), 0) << "the reason comes first";
    EXPECT_EQ(buttons, QStringList{"Quit"});
    EXPECT_TRUE(DesktopDriver::visibleWindows("Zorvi").isEmpty());
}

} // namespace
