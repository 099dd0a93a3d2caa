#pragma once

#include <QFrame>

class QLabel;
class UndoHistory;

// The strip along the bottom of the board after a delete, a status or a
// group change: what just happened, and an Undo button (Ctrl+Z does the same).
class UndoBar : public QFrame {
    Q_OBJECT
public:
    explicit UndoBar(UndoHistory& history, QWidget* parent = nullptr);

private:
    void refresh();

    UndoHistory& history_;
    QLabel* notice_;
};
