#include "Comment.h"

#include "RecordFields.h"

using namespace RecordFields;

Comment Comment::fromRow(const Row& r) {
    Comment c;
    c.id = idOrFresh(r);
    c.captureID = r.string("capture_id").value_or(QString());
    c.author = r.string("author").value_or(QStringLiteral("unknown"));
    c.isAgent = r.boolean("is_agent");
    c.body = r.string("body").value_or(QString());
    c.createdAt = dateOrNow(r, "created_at");
    c.authorID = r.string("author_id");
    c.actorLabel = r.string("actor_label");
    c.kind = r.string("kind").value_or(QStringLiteral("comment"));
    c.syncState = syncStateFromRaw(r.string("sync_state").value_or(QString())).value_or(SyncState::local);
    return c;
}

QJsonObject Comment::toJson() const {
    QJsonObject j{{"id", id},         {"captureID", captureID},          {"author", author},
                  {"isAgent", isAgent}, {"body", body},                   {"createdAt", dateJson(createdAt)},
                  {"kind", kind},       {"syncState", rawValue(syncState)}};
    put(j, "authorID", authorID);
    put(j, "actorLabel", actorLabel);
    return j;
}
