#include "ActivityLine.h"

namespace ActivityLine {

QString text(const ActivityEvent& e,
             const std::function<std::optional<Person>(const std::optional<QString>&)>& person) {
    const QString suffix = e.detail.isEmpty() ? QString() : " — " + e.detail;
    const QString& kind = e.kind;
    if (kind == u"created")
        return e.detail == u"no screenshot" ? QStringLiteral("Filed without a screenshot") : "Captured" + suffix;
    if (kind == u"status_changed")
        return e.actor + " changed status" + suffix;
    if (kind == u"claimed")
        return "Claimed by " + e.actor;
    if (kind == u"resolved")
        return e.actor + " resolved it" + suffix;
    if (kind == u"proposed")
        return e.actor + " proposed a fix" + suffix;
    if (kind == u"assigned") {
        QString to = QStringLiteral("nobody");
        if (!e.detail.isEmpty()) {
            const std::optional<Person> p = person(e.detail);
            to = p ? p->name : e.detail;
        }
        return e.actor + " assigned it to " + to;
    }
    if (kind == u"moved")
        return e.actor + " moved it" + suffix;
    if (kind == u"reopened")
        return e.actor + " reopened it";
    if (kind == u"commented")
        return e.actor + " commented";
    if (kind == u"updated")
        return e.actor + " updated" + suffix;
    return e.actor + " " + kind + suffix;
}

} // namespace ActivityLine
