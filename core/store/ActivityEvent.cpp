#include "ActivityEvent.h"

#include "RecordFields.h"

using namespace RecordFields;

ActivityEvent ActivityEvent::fromRow(const Row& r) {
    ActivityEvent e;
    e.id = idOrFresh(r);
    e.captureID = r.string("capture_id");
    e.kind = r.string("kind").value_or(QString());
    e.detail = r.string("detail").value_or(QString());
    e.actor = r.string("actor").value_or(QStringLiteral("you"));
    e.createdAt = dateOrNow(r, "created_at");
    e.actorID = r.string("actor_id");
    e.remote = r.boolean("remote");
    return e;
}

QJsonObject ActivityEvent::toJson() const {
    QJsonObject j{{"id", id},       {"kind", kind},   {"detail", detail}, {"actor", actor},
                  {"createdAt", dateJson(createdAt)}, {"remote", remote}};
    put(j, "captureID", captureID);
    put(j, "actorID", actorID);
    return j;
}
