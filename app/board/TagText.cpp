#include "TagText.h"

namespace TagText {

QStringList parse(const QString& text) {
    QStringList tags;
    for (const QString& piece : text.split(u',', Qt::SkipEmptyParts))
        if (const QString tag = piece.trimmed().toLower(); !tag.isEmpty())
            tags << tag;
    return tags;
}

QString format(const QStringList& tags) {
    return tags.join(", ");
}

} // namespace TagText
