#include "support/QtEventLoop.h"
#include "support/ScreenshotPortalStandIn.h"
#include "support/TempDir.h"

#include "capture/CaptureError.h"
#include "capture/FrozenDesktop.h"
#include "platform/Platform.h"
#include "platform/portal/PortalScreenCapturer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

// A Wayland session (here Qt's offscreen platform standing for its windows):
// the screenshot comes from the desktop portal, served by a
// stand-in on the test's private bus.
class PortalCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("ZORVI_PLATFORM", "wayland");
        if (!QGuiApplication::instance()) {
            static int argc = 1;
            static char name[] = "zorvi-portal-test";
            static char* argv[] = {name, nullptr};
            new QGuiApplication(argc, argv);
        }
        // The desktop at twice its logical size, as a scale-2 compositor returns it.
        const QSize logical = QGuiApplication::primaryScreen()->virtualGeometry().size();
        desktop = QImage(logical * 2, QImage::Format_RGB32);
        QPainter p(&desktop);
        p.fillRect(desktop.rect(), QColor("#204060"));
        p.fillRect(QRect(20, 40, 200, 100), QColor("#f0e040"));
        p.fillRect(QRect(220, 40, 10, 100), Qt::black);
        p.end();
        ASSERT_TRUE(desktop.save(dir.file("desktop.png")));
    }

    // Runs one grab to its end.
    std::variant<std::vector<ScreenFrame>, CaptureError> grab(ScreenCapturer& capturer) {
        std::optional<std::variant<std::vector<ScreenFrame>, CaptureError>> result;
        capturer.grabScreens([&](std::vector<ScreenFrame> frames) { result = std::move(frames); },
                             [&](const CaptureError& error) { result = error; });
        processEventsUntil([&] { return result.has_value(); });
        if (!result)
            return CaptureError::captureFailed("no answer");
        return *result;
    }

    TempDir dir;
    QImage desktop;
};

TEST_F(PortalCaptureTest, ThePortalsPictureIsFrozenPerScreenAtItsScaleAndOnlyARefusalIsPermissionDenied) {
    ScreenshotPortalStandIn portal(dir.file("desktop.png"));
    ASSERT_TRUE(portal.isServing());
    const std::unique_ptr<ScreenCapturer> chosen = Platform::current().screenCapturer();

    auto result = grab(*chosen);
    ASSERT_TRUE(std::holds_alternative<std::vector<ScreenFrame>>(result))
        << std::get<CaptureError>(result).description().toStdString();
    EXPECT_EQ(portal.lastOptions().value("interactive"), QVariant(false));
    EXPECT_FALSE(portal.lastOptions().value("handle_token").toString().isEmpty());
    EXPECT_FALSE(QFile::exists(portal.lastFile())) << "the portal's file is not left behind";

    const std::vector<ScreenFrame>& frames = std::get<std::vector<ScreenFrame>>(result);
    ASSERT_EQ(frames.size(), std::size_t(QGuiApplication::screens().size()));
    EXPECT_EQ(frames.front().scale, 2.0);
    EXPECT_EQ(frames.front().image.size(), desktop.size());

    // A selection maps onto the picture's pixels: x = floor(s(x - screen x)), width = round(s w).
    const FrozenDesktop frozen(frames);
    const FrozenDesktop::Shot shot = frozen.crop(QRectF(10, 20, 105.25, 50));
    EXPECT_EQ(shot.image.size(), QSize(211, 100));
    EXPECT_EQ(shot.image.convertToFormat(QImage::Format_RGB32), desktop.copy(20, 40, 211, 100));
    EXPECT_THROW(frozen.crop(QRectF(10, 20, 3.5, 50)), CaptureError) << "narrower than 4 points is a click";

    // Refused or cancelled in the desktop's dialog: the permission message.
    portal.setResponse(1);
    result = grab(*chosen);
    ASSERT_TRUE(std::holds_alternative<CaptureError>(result));
    EXPECT_EQ(std::get<CaptureError>(result).kind(), CaptureError::Kind::permissionDenied);
    EXPECT_EQ(std::get<CaptureError>(result).description(), CaptureError::permissionDenied().description());

    // The portal failed, or the call did: an error, never a refusal.
    portal.setResponse(2);
    result = grab(*chosen);
    ASSERT_TRUE(std::holds_alternative<CaptureError>(result));
    EXPECT_EQ(std::get<CaptureError>(result).kind(), CaptureError::Kind::captureFailed);
    EXPECT_TRUE(std::get<CaptureError>(result).description().startsWith("The screenshot failed: "));
    EXPECT_FALSE(std::get<CaptureError>(result).description().contains("permission"));

    portal.setResponse(0);
    portal.setCallError(QStringLiteral("grim exited with status 1"));
    result = grab(*chosen);
    ASSERT_TRUE(std::holds_alternative<CaptureError>(result));
    EXPECT_EQ(std::get<CaptureError>(result).kind(), CaptureError::Kind::captureFailed);
    EXPECT_EQ(std::get<CaptureError>(result).description().toStdString(),
              "The screenshot failed: grim exited with status 1");

    // The next answer is a picture again: a failure leaves no request behind.
    portal.setCallError({});
    result = grab(*chosen);
    EXPECT_TRUE(std::holds_alternative<std::vector<ScreenFrame>>(result));
}

} // namespace
