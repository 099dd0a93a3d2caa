#pragma once

#include <QColor>
#include <QIcon>
#include <QString>
#include <QStringList>

// The app's own icons, named by the product's symbol names ("trash",
// "arrow.uturn.backward", an AnnotationTool's symbolName, …). One table
// (SymbolTable.tsv) maps each name to an SVG of one consistent set.
//
// The SVGs draw in currentColor, which is painted with the palette's text
// colour when the icon is drawn (so light and dark both read, and a theme
// change needs no reload); the disabled and selected modes take the
// palette's disabled and highlighted-text colours. An unknown name gives a
// null icon.
QIcon symbolIcon(const QString& symbolName);

// The same icon in one fixed colour, for status and tint colours.
QIcon symbolIcon(const QString& symbolName, const QColor& tint);

// Every symbol name the table knows, in table order.
QStringList symbolNames();
