#include "capture/CaptureController.h"

#include "library/Library.h"
#include "capture/CaptureError.h"
#include "capture/CaptureLog.h"
#include "common/Identifiers.h"
#include "platform/ScreenCapturer.h"
#include "platform/ShutterSound.h"
#include "platform/PermissionsService.h"
#include "platform/ScreenFocus.h"
#include "settings/Preferences.h"
#include "ui/WhenOnScreen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

CaptureController::CaptureController(Library& library, Preferences& preferences, PermissionsService& permissions,
                                     ScreenCapturer& capturer, ContextSource context, QObject* parent)
    : QObject(parent), library_(library), preferences_(preferences), permissions_(permissions), capturer_(capturer),
      contextSource_(std::move(context)) {}

CaptureController::~CaptureController() = default;

void CaptureController::setMarkupEditor(MarkupEditor open, std::function<bool()> isOpen) {
    markup_.setEditor(std::move(open), std::move(isOpen));
}

void CaptureController::setWindowFinder(const WindowFinder* finder, WindowContextSource context) {
    windowFinder_ = finder;
    windowContext_ = std::move(context);
}

// Entry points.

void CaptureController::beginRegion() {
    if (overlay_.isShowing() && !overlay_.hasBegunDrag()) {
        secondPressDuringOverlay();
        return;
    }
    startRegion(Intent::newCapture);
}

void CaptureController::beginFullScreen(bool awaitSecondPress) {
    if (awaitSecondPress && secondPress_.press())
        return;
    startFullScreen(Intent::newCapture, awaitSecondPress);
}

void CaptureController::beginWindow() {
    if (!canStart(Intent::newCapture))
        return;
    if (const std::optional<QString> reason = windowFinder_ ? windowFinder_->whyUnavailable()
                                                            : WindowFinder::unavailable()->whyUnavailable()) {
        emit captureFailed(CaptureError::captureFailed(*reason).description());
        return;
    }
    intent_ = Intent::newCapture;
    setCapturing(true);
    flowContext_ = contextForFlow();
    beginFlowIfNeeded();
    grabScreens([this](FrozenDesktop desktop) {
        // Read with the picture, while our own windows are still off the screen.
        std::vector<DesktopWindow> windows = windowFinder_->windows();
        std::vector<QRectF> frames;
        std::optional<size_t> active;
        for (const DesktopWindow& window : windows) {
            if (window.isActive)
                active = frames.size();
            frames.push_back(desktop.logicalRect(window.frame));
        }
        frozen_ = desktop;
        overlay_.presentWindows(
            desktop, frames, active,
            [this, windows, frames](const std::optional<QRectF>& frame) { windowChosen(frame, windows, frames); },
            [this](const QPointF& point) { fullScreenShot(std::exchange(frozen_, {}), point); });
    });
}

void CaptureController::beginNoteOnly() {
    if (isCapturing_ || compose_.isOpen() || markup_.isOpen())
        return;
    intent_ = Intent::newCapture;
    flowContext_ = contextSource_ ? contextSource_() : CaptureContext();
    beginFlowIfNeeded();
    presentTextOnly(*flowContext_);
}

void CaptureController::addScreenshot(const QString& captureID) {
    storedCaptureID_ = captureID;
    startRegion(Intent::appendToStored);
}

// Starting a flow.

bool CaptureController::canStart(Intent intent) {
    if (isCapturing_)
        return false;
    if (intent == Intent::newCapture && compose_.isOpen())
        return false;
    if (markup_.isOpen())
        return false;
    permissions_.refresh();
    if (!permissions_.canCaptureScreen()) {
        if (onScreenCaptureUnavailable_)
            onScreenCaptureUnavailable_();
        return false;
    }
    return true;
}

void CaptureController::startRegion(Intent intent) {
    if (!canStart(intent)) {
        qCDebug(captureLog) << "no region capture: capturing" << isCapturing_ << "note box" << compose_.isOpen()
                            << "markup" << markup_.isOpen() << "may capture" << permissions_.canCaptureScreen();
        return;
    }
    intent_ = intent;
    setCapturing(true);
    flowContext_ = contextForFlow();
    beginFlowIfNeeded();
    overlay_.setAdjustable(preferences_.adjustRegionWithHandles());
    grabScreens([this](FrozenDesktop desktop) {
        frozen_ = desktop;
        overlay_.present(
            desktop, [this](const std::optional<QRectF>& selection) { regionChosen(selection); },
            [this](const QPointF& point) { fullScreenShot(std::exchange(frozen_, {}), point); });
    });
}

void CaptureController::startFullScreen(Intent intent, bool awaitSecondPress) {
    if (!canStart(intent))
        return;
    intent_ = intent;
    setCapturing(true);
    flowContext_ = contextForFlow();
    const QPointF point = fullScreenPoint();
    heldShot_.reset();
    // The window for a second press opens with the first press, so a press
    // that comes while our own windows step aside still counts.
    if (awaitSecondPress && intent == Intent::newCapture)
        secondPress_.open([this] { finishFullScreen(); });
    beginFlowIfNeeded();
    grabScreens([this, point](const FrozenDesktop& desktop) { fullScreenShot(desktop, point); });
}

void CaptureController::setCapturing(bool capturing) {
    if (std::exchange(isCapturing_, capturing) != capturing)
        emit isCapturingChanged(capturing);
}

QPointF CaptureController::fullScreenPoint() const {
    if (const std::optional<QString> name = screenFocus_ ? screenFocus_->focusedScreen() : std::nullopt)
        for (const QScreen* screen : QGuiApplication::screens())
            if (screen->name() == *name)
                return QRectF(screen->geometry()).center();
    return QCursor::pos();
}

CaptureContext CaptureController::contextForFlow() {
    if (intent_ == Intent::appendToPending && pending_)
        return pending_->context;
    return contextSource_ ? contextSource_() : CaptureContext();
}

void CaptureController::beginFlowIfNeeded() {
    if (flowActive_)
        return;
    flowActive_ = true;
    hider_.stepAside();
}

void CaptureController::endFlow() {
    overlay_.abandon();
    frozen_ = {};
    compose_.dismiss();
    if (!flowActive_)
        return;
    flowActive_ = false;
    pending_.reset();
    writes_.forgetFailures();
    flowContext_.reset();
    hider_.bringBack();
    emit flowEnded();
}

void CaptureController::grabScreens(std::function<void(FrozenDesktop)> then) {
    QPointer<CaptureController> self(this);
    auto grab = [self, then = std::move(then)] {
        if (!self)
            return;
        self->capturer_.grabScreens(
            [self, then](std::vector<ScreenFrame> frames) {
                if (self)
                    then(FrozenDesktop(std::move(frames)));
            },
            [self](const CaptureError& error) {
                if (self)
                    self->fail(error);
            });
    };
    hider_.whenGone(std::move(grab));
}

// The screenshot.

void CaptureController::regionChosen(const std::optional<QRectF>& selection, CaptureMode mode) {
    const FrozenDesktop desktop = std::exchange(frozen_, {});
    if (!selection) {
        setCapturing(false);
        if (intent_ == Intent::appendToPending && pending_)
            presentCompose();
        else
            endFlow();
        return;
    }
    try {
        const FrozenDesktop::Shot shot = desktop.crop(*selection);
        captured(shot.image, *shot.frame, mode);
    } catch (const CaptureError& error) {
        fail(error);
    }
}

void CaptureController::windowChosen(const std::optional<QRectF>& frame, const std::vector<DesktopWindow>& windows,
                                     const std::vector<QRectF>& frames) {
    // The capture is about the window picked, whichever had the keyboard.
    if (frame && windowContext_)
        for (size_t index = 0; index < frames.size(); ++index)
            if (frames[index] == *frame) {
                flowContext_ = windowContext_(windows[index].details);
                break;
            }
    regionChosen(frame, CaptureMode::window);
}

void CaptureController::secondPressDuringOverlay() {
    if (intent_ != Intent::newCapture) {
        overlay_.finish(std::nullopt);
        return;
    }
    overlay_.abandon();
    frozen_ = {};
    setCapturing(false);
    presentTextOnly(flowContext_ ? *flowContext_ : contextForFlow());
}

void CaptureController::fullScreenShot(const FrozenDesktop& desktop, const QPointF& point) {
    try {
        const FrozenDesktop::Shot shot = desktop.screenAt(point);
        heldShot_ = HeldShot{shot.image, *shot.frame};
    } catch (const CaptureError& error) {
        fail(error);
        return;
    }
    finishFullScreen();
}

void CaptureController::finishFullScreen() {
    // Nothing is written until the window for a second press has passed.
    if (secondPress_.isOpen() || !heldShot_)
        return;
    const HeldShot shot = *std::exchange(heldShot_, std::nullopt);
    if (secondPress_.takeSecondPress()) {
        presentTextOnly(flowContext_ ? *flowContext_ : CaptureContext());
        setCapturing(false);
        return;
    }
    captured(shot.image, shot.frame, CaptureMode::fullscreen);
}

void CaptureController::captured(const QImage& image, const ScreenFrame& frame, CaptureMode mode) {
    switch (intent_) {
    case Intent::appendToStored:
        endFlow();
        addToStored(image, storedCaptureID_, mode);
        break;
    case Intent::appendToPending:
        if (!pending_) {
            endFlow();
            break;
        }
        pending_->images.append(writes_.startNew(image, false));
        if (pending_->mode == CaptureMode::text) {
            pending_->mode = mode;
            pending_->context.displayName = frame.name;
            pending_->context.displayScale = frame.scale;
        }
        presentCompose();
        break;
    case Intent::newCapture: {
        CaptureContext context = flowContext_.value_or(CaptureContext());
        context.displayName = frame.name;
        context.displayScale = frame.scale;
        if (preferences_.playCaptureSound() && sound_)
            sound_->play();
        PendingCapture pending;
        pending.id = Identifiers::make();
        pending.images.append(writes_.startNew(image, preferences_.copyToClipboard()));
        pending.context = context;
        pending.mode = mode;
        pending.capturedAt = QDateTime::currentDateTimeUtc();
        pending_ = std::move(pending);
        presentCompose();
        break;
    }
    }
    setCapturing(false);
}

// The note box.

void CaptureController::presentTextOnly(const CaptureContext& context) {
    pending_ = PendingCapture::textOnly(context);
    presentCompose();
}

void CaptureController::presentCompose() {
    if (!pending_)
        return;
    ComposeModel::Callbacks callbacks;
    callbacks.onSave = weakly(&CaptureController::save);
    callbacks.onDiscard = weakly(&CaptureController::discard);
    callbacks.onAddScreenshot = weakly(&CaptureController::addScreenshotToPending);
    callbacks.onAnnotate = weakly(&CaptureController::annotateDraft);
    callbacks.onKeepDraft = weakly(&CaptureController::keepDraft);
    callbacks.onDropImage = weakly(&CaptureController::dropPendingImage);
    callbacks.onCreateGroup = [self = QPointer<CaptureController>(this)](const QString& name) {
        return self ? self->library_.createGroup(name) : std::nullopt;
    };
    const DefaultGroupChoice::Choice group = defaultGroup_.choose(preferences_.defaultGroupID(), library_.groups());
    compose_.present(*pending_, library_.groups(), group.groupID, std::move(callbacks),
                     std::exchange(problem_, std::nullopt), group.notice);
    whenOnScreen(compose_.panel(), [self = QPointer<CaptureController>(this)] {
        if (self)
            self->writes_.letHeldWritesRun();
    });
    emit composePresented();
}

void CaptureController::keepDraft(const ComposeDraft& draft) {
    if (pending_)
        pending_->draft = draft;
}

void CaptureController::addScreenshotToPending(const ComposeDraft& draft) {
    if (!pending_)
        return;
    pending_->draft = draft;
    startRegion(Intent::appendToPending);
    if (!isCapturing_)
        presentCompose();
}

void CaptureController::annotateDraft(const QString& imageID, const ComposeDraft& draft) {
    if (!pending_)
        return;
    pending_->draft = draft;
    annotatePending(imageID);
}

void CaptureController::presentProblem(const QString& message, const std::optional<QString>& imageID) {
    problem_ = ComposeModel::Problem{message, imageID};
    presentCompose();
}

void CaptureController::presentWriteFailure(const CaptureError& error) {
    presentProblem(tr("%1. Your note is kept: try again, or save it without this screenshot.").arg(error.description()),
                   *writes_.failed().constBegin());
}

void CaptureController::dropPendingImage(const QString& imageID) {
    if (!pending_)
        return;
    writes_.drop(pending_->images, imageID);
    if (pending_->images.isEmpty())
        pending_->mode = CaptureMode::text;
}

void CaptureController::save(const QString& note, CapturePriority priority, const std::optional<QString>& groupID,
                             const QStringList& tags) {
    if (!pending_)
        return;
    // A failure never throws away what was typed: the box comes back with it.
    if (const std::optional<CaptureError> error =
            writes_.collect(pending_->images, pending_->capturedAt.toLocalTime())) {
        presentWriteFailure(*error);
        return;
    }
    const PendingCapture::Records records = pending_->records(note, priority, groupID);
    if (!library_.add(records.capture, tags, records.images)) {
        presentProblem(library_.loadError().value_or(tr("The capture couldn't be saved.")));
        return;
    }
    emit captureSaved(records.capture.id);
    if (preferences_.openDashboardAfterSave()) {
        // The board comes forward instead of the previous application.
        hider_.forget();
        endFlow();
        emit dashboardRequested();
        return;
    }
    endFlow();
}

void CaptureController::discard() {
    if (pending_) {
        writes_.settle(pending_->images);
        pending_->discardFiles();
    }
    endFlow();
}

// Markup of a screenshot in the note box.

void CaptureController::annotatePending(const QString& imageID) {
    if (!pending_)
        return;
    if (const std::optional<CaptureError> error =
            writes_.collect(pending_->images, pending_->capturedAt.toLocalTime())) {
        presentWriteFailure(*error);
        return;
    }
    const auto pending = [self = QPointer(this)]() -> PendingCapture* {
        return self && self->pending_ ? &*self->pending_ : nullptr;
    };
    if (!markup_.open(pending, imageID, weakly(&CaptureController::presentCompose)))
        presentCompose();
}

void CaptureController::addToStored(const QImage& image, const QString& captureID, CaptureMode mode) {
    unadded_.reset();
    if (library_.addImage(image, captureID, mode))
        return;
    // The screenshot is still in memory: nothing is lost until the person says so.
    unadded_ = UnaddedScreenshot{image, captureID, mode};
    emit screenshotNotAdded(library_.loadError().value_or(QString()));
}

void CaptureController::retryUnaddedScreenshot() {
    if (const std::optional<UnaddedScreenshot> shot = std::exchange(unadded_, std::nullopt))
        addToStored(shot->image, shot->captureID, shot->mode);
}

void CaptureController::fail(const CaptureError& error) {
    endFlow();
    setCapturing(false);
    emit captureFailed(error.description());
}
