#include "DetailHeading.h"

#include <QLabel>

QLabel* detailHeading(const QString& text) {
    auto* label = new QLabel(text);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}
