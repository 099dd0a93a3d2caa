#pragma once

#include <QList>
#include <QString>

// The colours and stroke widths the editor offers; the renderer falls back
// to the first colour.
namespace AnnotationPalette {

struct Width {
    QString label;
    // A fraction of the image's longer side.
    double value;
};

const QList<QString>& colors();
const QList<Width>& widths();

inline constexpr int defaultWidthIndex = 1;
// Blur areas never show a colour; they all carry this one.
inline constexpr const char* blurColorHex = "#000000";

QString defaultColor();
// The width stored at a preference index; an index outside the list means the default.
double widthValue(int index);

} // namespace AnnotationPalette
