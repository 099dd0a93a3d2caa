#pragma once

#include <QObject>

class QAction;
class QWidget;
class UndoHistory;

// Edit ▸ Undo and Ctrl+Z: a text field with the keyboard undoes its own
// typing; anywhere else the board's last action is taken back. The menu
// item names what it will undo and is disabled when there is nothing.
class EditUndoCommand : public QObject {
    Q_OBJECT
public:
    EditUndoCommand(QAction& action, UndoHistory& history, QObject* parent = nullptr);

    void trigger();
    void refresh();

private:
    // The focused text field that has typing to undo, if any.
    static QWidget* textFieldWithUndo();

    QAction& action_;
    UndoHistory& history_;
};
