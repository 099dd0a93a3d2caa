#pragma once

#include <QString>

#include <optional>
#include <ostream>

// Readable failure messages for Qt text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
