#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>

// Reads the first message box that comes up and closes it. It looks from a
// timer, which also runs while a modal box holds the event loop, so a test
// sees the box whether the app opens it modal or not.
class MessageBoxWatch {
public:
    // `atShow` runs the moment the box is seen, before it is closed.
    explicit MessageBoxWatch(std::function<void()> atShow = {}) : atShow_(std::move(atShow)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible() && !seen_) {
                    seen_ = true;
                    text_ = box->text() + "\n" + box->informativeText();
                    if (atShow_)
                        atShow_();
                    box->done(QMessageBox::Ok);
                }
        });
        timer_.start(50);
    }

    bool seen() const { return seen_; }
    // The box's text and informative text, a line apart.
    const QString& text() const { return text_; }

private:
    std::function<void()> atShow_;
    QTimer timer_;
    bool seen_ = false;
    QString text_;
};
