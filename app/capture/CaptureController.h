#pragma once

#include "capture/CaptureError.h"
#include "capture/ComposeWindowController.h"
#include "capture/DefaultGroupChoice.h"
#include "capture/FrozenDesktop.h"
#include "capture/OwnWindowsHider.h"
#include "capture/PendingCapture.h"
#include "capture/PendingImageWrites.h"
#include "capture/PendingMarkup.h"
#include "capture/RegionSelectionOverlay.h"
#include "capture/SecondPressWindow.h"
#include "platform/WindowFinder.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class Library;
class PermissionsService;
class Preferences;
class ScreenCapturer;
class ScreenFocus;
class ShutterSound;


// Runs every capture from the trigger until the capture is filed or thrown
// away: what a press means in the current state (new capture, second press,
// another screenshot for the open note box), the frozen overlay, the
// pending capture and its note box, and the save through Library.
class CaptureController : public QObject {
    Q_OBJECT
public:
    enum class Intent { newCapture, appendToPending, appendToStored };
    using ContextSource = std::function<CaptureContext()>;
    // Where a picked window was taken: its application, title, page address.
    using WindowContextSource = std::function<CaptureContext(const ActiveWindow&)>;
    using MarkupEditor = PendingMarkup::Editor;

    CaptureController(Library& library, Preferences& preferences, PermissionsService& permissions,
                      ScreenCapturer& capturer, ContextSource context, QObject* parent = nullptr);
    ~CaptureController() override;

    void setMarkupEditor(MarkupEditor open, std::function<bool()> isOpen);
    void setOnScreenCaptureUnavailable(std::function<void()> callback) { onScreenCaptureUnavailable_ = std::move(callback); }
    void setSound(ShutterSound* sound) { sound_ = sound; }
    // Without a finder, window capture says it isn't available here.
    void setWindowFinder(const WindowFinder* finder, WindowContextSource context);
    // Where the session names the focused screen, full screen takes it;
    // without one, the screen under the pointer.
    void setScreenFocus(const ScreenFocus* focus) { screenFocus_ = focus; }

    // The region trigger: pressed again while the overlay waits for a drag,
    // it files a note without a screenshot.
    void beginRegion();
    // The full-screen trigger: with awaitSecondPress, a second press within
    // SecondPressWindow::length files a note without a screenshot instead (the menu never waits).
    void beginFullScreen(bool awaitSecondPress = true);
    // The window trigger: the frozen desktop, and a click on the window to capture.
    void beginWindow();
    // A note without a screenshot.
    void beginNoteOnly();
    // Another screenshot for a capture already on the board.
    void addScreenshot(const QString& captureID);
    // The screenshot screenshotNotAdded() told of, tried again; a failure says so again.
    void retryUnaddedScreenshot();
    void dropUnaddedScreenshot() { unadded_.reset(); }

    bool isCapturing() const { return isCapturing_; }
    bool isComposing() const { return compose_.isOpen(); }
    const std::optional<PendingCapture>& pending() const { return pending_; }
    RegionSelectionOverlay& overlay() { return overlay_; }
    ComposeWindowController& compose() { return compose_; }

signals:
    void isCapturingChanged(bool capturing);
    // The note box came up.
    void composePresented();
    void captureSaved(const QString& captureID);
    // The flow is over (filed, discarded or failed) and our windows are back.
    void flowEnded();
    // The preference to show the board after saving is on.
    void dashboardRequested();
    // A screenshot failed; the shell says so with this text.
    void captureFailed(const QString& description);
    // A screenshot for a filed capture couldn't be added; it is kept until
    // retryUnaddedScreenshot() or dropUnaddedScreenshot().
    void screenshotNotAdded(const QString& description);

private:
    // A callback for windows and timers that does nothing once the controller is gone.
    template <class... Arguments>
    auto weakly(void (CaptureController::*method)(Arguments...)) {
        return [self = QPointer(this), method](const std::decay_t<Arguments>&... arguments) {
            if (self)
                (self.data()->*method)(arguments...);
        };
    }

    bool canStart(Intent intent);
    void startRegion(Intent intent);
    void startFullScreen(Intent intent, bool awaitSecondPress);
    void setCapturing(bool capturing);
    CaptureContext contextForFlow();
    // A point on the screen full screen takes.
    QPointF fullScreenPoint() const;
    void beginFlowIfNeeded();
    void endFlow();
    // Grabs the screens once our own windows are off them.
    void grabScreens(std::function<void(FrozenDesktop)> then);

    void regionChosen(const std::optional<QRectF>& selection, CaptureMode mode = CaptureMode::region);
    // `frames` are the windows' frames as the overlay had them, in the order of `windows`.
    void windowChosen(const std::optional<QRectF>& frame, const std::vector<DesktopWindow>& windows,
                      const std::vector<QRectF>& frames);
    void secondPressDuringOverlay();
    void fullScreenShot(const FrozenDesktop& desktop, const QPointF& point);
    // Files the held full-screen shot once no second press can come any more.
    void finishFullScreen();
    void captured(const QImage& image, const ScreenFrame& frame, CaptureMode mode);
    void presentTextOnly(const CaptureContext& context);
    void presentCompose();
    // The note box's draft kept as typed, alone or before another screenshot or markup.
    void keepDraft(const ComposeDraft& draft);
    void addScreenshotToPending(const ComposeDraft& draft);
    void annotateDraft(const QString& imageID, const ComposeDraft& draft);
    void save(const QString& note, CapturePriority priority, const std::optional<QString>& groupID,
              const QStringList& tags);
    void discard();
    // Brings the note box back as it was typed, saying why it is still there.
    void presentProblem(const QString& message, const std::optional<QString>& imageID = std::nullopt);
    void presentWriteFailure(const CaptureError& error);
    void dropPendingImage(const QString& imageID);
    void annotatePending(const QString& imageID);
    // Ends the flow; the shell says why.
    void fail(const CaptureError& error);
    // Adds a screenshot to a filed capture; a failure offers to try again.
    void addToStored(const QImage& image, const QString& captureID, CaptureMode mode);

    Library& library_;
    Preferences& preferences_;
    PermissionsService& permissions_;
    ScreenCapturer& capturer_;
    ContextSource contextSource_;
    ShutterSound* sound_ = nullptr;
    const WindowFinder* windowFinder_ = nullptr;
    const ScreenFocus* screenFocus_ = nullptr;
    WindowContextSource windowContext_;
    PendingMarkup markup_;
    std::function<void()> onScreenCaptureUnavailable_;

    RegionSelectionOverlay overlay_;
    ComposeWindowController compose_;
    DefaultGroupChoice defaultGroup_;
    PendingImageWrites writes_;

    bool isCapturing_ = false;
    bool flowActive_ = false;
    std::optional<CaptureContext> flowContext_;
    OwnWindowsHider hider_;
    SecondPressWindow secondPress_{Clock::system()};
    std::optional<PendingCapture> pending_;
    std::optional<ComposeModel::Problem> problem_;
    Intent intent_ = Intent::newCapture;
    QString storedCaptureID_;
    struct HeldShot {
        QImage image;
        ScreenFrame frame;
    };
    // A full-screen shot waiting out the window for a second press.
    std::optional<HeldShot> heldShot_;
    struct UnaddedScreenshot {
        QImage image;
        QString captureID;
        CaptureMode mode;
    };
    std::optional<UnaddedScreenshot> unadded_;
    // The screens as they were when the overlay came up; only while it is up.
    FrozenDesktop frozen_;
};
