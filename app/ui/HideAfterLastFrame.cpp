#include "ui/HideAfterLastFrame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// Qt's own wait for a frame callback before it treats a window as unexposed.
constexpr int longestWaitMs = 100;

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

// Lives as a child of the widget, so a deleted window takes its wait along.
class LastFrameWait : public QObject {
public:
    LastFrameWait(QWidget* widget, std::function<void()> hidden)
        : QObject(widget), widget_(widget), hidden_(std::move(hidden)) {
        widget->windowHandle()->installEventFilter(this);
        QTimer::singleShot(longestWaitMs, this, [this] { hide(); });
        // Delivered once the compositor has answered the frame in flight, or
        // at once when none is.
        widget->windowHandle()->requestUpdate();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::UpdateRequest) {
            // Painting now would ask for another answer: hide instead.
            hide();
            return true;
        }
        return isInput(event->type());
    }

private:
    void hide() {
        if (done_)
            return;
        done_ = true;
        widget_->windowHandle()->removeEventFilter(this);
        widget_->hide();
        std::function<void()> hidden = std::move(hidden_);
        deleteLater();
        if (hidden)
            hidden();
    }

    QWidget* widget_;
    std::function<void()> hidden_;
    bool done_ = false;
};

} // namespace

void hideAfterLastFrame(QWidget* window, std::function<void()> hidden) {
    const bool waits = QGuiApplication::platformName() == QLatin1String("wayland") && window->isVisible() &&
                       window->windowHandle();
    if (!waits) {
        window->hide();
        if (hidden)
            hidden();
        return;
    }
    new LastFrameWait(window, std::move(hidden));
}
