#pragma once

#include <QString>
#include <QStringList>

// Tag names as the library keeps them, whoever typed or sent them: white space
// trimmed from both ends, lower case, no empty names and no name twice, in the
// order first given. The note box, the detail view and the service's rows all
// go through here, so one spelling never becomes two tags.
namespace TagNames {

QStringList normalised(const QStringList& tags);
// A tag field's text: names separated by commas ("Bug, UI, , urgent").
QStringList fromText(const QString& text);

} // namespace TagNames
