#include "TagNames.h"

namespace TagNames {

QStringList normalised(const QStringList& tags) {
    QStringList result;
    for (const QString& tag : tags)
        if (const QString name = tag.trimmed().toLower(); !name.isEmpty() && !result.contains(name))
            result << name;
    return result;
}

QStringList fromText(const QString& text) {
    return normalised(text.split(u','));
}

} // namespace TagNames
