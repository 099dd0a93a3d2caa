// The real app, driven as a person drives it on the test's X server (the
// capture command, a drag over the frozen screen, marks in the editor, a note,
// Ctrl+Enter), killed with SIGKILL at a random moment around a save. After
// every kill the library is sound, each capture in it is whole, and every
// capture whose note box closed on Ctrl+Enter is there. ZORVI_KILLS sets how
// many kills (default 10), ZORVI_KILL_SEED replays a run.
#include "KillRun.h"
#include "SoundLibrary.h"

#include "support/DesktopDriver.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSettings>
#include <QTimer>

#include <iostream>
#include <random>

namespace {

constexpr const char* noteBoxTitle = "Zorvi note";
constexpr const char* overlayTitle = "Zorvi region selection";
constexpr const char* editorTitle = "^Mark up screenshot";
// Where the note box shows the screenshot (a click there opens the editor),
// from the box's top-left corner.
const QPoint noteBoxPreview(216, 126);

QStringList windowsMatching(const QString& pattern) {
    return DesktopDriver::xdotool({"search", "--onlyvisible", "--name", pattern}).split(u'\n', Qt::SkipEmptyParts);
}

// Where, in a save, the kill comes: just after the drag (the screenshot is
// written in the background), after Ctrl+Enter in the editor (the marked copy
// is written) or after Ctrl+Enter in the note box (the capture is filed).
enum class Moment { drag, markupSave, noteSave };

struct KillPlan {
    int capturesBefore; // filed whole in this run before the one the kill falls in
    Moment moment;
    int delayMs;
};

// One run of the app, from its start to its kill.
class AppRun {
public:
    AppRun(const KillPlan& plan, std::mt19937& rng) : plan_(plan), rng_(rng) {
        app_.setProgram(QStringLiteral(ZORVI_APP_BINARY));
        app_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app_.start();
        EXPECT_TRUE(app_.waitForStarted()) << app_.errorString().toStdString();
        killTimer_.setSingleShot(true);
        QObject::connect(&killTimer_, &QTimer::timeout, [this] { killNow(); });
    }
    ~AppRun() {
        killNow();
        app_.waitForFinished();
    }

    const QStringList& typed() const { return typed_; }
    const QStringList& confirmed() const { return confirmed_; }

    // Captures until the planned kill has come. A failed step is a failure
    // only while the app was meant to be alive.
    void play(int run) {
        ASSERT_TRUE(until([] { return !DesktopDriver::visibleWindows("Zorvi").isEmpty(); }, 30000))
            << "the board never came up: the library did not open";
        for (int capture = 0; !killed_; ++capture) {
            // Short, so Ctrl+Enter can come while the screenshot is still being written.
            fileOne(QStringLiteral("k%1c%2").arg(run).arg(capture), capture == plan_.capturesBefore);
            if (::testing::Test::HasFatalFailure())
                return;
            if (capture == plan_.capturesBefore)
                break;
        }
        ASSERT_TRUE(processEventsUntil([&] { return killed_; }, 10000)) << "the kill never came";
    }

private:
    // Polls the desktop until `done`, or until the kill makes waiting pointless.
    // Generous: the suite runs this beside two busy loops and other desktops.
    template <class Done>
    bool until(Done done, int timeoutMs = 20000) {
        return processEventsUntil([&] { return killed_ || done(); }, timeoutMs) && !killed_;
    }

    void armKillAt(Moment moment, bool lastCapture) {
        if (lastCapture && moment == plan_.moment)
            killTimer_.start(plan_.delayMs);
    }

    void killNow() {
        if (killed_)
            return;
        // It must be our kill that ends it, not a crash of its own.
        EXPECT_EQ(app_.state(), QProcess::Running) << "the app ended by itself";
        killed_ = true;
        app_.kill();
    }

    void fileOne(const QString& note, bool last) {
        // The capture shortcut's command, forwarded to the running app.
        DesktopDriver::run(QStringLiteral(ZORVI_APP_BINARY), {"--capture-region"});
        if (!until([] { return !DesktopDriver::visibleWindows(overlayTitle).isEmpty(); }))
            return expectKilled("the region overlay never came up");
        const QPoint from(50 + int(rng_() % 800), 50 + int(rng_() % 400));
        const QPoint to = from + QPoint(300 + int(rng_() % 800), 200 + int(rng_() % 500));
        DesktopDriver::drag(from, to);
        armKillAt(Moment::drag, last);
        if (!waitForActive(noteBoxTitle))
            return expectKilled("the note box never came up");

        if (rng_() % 2 == 0 || (last && plan_.moment == Moment::markupSave)) {
            markUp(last);
            if (killed_ || ::testing::Test::HasFatalFailure())
                return;
        }
        DesktopDriver::type(note);
        typed_ << note;
        DesktopDriver::key("ctrl+Return");
        armKillAt(Moment::noteSave, last);
        // Gone from the screen: the person takes it as filed.
        if (until([] { return DesktopDriver::visibleWindows(noteBoxTitle).isEmpty(); }))
            confirmed_ << note;
        else
            expectKilled("the note box stayed after Ctrl+Enter");
    }

    void markUp(bool last) {
        const QString box = windowsMatching("^" + QString(noteBoxTitle) + "$").value(0);
        DesktopDriver::xdotool({"mousemove", "--window", box, QString::number(noteBoxPreview.x()),
                                QString::number(noteBoxPreview.y()), "click", "1"});
        if (!waitForActive(editorTitle))
            return expectKilled("the markup editor never came up");
        const QString editor = windowsMatching(editorTitle).value(0);
        const QStringList geometry =
            DesktopDriver::xdotool({"getwindowgeometry", "--shell", editor}).split(u'\n', Qt::SkipEmptyParts);
        QSize size;
        for (const QString& line : geometry) {
            if (line.startsWith("WIDTH="))
                size.setWidth(line.mid(6).toInt());
            if (line.startsWith("HEIGHT="))
                size.setHeight(line.mid(7).toInt());
        }
        // A pen stroke through the middle, where the screenshot is shown.
        const QPoint centre = QPoint(size.width(), size.height()) / 2;
        DesktopDriver::xdotool({"mousemove", "--window", editor, QString::number(centre.x() - 60),
                                QString::number(centre.y() - 40), "mousedown", "1", "mousemove", "--window", editor,
                                QString::number(centre.x()), QString::number(centre.y()), "mousemove", "--window",
                                editor, QString::number(centre.x() + 60), QString::number(centre.y() + 40), "mouseup",
                                "1"});
        DesktopDriver::key("ctrl+Return");
        armKillAt(Moment::markupSave, last);
        if (!waitForActive(noteBoxTitle))
            expectKilled("the note box did not come back after the marks were saved");
    }

    // The window whose title matches is on screen and has the keyboard.
    bool waitForActive(const QString& title) {
        const QString pattern = title.startsWith('^') ? title : "^" + title + "$";
        return until([&] {
            const QStringList matching = windowsMatching(pattern);
            return !matching.isEmpty() && matching.contains(DesktopDriver::xdotool({"getactivewindow"}));
        });
    }

    void expectKilled(const char* what) {
        ASSERT_TRUE(killed_) << what << " (the keyboard is with \""
                             << DesktopDriver::xdotool({"getactivewindow", "getwindowname"}).trimmed().toStdString()
                             << "\"; our windows on screen: "
                             << DesktopDriver::xdotool({"search", "--onlyvisible", "--name", "Zorvi|Mark up", "getwindowname", "%@"})
                                    .trimmed()
                                    .replace(u'\n', ", ")
                                    .toStdString() << ")";
    }

    KillPlan plan_;
    std::mt19937& rng_;
    QProcess app_;
    QTimer killTimer_;
    bool killed_ = false;
    QStringList typed_;
    QStringList confirmed_;
};

// Every capture in the library is whole, with a note that was typed whole,
// and none that the person saw filed is missing.
void expectNothingConfirmedLost(const QStringList& typed, const QStringList& confirmed) {
    CaptureStore store(ZorviPaths::databaseFile());
    QStringList filed;
    for (const Capture& capture : store.captures(CaptureQuery())) {
        filed << capture.note;
        EXPECT_TRUE(typed.contains(capture.note)) << "a note nobody finished typing: " << capture.note.toStdString();
        EXPECT_FALSE(store.images(capture.id).empty()) << "a capture without its screenshot: "
                                                       << capture.note.toStdString();
        if (!capture.imagePath.isEmpty())
            expectWholeImage(ZorviPaths::imageFile(capture.imagePath));
    }
    for (const QString& note : confirmed)
        EXPECT_TRUE(filed.contains(note)) << "filed in the person's eyes, lost: " << note.toStdString();
    EXPECT_EQ(filed.removeDuplicates(), 0) << "a capture filed twice";
}

TEST(AppKillTest, NothingThePersonSawFiledIsLostWhereverTheAppIsKilled) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    TempDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("ZORVI_HOME", (home.path() + "/library").toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    // Past the first-run guide, so the board comes up; no sound to play.
    QSettings settings(home.path() + "/config/Zorvi/Zorvi.conf", QSettings::IniFormat);
    settings.setValue("onboarding.completed", true);
    settings.setValue("capture.sound", false);
    settings.sync();

    const KillRun run = KillRun::fromEnvironment("app kill test", 10);
    std::mt19937 rng(run.seed);
    QStringList typed;
    QStringList confirmed;
    for (int round = 0; round < run.kills && !::testing::Test::HasFailure(); ++round) {
        SCOPED_TRACE(run.at(round));
        const KillPlan plan{int(rng() % 3), Moment(rng() % 3), int(rng() % 300)};
        {
            AppRun app(plan, rng);
            app.play(round);
            typed << app.typed();
            confirmed << app.confirmed();
        }
        expectSoundLibrary(ZorviPaths::databaseFile());
        expectNothingConfirmedLost(typed, confirmed);
    }
    std::cout << confirmed.size() << " captures seen filed, " << typed.size() - confirmed.size()
              << " cut short by a kill" << std::endl;
    if (::testing::Test::HasFailure())
        run.sayHowToReplay();
}

} // namespace
