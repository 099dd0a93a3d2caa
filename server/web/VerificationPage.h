#pragma once

#include <QString>

// The HTML of the device verification page, rendered on the server: plain
// forms, no scripts. Every text that came from outside is escaped.
namespace VerificationPage {

QString escape(const QString& text);

QString signIn(const QString& userCode, const QString& csrf, const QString& error = {});
QString enterCode(const QString& userName, const QString& csrf, const QString& error = {});
QString approve(const QString& userName, const QString& email, const QString& userCode, const QString& csrf);
QString outcome(const QString& title, const QString& message);

} // namespace VerificationPage
