#pragma once

#include <QString>

#include <exception>
#include <string>

// Base of every typed error. description() is the text shown to the user.
class ZorviError : public std::exception {
public:
    explicit ZorviError(QString description)
        : description_(std::move(description)), what_(description_.toStdString()) {}

    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    QString description_;
    std::string what_;
};

// The user-facing text of any error: a ZorviError's description, else what().
inline QString describe(const std::exception& e) {
    if (const auto* known = dynamic_cast<const ZorviError*>(&e))
        return known->description();
    return QString::fromUtf8(e.what());
}
