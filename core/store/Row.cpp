#include "Row.h"

#include <cmath>

const SQLValue* Row::value(const Name& name) const {
    if (!columns_)
        return nullptr;
    const auto it = columns_->constFind(name.bytes());
    return it == columns_->constEnd() ? nullptr : &values_[size_t(*it)];
}

std::optional<QString> Row::string(const Name& name) const {
    const SQLValue* v = value(name);
    if (v)
        if (const auto* s = std::get_if<QString>(&v->storage()))
            return *s;
    return std::nullopt;
}

std::optional<std::int64_t> Row::integer(const Name& name) const {
    const SQLValue* v = value(name);
    if (!v)
        return std::nullopt;
    if (const auto* i = std::get_if<std::int64_t>(&v->storage()))
        return *i;
    if (const auto* d = std::get_if<double>(&v->storage())) {
        if (!std::isfinite(*d) || std::fabs(*d) >= 9.2e18)
            return std::nullopt;
        return std::int64_t(std::trunc(*d));
    }
    return std::nullopt;
}

std::optional<double> Row::real(const Name& name) const {
    const SQLValue* v = value(name);
    if (!v)
        return std::nullopt;
    if (const auto* d = std::get_if<double>(&v->storage()))
        return *d;
    if (const auto* i = std::get_if<std::int64_t>(&v->storage()))
        return double(*i);
    return std::nullopt;
}

std::optional<QDateTime> Row::date(const Name& name) const {
    const auto seconds = real(name);
    if (!seconds || !std::isfinite(*seconds))
        return std::nullopt;
    return fromEpochSeconds(*seconds);
}

bool Row::boolean(const Name& name) const {
    const auto i = integer(name);
    return i && *i != 0;
}

std::optional<QByteArray> Row::data(const Name& name) const {
    const SQLValue* v = value(name);
    if (v)
        if (const auto* b = std::get_if<QByteArray>(&v->storage()))
            return *b;
    return std::nullopt;
}
