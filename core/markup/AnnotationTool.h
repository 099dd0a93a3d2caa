#pragma once

#include <QList>
#include <QString>

#include <optional>

// The tool a shape was made with. Stored by its raw text, so the order and
// the texts are part of the library format. Text and step came later:
// readers that predate a kind skip its shapes.
enum class AnnotationTool { pen, arrow, rectangle, ellipse, highlight, blur, text, step };

namespace AnnotationTools {

// Every tool in the order of the editor's buttons.
const QList<AnnotationTool>& allCases();

QString rawValue(AnnotationTool tool);
std::optional<AnnotationTool> fromRawValue(const QString& raw);
QString displayName(AnnotationTool tool);
// The product's symbol name; the app maps it to an icon.
QString symbolName(AnnotationTool tool);
// Arrows, boxes, circles, highlights and blurs are defined by a drag's start
// and end alone.
bool isDragShape(AnnotationTool tool);
// Text and steps are placed by a click: both points are the same spot.
bool isPlaced(AnnotationTool tool);

} // namespace AnnotationTools
