#pragma once

#include <QStringList>

// The capture detail's tag field: "Bug, UI, , urgent" commits bug, ui and urgent.
namespace TagText {

QStringList parse(const QString& text);
QString format(const QStringList& tags);

} // namespace TagText
