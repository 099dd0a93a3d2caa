#include "support/QtEventLoop.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include "capture/ContextCollector.h"
#include "platform/BrowserAddressReader.h"
#include "platform/DesktopApplications.h"
#include "platform/x11/X11ActiveWindowSource.h"
#include "settings/Preferences.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QScreen>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

void run(const QString& program, const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(program, arguments), 0) << program.toStdString() << ' '
                                                        << arguments.join(' ').toStdString();
}

// A plain X client window of this process, with exactly the properties an
// application would set.
class ProbeWindow {
public:
    ProbeWindow(const QByteArray& instance, const QByteArray& className) {
        connection_ = xcb_connect(nullptr, nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        id_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, id_, screen->root, 100, 100, 400, 300, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        const QByteArray wmClass = instance + '\0' + className + '\0';
        set(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, wmClass);
    }
    ~ProbeWindow() {
        xcb_destroy_window(connection_, id_);
        xcb_disconnect(connection_);
    }

    void setUtf8Title(const QString& title) { set(atom("_NET_WM_NAME"), atom("UTF8_STRING"), title.toUtf8()); }
    void setLegacyTitle(const QByteArray& latin1) { set(XCB_ATOM_WM_NAME, XCB_ATOM_STRING, latin1); }

    // Maps the window and waits until the window manager has made it the
    // active one (asking again while a screen change keeps it busy).
    void activate() {
        xcb_map_window(connection_, id_);
        xcb_flush(connection_);
        QElapsedTimer clock;
        clock.start();
        while (activeWindow() != id_ && clock.elapsed() < 5000) {
            QProcess::execute("xdotool", {"windowactivate", QString::number(id_)});
            for (int i = 0; i < 20 && activeWindow() != id_; ++i)
                QThread::msleep(10);
        }
        ASSERT_EQ(activeWindow(), id_) << "the window manager never activated the window";
    }

private:
    uint32_t activeWindow() {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1),
            nullptr);
        uint32_t window = XCB_WINDOW_NONE;
        if (reply && xcb_get_property_value_length(reply) == 4)
            window = *static_cast<uint32_t*>(xcb_get_property_value(reply));
        std::free(reply);
        return window;
    }

    uint32_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, uint16_t(qstrlen(name)), name), nullptr);
        const uint32_t value = reply ? reply->atom : uint32_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    }
    void set(uint32_t property, uint32_t type, const QByteArray& value) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, id_, property, type, 8, uint32_t(value.size()),
                            value.constData());
        xcb_flush(connection_);
    }

    xcb_connection_t* connection_;
    xcb_window_t id_;
};

// Knows an address for every process; shows whether the collector asked.
class RecordingBrowser : public BrowserAddressReader {
public:
    explicit RecordingBrowser(int& asked) : asked_(asked) {}
    std::optional<QString> activeTabAddress(qint64) const override {
        ++asked_;
        return QString("https://example.org/page");
    }

private:
    int& asked_;
};

class ContextCollectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_DATA_DIRS", ZORVI_SOURCE_DIR "/tests/data/desktop");
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        qputenv("LC_ALL", "C.UTF-8");
        // Two monitors side by side, set before Qt reads the screens.
        run("xrandr", {"--setmonitor", "L", "1920/508x1080/286+0+0", "screen"});
        run("xrandr", {"--setmonitor", "R", "1280/338x1024/270+1920+0", "none"});
        app = std::make_unique<QGuiApplication>(argc, nullptr);
    }

    ContextCollector collector(bool collectURLs, int& browserAsked) {
        preferences.setCaptureURLs(collectURLs);
        return ContextCollector(preferences, X11ActiveWindowSource::connect(),
                                std::make_unique<RecordingBrowser>(browserAsked));
    }

    TempDir dataHome;
    TempDir config;
    Preferences preferences{config.file("Zorvi.conf"), config.file("Kestad.conf")};
    int argc = 0;
    std::unique_ptr<QGuiApplication> app;
};

TEST_F(ContextCollectorTest, TheActiveWindowIsNamedByItsDesktopFile) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    int asked = 0;
    const ContextCollector contexts = collector(true, asked);

    ProbeWindow viewer("probe-viewer", "ProbeViewer");
    viewer.setLegacyTitle("plain title");
    viewer.setUtf8Title(QString::fromUtf8("Überprüfung – Bericht.png"));
    viewer.activate();
    run("xdotool", {"mousemove", "--sync", "2500", "600"});

    const CaptureContext context = contexts.snapshot();
    EXPECT_EQ(context.appName, QString("Probe Viewer"));
    EXPECT_EQ(context.appBundleID, QString("probe-viewer"));
    EXPECT_EQ(context.windowTitle, QString::fromUtf8("Überprüfung – Bericht.png"));
    EXPECT_EQ(context.displayName, QString("R")) << "the screen under the pointer";
    EXPECT_EQ(context.url, std::nullopt) << "not a browser: nothing is asked";
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(context.displayScale, 0);
    EXPECT_EQ(context.projectHintPath, std::nullopt);

    // The X server, not the client, says which process owns the window.
    const std::optional<ActiveWindow> window = X11ActiveWindowSource::connect()->activeWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->pid, qint64(getpid()));
    EXPECT_EQ(window->instanceName, QString("probe-viewer"));
}

TEST_F(ContextCollectorTest, WindowsWithoutAStartupClassAreMatchedByNameOrKeepTheirClass) {
    int asked = 0;
    const ContextCollector contexts = collector(false, asked);
    run("xdotool", {"mousemove", "--sync", "300", "300"});

    // Found by the last part of a reverse-domain id, in a sub-folder.
    ProbeWindow sketchpad("sketchpad", "Sketchpad");
    sketchpad.setLegacyTitle("Entw\xfcrfe"); // Latin-1 WM_NAME only
    sketchpad.activate();
    CaptureContext context = contexts.snapshot();
    EXPECT_EQ(context.appName, QString("Sketchpad Pro"));
    EXPECT_EQ(context.appBundleID, QString("tools-org.example.Sketchpad"));
    EXPECT_EQ(context.windowTitle, QString::fromUtf8("Entwürfe"));
    EXPECT_EQ(context.displayName, QString("L"));

    // No file claims it (a hidden entry doesn't count): the class is the name, and no id is made up.
    ProbeWindow unlisted("retired-viewer", "RetiredViewer");
    unlisted.setUtf8Title("   ");
    unlisted.activate();
    context = contexts.snapshot();
    EXPECT_EQ(context.appName, QString("RetiredViewer"));
    EXPECT_EQ(context.appBundleID, std::nullopt);
    EXPECT_EQ(context.windowTitle, std::nullopt) << "a blank title is no title";
}

TEST_F(ContextCollectorTest, BrowserAddressesAreAskedForOnlyWhenTheUserAllowsIt) {
    int asked = 0;
    ProbeWindow firefox("Navigator", "firefox-esr");
    firefox.setUtf8Title("Example Domain — Mozilla Firefox");
    firefox.activate();

    EXPECT_EQ(collector(false, asked).snapshot().url, std::nullopt);
    EXPECT_EQ(asked, 0);
    const CaptureContext context = collector(true, asked).snapshot();
    EXPECT_EQ(context.appBundleID, QString("firefox-esr"));
    EXPECT_EQ(context.url, QString("https://example.org/page"));
    EXPECT_EQ(asked, 1);

    // With no accessibility bus on this session the real reader has nothing
    // to ask, and says so instead of guessing.
    EXPECT_EQ(BrowserAddressReader::forSession()->activeTabAddress(getpid()), std::nullopt);
}

TEST(DesktopApplications, EarlierFoldersHideLaterOnesWithTheSameId) {
    TempDir home;
    QDir().mkpath(home.file("applications"));
    QFile file(home.file("applications/probe-viewer.desktop"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nType=Application\nName=My Own Viewer\nStartupWMClass=ProbeViewer\n"
               "[Desktop Action new]\nName=Not the name\n");
    file.close();
    const DesktopApplications apps =
        DesktopApplications::scan({home.file("applications"), ZORVI_SOURCE_DIR "/tests/data/desktop/applications"},
                                  QLocale::c());
    const std::optional<DesktopApplication> viewer = apps.forWindowClass("probe-viewer", "ProbeViewer");
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->name, "My Own Viewer");
    EXPECT_EQ(apps.forWindowClass(std::nullopt, "sketchpad-bin")->id, "tools-org.example.Sketchpad")
        << "the program Exec runs names it too";
    EXPECT_EQ(apps.forWindowClass("nothing", "Nothing"), std::nullopt);

    const DesktopApplications german =
        DesktopApplications::scan({ZORVI_SOURCE_DIR "/tests/data/desktop/applications"}, QLocale("de_DE"));
    EXPECT_EQ(german.forWindowClass("probe-viewer", "ProbeViewer")->name, "Sondenbetrachter");
}

} // namespace
