#pragma once

class QString;
class QToolButton;

// A button of the capture detail's header: a symbol, with its words as the
// tooltip, so that opening a capture never makes a narrow window wider.
QToolButton* headerButton(const QString& symbol, const QString& text);
