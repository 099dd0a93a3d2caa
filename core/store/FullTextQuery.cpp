#include "FullTextQuery.h"

#include <QStringList>

namespace FullTextQuery {

QString fromSearch(const QString& search) {
    QStringList terms;
    QString word;
    auto flush = [&] {
        if (!word.isEmpty())
            terms << '"' + word + "\"*";
        word.clear();
    };
    for (const QChar c : search) {
        if (c.isLetterOrNumber())
            word += c;
        else
            flush();
    }
    flush();
    return terms.join(u' ');
}

} // namespace FullTextQuery
