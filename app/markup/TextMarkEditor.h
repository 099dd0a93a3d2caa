#pragma once

#include <QLineEdit>

#include <functional>

// The field a text label is typed into, in place over the canvas. Enter or
// a click elsewhere keeps the words; Esc drops them and leaves the editor
// open (the editor's own Esc must not see it).
class TextMarkEditor : public QLineEdit {
    Q_OBJECT
public:
    explicit TextMarkEditor(QWidget* parent, std::function<void(QString)> onDone);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void finish(const QString& text);

    std::function<void(QString)> onDone_;
};
