#include "markup/TextMarkEditor.h"

#include <QKeyEvent>

#include <utility>

TextMarkEditor::TextMarkEditor(QWidget* parent, std::function<void(QString)> onDone)
    : QLineEdit(parent), onDone_(std::move(onDone)) {
    setObjectName("textMarkEditor");
    setPlaceholderText(tr("Label"));
    setFrame(false);
    connect(this, &QLineEdit::returnPressed, this, [this] { finish(text()); });
}

bool TextMarkEditor::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void TextMarkEditor::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        finish(QString());
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TextMarkEditor::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    finish(text());
}

void TextMarkEditor::finish(const QString& text) {
    // Answer once: hiding the field takes the focus away and would answer again.
    if (auto onDone = std::exchange(onDone_, nullptr)) {
        hide();
        deleteLater();
        onDone(text);
    }
}
