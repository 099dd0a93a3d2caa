#pragma once

#include <QFrame>

class QToolButton;

// Selectable monospaced text with a copy button; the button shows a check
// mark for a moment after copying.
class CodeBlock : public QFrame {
    Q_OBJECT
public:
    static constexpr int copiedFeedbackMs = 1600;

    explicit CodeBlock(const QString& text, QWidget* parent = nullptr);

    void copy();
    bool justCopied() const { return justCopied_; }

private:
    void setJustCopied(bool copied);

    QString text_;
    QToolButton* copyButton_;
    bool justCopied_ = false;
};
