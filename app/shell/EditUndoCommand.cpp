#include "shell/EditUndoCommand.h"

#include "library/UndoHistory.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

EditUndoCommand::EditUndoCommand(QAction& action, UndoHistory& history, QObject* parent)
    : QObject(parent), action_(action), history_(history) {
    connect(&action_, &QAction::triggered, this, &EditUndoCommand::trigger);
    connect(&history_, &UndoHistory::changed, this, &EditUndoCommand::refresh);
    connect(qApp, &QApplication::focusChanged, this, &EditUndoCommand::refresh);
    refresh();
}

QWidget* EditUndoCommand::textFieldWithUndo() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focus); line && line->isUndoAvailable())
        return line;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus); plain && plain->document()->isUndoAvailable())
        return plain;
    if (auto* rich = qobject_cast<QTextEdit*>(focus); rich && rich->document()->isUndoAvailable())
        return rich;
    return nullptr;
}

void EditUndoCommand::trigger() {
    if (QWidget* field = textFieldWithUndo())
        QMetaObject::invokeMethod(field, "undo");
    else
        history_.undo();
    refresh();
}

void EditUndoCommand::refresh() {
    // A text field's own Ctrl+Z wins over this shortcut, so the action only
    // needs to be enabled for the board's steps or for the menu.
    if (textFieldWithUndo()) {
        action_.setText(tr("Undo Typing"));
        action_.setEnabled(true);
    } else if (history_.canUndo()) {
        action_.setText(tr("Undo %1").arg(history_.nextTitle()));
        action_.setEnabled(true);
    } else {
        action_.setText(tr("Undo"));
        action_.setEnabled(false);
    }
}
