// What agents did to a person's captures, for the desktop's notices.
#include "CaptureStore.h"

std::vector<CaptureStore::AgentAction> CaptureStore::agentActionsSince(const QDateTime& since) {
    const double after = double(since.toMSecsSinceEpoch()) / 1000.0;
    const std::optional<QString> me = currentUserID();
    const QString mine = "c.deleted_at IS NULL AND (c.author_id IS NULL OR c.author_id = ?)";
    // Claims and resolves are recorded under the agent's name; the person's
    // own are "you".
    const auto rows = db_->query(
        "SELECT a.capture_id, a.kind, a.actor, a.detail, a.created_at, c.note FROM activity a "
        "JOIN captures c ON c.id = a.capture_id WHERE a.created_at > ? AND a.kind IN ('claimed', 'resolved') "
        "AND a.actor <> 'you' AND " + mine +
            " UNION ALL "
            "SELECT k.capture_id, 'commented', k.author, k.body, k.created_at, c.note FROM comments k "
            "JOIN captures c ON c.id = k.capture_id WHERE k.created_at > ? AND k.is_agent = 1 AND " + mine +
            " ORDER BY 5;",
        {after, SQLValue::string(me), after, SQLValue::string(me)});
    std::vector<AgentAction> actions;
    for (const Row& row : rows) {
        Capture titled;
        titled.note = row.string("note").value_or(QString());
        actions.push_back({row.string("capture_id").value_or(QString()), row.string("kind").value_or(QString()),
                           row.string("actor").value_or(QString()), row.string("detail").value_or(QString()),
                           titled.title(), row.date("created_at").value_or(QDateTime())});
    }
    return actions;
}
