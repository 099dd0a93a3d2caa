#include "Person.h"

#include "RecordFields.h"

using namespace RecordFields;

Person Person::fromRow(const Row& r) {
    Person p;
    p.id = idOrFresh(r);
    p.name = r.string("name").value_or(QStringLiteral("Someone"));
    p.email = r.string("email");
    p.imageURL = r.string("image_url");
    p.kind = r.string("kind").value_or(QStringLiteral("person"));
    return p;
}

QJsonObject Person::toJson() const {
    QJsonObject j{{"id", id}, {"name", name}, {"kind", kind}};
    put(j, "email", email);
    put(j, "imageURL", imageURL);
    return j;
}

QString Person::initials() const {
    const QStringList words = name.split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QStringLiteral("?");
    QString result;
    for (qsizetype i = 0; i < std::min<qsizetype>(2, words.size()); ++i)
        result += words[i].left(1);
    return result.toUpper();
}
