#pragma once

#include <QLabel>

class QPlainTextEdit;

// Says, under a note field, when the note is longer than a shared library
// can sync, so a person shortens it before it is refused.
class NoteLengthWarning : public QLabel {
    Q_OBJECT
public:
    explicit NoteLengthWarning(QPlainTextEdit* note, QWidget* parent = nullptr);

private:
    void refresh();

    QPlainTextEdit* note_;
};
