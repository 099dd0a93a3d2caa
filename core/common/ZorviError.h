#pragma once

#include <QCoreApplication>
#include <QDebug>
#include <QString>

#include <exception>
#include <string>

// Base of every typed error. description() is the text shown to the user;
// detail() is what a developer needs (a library's own message), for the log only.
class ZorviError : public std::exception {
public:
    explicit ZorviError(QString description)
        : description_(std::move(description)), what_(description_.toStdString()) {}

    const QString& description() const noexcept { return description_; }
    virtual QString detail() const { return {}; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    QString description_;
    std::string what_;
};

// The user-facing text of any error: a ZorviError's description, and for
// anything else a plain sentence. Whatever a person should not read (SQL,
// a library's message) goes to the log instead.
inline QString describe(const std::exception& e) {
    if (const auto* known = dynamic_cast<const ZorviError*>(&e)) {
        if (const QString detail = known->detail(); !detail.isEmpty())
            qWarning().noquote() << known->description() << "--" << detail;
        return known->description();
    }
    qWarning().noquote() << "Unexpected failure:" << e.what();
    return QCoreApplication::translate("ZorviError",
                                       "Zorvi couldn't finish that. Try again; if it keeps happening, the log has "
                                       "the details.");
}
