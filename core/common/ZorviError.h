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
