#include "NoteLengthWarning.h"

#include "common/SyncLimits.h"

#include <QLocale>
#include <QPlainTextEdit>

NoteLengthWarning::NoteLengthWarning(QPlainTextEdit* note, QWidget* parent) : QLabel(parent), note_(note) {
    setObjectName("noteLengthWarning");
    setWordWrap(true);
    setForegroundRole(QPalette::BrightText);
    connect(note_, &QPlainTextEdit::textChanged, this, &NoteLengthWarning::refresh);
    refresh();
}

void NoteLengthWarning::refresh() {
    // Counted as the service counts: UTF-16 code units.
    const qsizetype length = note_->document()->characterCount() - 1;
    const bool tooLong = length > SyncLimits::maxLongText;
    if (tooLong)
        setText(tr("Too long to sync: %1 of at most %2 characters. Shorten the note to share it.")
                    .arg(QLocale().toString(length), QLocale().toString(SyncLimits::maxLongText)));
    setVisible(tooLong);
}
