#include "AnnotationPalette.h"

namespace AnnotationPalette {

const QList<QString>& colors() {
    static const QList<QString> list{"#FF3B30", "#FFCC00", "#34C759", "#0A84FF",
                                     "#AF52DE", "#FFFFFF", "#1C1C1E"};
    return list;
}

const QList<Width>& widths() {
    static const QList<Width> list{{"S", 0.0025}, {"M", 0.005}, {"L", 0.009}};
    return list;
}

QString defaultColor() { return colors().front(); }

double widthValue(int index) {
    const QList<Width>& list = widths();
    if (index < 0 || index >= list.size())
        index = defaultWidthIndex;
    return list[index].value;
}

} // namespace AnnotationPalette
