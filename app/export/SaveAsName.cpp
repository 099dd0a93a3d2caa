#include "export/SaveAsName.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

namespace SaveAsName {

namespace {

// Enough of the note to recognise the file; the dialog lets the name be edited.
constexpr int noteWords = 6;
constexpr int longestName = 120;

QString firstWords(const QString& text) {
    return text.simplified().split(u' ', Qt::SkipEmptyParts).mid(0, noteWords).join(u' ');
}

} // namespace

QString fileName(const QString& pattern, const Context& context, const QString& extension) {
    QString name = pattern;
    name.replace(QLatin1String("{date}"), context.when.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")));
    name.replace(QLatin1String("{app}"), context.app);
    name.replace(QLatin1String("{note}"), firstWords(context.note));
    // Folder separators and characters other systems refuse, then runs of space.
    static const QRegularExpression unsafe(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
    name.replace(unsafe, QStringLiteral(" "));
    name = name.simplified().left(longestName).trimmed();
    // No hidden files, and no names made of dots alone.
    while (name.startsWith(u'.') || name.startsWith(u' '))
        name.remove(0, 1);
    if (!name.contains(QRegularExpression(QStringLiteral("[\\w]"))))
        name = QCoreApplication::translate("SaveAsName", "Zorvi screenshot");
    return name + u'.' + extension;
}

} // namespace SaveAsName
