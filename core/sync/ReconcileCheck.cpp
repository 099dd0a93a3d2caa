#include "ReconcileCheck.h"

#include "SyncClient.h"

#include "common/Wire.h"
#include "store/CaptureStore.h"

#include <QSet>

bool ReconcileCheck::runIfDue() {
    const std::optional<QString> lastText = store_.syncMeta("last_reconcile");
    const std::optional<QDateTime> last = lastText ? Wire::date(QJsonValue(*lastText)) : std::nullopt;
    if (last && last->secsTo(QDateTime::currentDateTimeUtc()) < intervalSecs)
        return false;
    // A capture is missing here only when no page held it.
    const QStringList held = ledger_.syncedCaptureIDs();
    SyncClient::Reconciliation answer;
    std::optional<QSet<QString>> missing;
    for (qsizetype first = 0; first == 0 || first < held.size(); first += page) {
        const SyncClient::Reconciliation part = client_.reconcile(held.mid(first, page));
        answer.drop += part.drop;
        answer.unknown += part.unknown;
        const QSet<QString> lacking(part.missing.begin(), part.missing.end());
        missing = missing ? missing->intersect(lacking) : lacking;
    }
    answer.missing = missing->values();
    bool another = false;
    for (const QString& id : answer.drop)
        remote_.dropCapture(id);
    if (!answer.unknown.isEmpty()) {
        ledger_.log("info", QString::number(answer.unknown.size()) + " captures unknown to the server; sending them again");
        ledger_.pushAgain(answer.unknown);
        another = true;
    }
    if (!answer.missing.isEmpty()) {
        ledger_.log("info", QString::number(answer.missing.size()) + " captures missing locally; pulling everything again");
        ledger_.setSyncMeta("cursor", QString("0"));
        another = true;
    }
    ledger_.setSyncMeta("last_reconcile", Wire::stamp(QDateTime::currentDateTimeUtc()).toString());
    if (!answer.drop.isEmpty())
        store_.postDidChange();
    return another;
}
