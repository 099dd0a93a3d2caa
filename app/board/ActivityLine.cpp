#include "ActivityLine.h"

#include <QCoreApplication>

namespace ActivityLine {

QString text(const ActivityEvent& e,
             const std::function<std::optional<Person>(const std::optional<QString>&)>& person) {
    // Whole sentences for translators; the detail (a commit, a status, a mode) is data and trails after a dash.
    const QString& kind = e.kind;
    QString line;
    if (kind == u"created" && e.detail == u"no screenshot")
        return QCoreApplication::translate("ActivityLine", "Filed without a screenshot");
    if (kind == u"created")
        line = QCoreApplication::translate("ActivityLine", "Captured");
    else if (kind == u"status_changed")
        line = QCoreApplication::translate("ActivityLine", "%1 changed status").arg(e.actor);
    else if (kind == u"claimed")
        return QCoreApplication::translate("ActivityLine", "Claimed by %1").arg(e.actor);
    else if (kind == u"resolved")
        line = QCoreApplication::translate("ActivityLine", "%1 resolved it").arg(e.actor);
    else if (kind == u"proposed")
        line = QCoreApplication::translate("ActivityLine", "%1 proposed a fix").arg(e.actor);
    else if (kind == u"assigned") {
        if (e.detail.isEmpty())
            return QCoreApplication::translate("ActivityLine", "%1 assigned it to nobody").arg(e.actor);
        const std::optional<Person> p = person(e.detail);
        return QCoreApplication::translate("ActivityLine", "%1 assigned it to %2").arg(e.actor, p ? p->name : e.detail);
    } else if (kind == u"moved")
        line = QCoreApplication::translate("ActivityLine", "%1 moved it").arg(e.actor);
    else if (kind == u"reopened")
        return QCoreApplication::translate("ActivityLine", "%1 reopened it").arg(e.actor);
    else if (kind == u"commented")
        return QCoreApplication::translate("ActivityLine", "%1 commented").arg(e.actor);
    else if (kind == u"updated")
        line = QCoreApplication::translate("ActivityLine", "%1 updated").arg(e.actor);
    else
        // A kind this version doesn't know (from a newer app or an agent) reads as it was stored.
        line = e.actor + " " + kind;
    return e.detail.isEmpty() ? line : QCoreApplication::translate("ActivityLine", "%1 — %2").arg(line, e.detail);
}

} // namespace ActivityLine
