#pragma once

#include <QColor>
#include <QString>

class QLabel;
class QWidget;

// The text styles every window shares, made in one place so a page title, a
// section heading or a line of secondary text looks the same wherever it
// appears. Colours come from the palette's roles, never fixed values, so the
// labels follow the desktop between light and dark while they are shown.
namespace Labels {

// A page's title: large and bold, wrapped.
QLabel* title(const QString& text);
// A section's heading: a little larger than body text and bold, wrapped.
QLabel* heading(const QString& text = {});
// Bold at body size, for a name or a number that leads what follows it.
QLabel* strong(const QString& text = {}, QWidget* parent = nullptr);
// Ordinary text, wrapped.
QLabel* body(const QString& text = {}, QWidget* parent = nullptr);
// Explanations and hints: wrapped, in the palette's secondary text colour.
QLabel* secondary(const QString& text = {}, QWidget* parent = nullptr);
// A symbol (ui/SymbolTable.tsv) as a square picture of `size` pixels.
QLabel* symbol(const QString& name, int size, const QColor& tint = {});
// A warning triangle beside wrapped text; the text's label is named "text".
QWidget* warning(const QString& text);

} // namespace Labels
