#pragma once

#include <QDateTime>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Tolerant readers for the loosely typed JSON the workspace service sends,
// and the date writer for what we send back. The service may send numbers as
// text, dates as text or epoch numbers and booleans as 0/1; no reader ever
// fails: an unusable value gives the reader's default. An absent key and JSON
// null read the same (QJsonObject::value gives Undefined for a missing key).
namespace Wire {

// Non-empty text, else absent; numbers are not converted.
std::optional<QString> str(const QJsonValue& v);
// Integer as is, real truncated toward zero, base-10 text with an optional
// sign; anything else (or out of 64-bit range) is 0.
qint64 integer(const QJsonValue& v);
// Real or integer, or text that is a whole C-locale decimal number; else 0.0.
double real(const QJsonValue& v);
// Boolean as is, non-zero integer is true; texts are never true.
bool boolean(const QJsonValue& v);
// The text elements of an array, in order; anything else gives an empty list.
QStringList strings(const QJsonValue& v);
// A text unchanged, an object or array as compact key-sorted JSON; else absent.
std::optional<QString> json(const QJsonValue& v);
// RFC 3339 text (with or without fractional seconds, any offset), or epoch
// seconds, or epoch milliseconds when the number is above 10^12.
std::optional<QDateTime> date(const QJsonValue& v);

// The wire form of a date: UTC with milliseconds, or JSON null when absent.
QJsonValue stamp(const std::optional<QDateTime>& date);

// Looks a person's display name up by id; none when unknown. May throw.
using PersonNameLookup = std::function<std::optional<QString>(const QString& id)>;

// The one-line detail shown for an activity event that came from the service.
std::optional<QString> summarize(const QString& kind, const QJsonValue& data,
                                 const PersonNameLookup& personName);

} // namespace Wire
