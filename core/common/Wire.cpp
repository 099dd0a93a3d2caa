#include "Wire.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaType>
#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <QVariant>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace Wire {

namespace {

// Epoch numbers are kept within the range where milliseconds are exact in a
// double (about 285,000 years either way); beyond it a value is unusable.
constexpr double epochLimitSeconds = 9e12;
// Larger epoch numbers are milliseconds: 1e12 s is ~32,000 years away, 1e12 ms is September 2001.
constexpr double millisecondsThreshold = 1e12;

// Qt stores a JSON number as an integer whenever it is integral and fits in
// 64 bits, and as a double otherwise; the readers below branch on that.
bool holdsInteger(const QJsonValue& v) {
    return v.isDouble() && v.toVariant().typeId() == QMetaType::LongLong;
}

std::optional<QDateTime> fromEpochSeconds(double seconds) {
    if (!std::isfinite(seconds) || std::abs(seconds) > epochLimitSeconds)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(std::llround(seconds * 1000.0), Qt::UTC);
}

std::optional<QDateTime> fromEpochMilliseconds(qint64 ms) {
    if (ms > qint64(epochLimitSeconds) * 1000)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

// The internet date-time profile: full date, "T", time, then "Z" or an
// offset; fractional seconds optional (read to millisecond precision).
std::optional<QDateTime> parseInternetDate(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{4})-(\d{2})-(\d{2})[Tt](\d{2}):(\d{2}):(\d{2})(?:\.(\d+))?(?:([Zz])|([+-])(\d{2}):(\d{2}))$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    auto number = [&](int group) { return m.captured(group).toInt(); };
    const QString fraction = m.captured(7);
    const int ms = fraction.isEmpty() ? 0 : (fraction + QStringLiteral("00")).left(3).toInt();
    const QDate day(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6), ms);
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    int offsetSeconds = 0;
    if (m.captured(8).isEmpty()) {
        const int hours = number(10);
        const int minutes = number(11);
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offsetSeconds = (hours * 60 + minutes) * 60 * (m.captured(9) == u"-" ? -1 : 1);
    }
    return QDateTime(day, time, Qt::UTC).addSecs(-offsetSeconds);
}

std::optional<qint64> parseInteger(const QString& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    // Accumulate toward the sign so that the most negative value parses too.
    qint64 value = 0;
    constexpr qint64 minimum = std::numeric_limits<qint64>::min();
    constexpr qint64 maximum = std::numeric_limits<qint64>::max();
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (negative) {
            if (value < (minimum + digit) / 10)
                return std::nullopt;
            value = value * 10 - digit;
        } else {
            if (value > (maximum - digit) / 10)
                return std::nullopt;
            value = value * 10 + digit;
        }
    }
    return value;
}

// Decimal notation only: strtod alone would also take white space, hex
// ("0x1p3") and words ("nan", "inf"), none of which the service means.
double parseDecimal(const QString& text) {
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr));
    if (text.isEmpty() || !cLocale)
        return 0.0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || u == u'.' || u == u'+' || u == u'-' || u == u'e' || u == u'E'))
            return 0.0;
    }
    const QByteArray bytes = text.toLatin1();
    char* end = nullptr;
    const double value = strtod_l(bytes.constData(), &end, cLocale);
    return end == bytes.constData() + bytes.size() ? value : 0.0;
}

QString compactSorted(const QJsonValue& v) {
    // QJsonObject keeps its keys sorted, so compact output is key-sorted.
    const QJsonDocument doc = v.isObject() ? QJsonDocument(v.toObject()) : QJsonDocument(v.toArray());
    return QString::fromUtf8(doc.toJson(QJsonDocument::Compact));
}

QString capitalizeWords(const QString& text) {
    QString out;
    out.reserve(text.size());
    bool atWordStart = true;
    for (QChar c : text) {
        if (c.isSpace()) {
            atWordStart = true;
            out += c;
        } else {
            out += atWordStart ? c.toUpper() : c.toLower();
            atWordStart = false;
        }
    }
    return out;
}

// The first `count` user-perceived characters, never splitting a character.
QString leadingCharacters(const QString& text, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
    }
    return text.left(end);
}

QString textOrEmpty(const QJsonValue& v) { return v.isString() ? v.toString() : QString(); }

std::optional<QString> nameLookup(const QJsonObject& data, const QString& key,
                                  const PersonNameLookup& personName) {
    const QJsonValue v = data.value(key);
    if (!v.isString())
        return std::nullopt;
    const QString id = v.toString();
    try {
        if (personName) {
            if (auto name = personName(id))
                return name;
        }
    } catch (...) {
        // A failed lookup still leaves something readable: the id itself.
    }
    return id;
}

} // namespace

std::optional<QString> str(const QJsonValue& v) {
    if (!v.isString())
        return std::nullopt;
    QString text = v.toString();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

qint64 integer(const QJsonValue& v) {
    if (holdsInteger(v))
        return v.toInteger();
    if (v.isDouble()) {
        const double d = std::trunc(v.toDouble());
        // 2^63 is exactly representable; anything at or beyond it does not fit.
        if (!std::isfinite(d) || d >= 9223372036854775808.0 || d < -9223372036854775808.0)
            return 0;
        return qint64(d);
    }
    if (v.isString())
        return parseInteger(v.toString()).value_or(0);
    return 0;
}

double real(const QJsonValue& v) {
    if (holdsInteger(v))
        return double(v.toInteger());
    if (v.isDouble())
        return v.toDouble();
    if (v.isString())
        return parseDecimal(v.toString());
    return 0.0;
}

bool boolean(const QJsonValue& v) {
    if (v.isBool())
        return v.toBool();
    if (holdsInteger(v))
        return v.toInteger() != 0;
    return false;
}

QStringList strings(const QJsonValue& v) {
    QStringList out;
    if (!v.isArray())
        return out;
    for (const QJsonValue& element : v.toArray())
        if (element.isString())
            out.append(element.toString());
    return out;
}

std::optional<QString> json(const QJsonValue& v) {
    if (v.isString())
        return v.toString();
    if (v.isObject() || v.isArray())
        return compactSorted(v);
    return std::nullopt;
}

std::optional<QDateTime> date(const QJsonValue& v) {
    if (v.isString()) {
        return parseInternetDate(v.toString());
    }
    if (holdsInteger(v)) {
        const qint64 n = v.toInteger();
        if (n > qint64(millisecondsThreshold))
            return fromEpochMilliseconds(n);
        return fromEpochSeconds(double(n));
    }
    if (v.isDouble()) {
        const double d = v.toDouble();
        return fromEpochSeconds(d > millisecondsThreshold ? d / 1000.0 : d);
    }
    return std::nullopt;
}

QJsonValue stamp(const std::optional<QDateTime>& date) {
    if (!date || !date->isValid())
        return QJsonValue::Null;
    return date->toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"));
}

std::optional<QString> summarize(const QString& kind, const QJsonValue& dataValue,
                                 const PersonNameLookup& personName) {
    const QJsonObject data = dataValue.isObject() ? dataValue.toObject() : QJsonObject();
    if (kind == u"status_changed") {
        QString from = textOrEmpty(data.value(QStringLiteral("from")));
        QString to = textOrEmpty(data.value(QStringLiteral("to")));
        from.replace(u'_', u' ');
        to.replace(u'_', u' ');
        if (from.isEmpty())
            return to;
        return from + QStringLiteral(" \u2192 ") + to;
    }
    if (kind == u"assigned")
        return nameLookup(data, QStringLiteral("assignee_id"), personName);
    if (kind == u"resolved" || kind == u"proposed") {
        for (const char* key : {"resolution", "resolution_ref"}) {
            const QJsonValue v = data.value(QLatin1String(key));
            if (v.isString())
                return v.toString();
        }
        return std::nullopt;
    }
    if (kind == u"commented")
        return leadingCharacters(textOrEmpty(data.value(QStringLiteral("body"))), 140);
    if (kind == u"moved") {
        const QJsonValue name = data.value(QStringLiteral("group_name"));
        if (name.isString())
            return name.toString();
        return nameLookup(data, QStringLiteral("group_id"), personName);
    }
    if (kind == u"created") {
        const QJsonValue mode = data.value(QStringLiteral("mode"));
        if (!mode.isString())
            return std::nullopt;
        if (mode.toString() == u"text")
            return QStringLiteral("no screenshot");
        return capitalizeWords(mode.toString());
    }
    if (kind == u"claimed")
        return std::nullopt;
    if (data.isEmpty())
        return std::nullopt;
    return compactSorted(data);
}

} // namespace Wire
