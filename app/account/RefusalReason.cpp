#include "RefusalReason.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("RefusalReason", text);
}

// The service's column names as a person calls the fields.
QString fieldName(const QString& column) {
    if (column == u"note") return tr("note");
    if (column == u"body") return tr("comment");
    if (column == u"window_title") return tr("window title");
    if (column == u"app_name") return tr("application name");
    if (column == u"url") return tr("page address");
    if (column == u"name") return tr("name");
    if (column == u"annotation_json") return tr("markup");
    return tr("text");
}

} // namespace

namespace RefusalReason {

QString inWords(const QString& reason) {
    static const QRegularExpression tooLong(QStringLiteral("^(\\w+) is longer than (\\d+) characters$"));
    static const QRegularExpression tooManyTags(QStringLiteral("^more than (\\d+) tags$"));
    static const QRegularExpression nameTaken(QStringLiteral("^a group named \"(.*)\" exists already$"));
    if (const auto m = tooLong.match(reason); m.hasMatch())
        return tr("Its %1 is longer than the workspace allows (%2 characters).")
            .arg(fieldName(m.captured(1)), QLocale().toString(m.captured(2).toLongLong()));
    if (const auto m = tooManyTags.match(reason); m.hasMatch())
        return tr("It has more tags than the workspace allows (%1).").arg(QLocale().toString(m.captured(1).toInt()));
    if (const auto m = nameTaken.match(reason); m.hasMatch())
        return tr("The workspace already has a group named “%1”.").arg(m.captured(1));
    if (reason == u"not permitted")
        return tr("You may not change it in this workspace.");
    if (reason == u"not a member of that workspace" || reason == u"workspace_id is required for a new row")
        return tr("You are no longer a member of its workspace.");
    if (reason == u"deleted on the server")
        return tr("Someone deleted it in the workspace.");
    if (reason == u"its capture was deleted")
        return tr("Its capture was deleted in the workspace.");
    if (reason == u"its group belongs to another workspace")
        return tr("Its group belongs to another workspace.");
    if (reason == u"its group has not reached the server yet" || reason == u"its capture has not reached the server yet")
        return tr("What it belongs to has not reached the workspace.");
    if (reason.startsWith(u"file ") && reason.endsWith(u"has not been uploaded"))
        return tr("Its screenshot did not reach the workspace.");
    if (reason == u"only a group's members can change who is in it")
        return tr("Only the group's members can change who is in it.");
    return tr("The workspace did not accept it.");
}

} // namespace RefusalReason
