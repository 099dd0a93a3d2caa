#include "ui/WhenOnScreen.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace {

// Lives as a child of the widget, so a deleted window takes its wait along.
class ExposureWait : public QObject {
public:
    ExposureWait(QWidget* widget, std::function<void()> then) : QObject(widget), then_(std::move(then)) {
        widget->windowHandle()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed() && then_) {
            watched->removeEventFilter(this);
            std::exchange(then_, nullptr)();
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> then_;
};

} // namespace

void whenOnScreen(QWidget* window, std::function<void()> then) {
    const QWindow* handle = window->windowHandle();
    if (!handle)
        return;
    if (handle->isExposed())
        then();
    else
        new ExposureWait(window, std::move(then));
}
