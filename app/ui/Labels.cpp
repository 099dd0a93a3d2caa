#include "ui/Labels.h"

#include "ui/SymbolIcons.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

QLabel* bold(const QString& text, qreal scale, QWidget* parent = nullptr) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

namespace Labels {

QLabel* title(const QString& text) {
    QLabel* label = bold(text, 1.6);
    label->setWordWrap(true);
    return label;
}

QLabel* heading(const QString& text) {
    QLabel* label = bold(text, 1.2);
    label->setWordWrap(true);
    return label;
}

QLabel* strong(const QString& text, QWidget* parent) {
    return bold(text, 1.0, parent);
}

QLabel* body(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLabel* secondary(const QString& text, QWidget* parent) {
    QLabel* label = body(text, parent);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* symbol(const QString& name, int size, const QColor& tint) {
    auto* label = new QLabel;
    label->setPixmap(symbolIcon(name, tint).pixmap(size, size));
    label->setFixedSize(size, size);
    return label;
}

QWidget* warning(const QString& text) {
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(symbol("exclamationmark.triangle.fill", 16, QColor(0xd9, 0x8a, 0x00)), 0, Qt::AlignTop);
    QLabel* label = body(text);
    label->setObjectName("text");
    layout->addWidget(label, 1);
    return box;
}

} // namespace Labels
