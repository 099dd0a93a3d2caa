#include "HexColor.h"


#include <optional>

namespace HexColor {

namespace {

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

std::optional<quint32> readHex32(QStringView digits) {
    if (digits.startsWith(u'+'))
        digits = digits.mid(1);
    if (digits.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (QChar c : digits) {
        const char16_t u = c.unicode();
        int digit;
        if (u >= '0' && u <= '9')
            digit = u - '0';
        else if (u >= 'a' && u <= 'f')
            digit = u - 'a' + 10;
        else if (u >= 'A' && u <= 'F')
            digit = u - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + digit;
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return static_cast<quint32>(value);
}

} // namespace

QColor parse(const QString& text) {
    QStringView rest(text);
    while (!rest.isEmpty() && isBlank(rest.front()))
        rest = rest.mid(1);
    while (!rest.isEmpty() && isBlank(rest.back()))
        rest.chop(1);
    if (rest.startsWith(u'#'))
        rest = rest.mid(1);
    const quint32 value = readHex32(rest).value_or(fallbackRGB);
    return QColor::fromRgb((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

} // namespace HexColor
