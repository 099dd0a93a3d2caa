#pragma once

class QWidget;

// Asked when the editor is about to close with marks that were never saved.
// True when the person chose to discard them; Esc or closing the question
// keeps editing.
bool confirmDiscardMarks(QWidget* parent);
