#include "HeaderButton.h"

#include "ui/SymbolIcons.h"

#include <QToolButton>

QToolButton* headerButton(const QString& symbol, const QString& text) {
    auto* button = new QToolButton;
    button->setIcon(symbolIcon(symbol));
    button->setText(text);
    button->setToolTip(text);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setAutoRaise(true);
    return button;
}
