#include "TagText.h"

#include "store/TagNames.h"

namespace TagText {

QStringList parse(const QString& text) {
    return TagNames::fromText(text);
}

QString format(const QStringList& tags) {
    return tags.join(", ");
}

} // namespace TagText
