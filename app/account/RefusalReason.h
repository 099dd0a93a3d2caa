#pragma once

#include <QString>

// Why the workspace refused a change, said for a person. The service gives
// its reason in its own terse words (field names, limits); those go to the
// sync log, and a person reads this sentence instead. A reason the app does
// not know reads as a plain refusal.
namespace RefusalReason {

QString inWords(const QString& serviceReason);

} // namespace RefusalReason
