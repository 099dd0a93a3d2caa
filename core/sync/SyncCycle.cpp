#include "SyncCycle.h"

#include "BlobTransfer.h"
#include "SyncClient.h"
#include "common/Wire.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

namespace {

const QString allFields = QStringLiteral("*");
const QString deletion = QStringLiteral("delete");

// Remote rows are applied parents first.
const char* const applyOrder[] = {"groups", "group_members", "captures", "capture_images", "comments", "activity"};

QString tail8(const QString& id) {
    return id.right(8);
}

} // namespace

bool SyncCycle::run() {
    QJsonArray changes;
    QHash<QString, Sent> sent;
    bool backlog = false; // a table had more pending rows than one read takes
    auto collect = [&](const QString& table, auto buildChange) {
        const std::vector<Pending> rows = ledger_.pending(table, rowsPerTable);
        backlog = backlog || rows.size() == size_t(rowsPerTable);
        for (const Pending& row : rows) {
            const std::optional<QJsonObject> change = buildChange(row);
            if (!change) { // nothing left to send
                ledger_.markSynced(table, row.id, std::nullopt);
                continue;
            }
            changes.append(*change);
            sent.insert(row.id, {table, row.fields.contains(allFields), row.fields, *change});
        }
    };
    collect("groups", [&](const Pending& p) { return ledger_.groupChange(p); });
    collect("captures", [&](const Pending& p) { return ledger_.captureChange(p); });
    // Screenshots and comments of a capture whose first push is still to come
    // wait for it: sent before it, they would be refused until their retries
    // ran out, and then never sent again.
    auto awaitsItsCapture = [&](const QString& captureID) {
        if (sent.contains(captureID))
            return false;
        const std::optional<Pending> capture = ledger_.pendingRow("captures", captureID);
        return capture && capture->fields.contains(allFields);
    };
    // A deleted capture takes its screenshots (and their files) and comments
    // with it; its deletion is the one change the service needs.
    auto goneWithItsCapture = [&](const QString& captureID) {
        const std::optional<Capture> owner = store_.captureIncludingDeleted(captureID);
        return !owner || owner->deletedAt;
    };
    const std::vector<Pending> imageRows = ledger_.pending("capture_images", rowsPerTable);
    backlog = backlog || imageRows.size() == size_t(rowsPerTable);
    for (const Pending& row : imageRows) {
        std::optional<CaptureImage> image = store_.imageIncludingDeleted(row.id);
        if (!image)
            continue;
        if (goneWithItsCapture(image->captureID)) {
            ledger_.markSynced("capture_images", row.id, std::nullopt);
            continue;
        }
        if (awaitsItsCapture(image->captureID))
            continue;
        Pending widened = row;
        if (!row.fields.contains(deletion) && !image->deletedAt) {
            const CaptureImage hashed = blobs_.ensureBlobs(*image);
            // A file whose content is not the one on record goes out with its
            // marks, whatever was edited: a hash kept only here would never
            // reach the workspace.
            if (hashed.markedSHA256 != image->markedSHA256 || hashed.thumbSHA256 != image->thumbSHA256)
                for (const QString& field : CaptureImage::markupFields())
                    widened.fields.insert(field);
            image = hashed;
        }
        const std::optional<QJsonObject> change = ledger_.imageChange(widened, *image);
        if (!change) {
            ledger_.markSynced("capture_images", row.id, std::nullopt);
            continue;
        }
        changes.append(*change);
        sent.insert(row.id, {"capture_images", row.fields.contains(allFields), widened.fields, *change, *image});
    }
    const std::vector<Comment> comments = ledger_.pendingComments(rowsPerTable);
    backlog = backlog || comments.size() == size_t(rowsPerTable);
    for (const Comment& comment : comments) {
        if (goneWithItsCapture(comment.captureID)) {
            ledger_.markCommentSynced(comment.id);
            continue;
        }
        if (awaitsItsCapture(comment.captureID))
            continue;
        changes.append(SyncLedger::commentChange(comment));
        sent.insert(comment.id, {"comments", true, {}, {}});
    }

    const qsizetype collected = changes.size();
    qsizetype bytes = 0;
    qsizetype fits = 0;
    for (; fits < std::min<qsizetype>(collected, changesPerRequest); ++fits) {
        bytes += QJsonDocument(changes.at(fits).toObject()).toJson(QJsonDocument::Compact).size();
        if (fits > 0 && bytes > bytesPerRequest)
            break;
    }
    while (changes.size() > fits)
        changes.removeLast();
    const QStringList fullGroups = fullGroupsQueue_.mid(0, fullGroupsPerRequest);
    fullGroupsQueue_.remove(0, fullGroups.size());
    bool cursorOK = false;
    const qint64 cursor = store_.syncMeta("cursor").value_or("0").toLongLong(&cursorOK);
    const QJsonObject body{{"device_id", store_.syncMeta("device_id").value_or(Identifiers::make())},
                           {"cursor", cursorOK ? cursor : 0},
                           {"changes", changes},
                           {"full_groups", QJsonArray::fromStringList(fullGroups)}};

    const QJsonObject reply = client_.sync(body);
    // Signed out while the request was on its way: the account's rows are gone
    // and must not come back from this reply.
    if (!client_.token())
        return false;

    bool again = false;
    for (const QJsonValue& result : reply.value("results").toArray())
        again = handleResult(result.toObject(), sent) || again;
    for (const QJsonValue& person : reply.value("people").toArray())
        if (person.isObject())
            remote_.applyRemotePerson(person.toObject());
    const QJsonArray remote = reply.value("changes").toArray();
    applyRemoteChanges(remote);
    ledger_.setSyncMeta("cursor", QString::number(Wire::integer(reply.value("cursor"))));

    bool fullResync = false;
    for (const QJsonValue& entry : reply.value("resync_groups").toArray()) {
        const std::optional<QString> id = Wire::str(entry["id"]);
        if (!id)
            continue;
        if (entry["mode"].toString() == u"drop")
            remote_.dropGroup(*id);
        else if (id->startsWith("workspace:"))
            fullResync = true;
        else if (!fullGroupsQueue_.contains(*id))
            fullGroupsQueue_.append(*id);
    }
    for (const QString& id : Wire::strings(reply.value("dropped_captures")))
        remote_.dropCapture(id);
    for (const QString& id : Wire::strings(reply.value("dropped_workspaces")))
        remote_.dropWorkspace(id);
    if (fullResync) {
        ledger_.setSyncMeta("cursor", QString("0"));
        // The service may have lost rows (restored from a backup): this run
        // checks which of ours it still has.
        ledger_.setSyncMeta("last_reconcile", std::nullopt);
        if (refreshAccount)
            refreshAccount();
    }
    if (!remote.isEmpty() || !changes.isEmpty())
        store_.postDidChange();
    return fullResync || Wire::boolean(reply.value("more")) || !fullGroupsQueue_.isEmpty() || again ||
           changes.size() < collected || backlog;
}

void SyncCycle::applyRemoteChanges(const QJsonArray& changes) {
    std::vector<std::pair<QLatin1String, QJsonObject>> rows;
    for (const char* table : applyOrder)
        for (const QJsonValue& entry : changes)
            if (entry["table"].toString() == QLatin1String(table) && entry["row"].isObject())
                rows.emplace_back(QLatin1String(table), entry["row"].toObject());
    // A batch of rows per transaction: far fewer commits than one per row, yet
    // short enough that a local edit never waits long for the library. A
    // batch that fails to commit fails the cycle before the cursor moves.
    for (size_t first = 0; first < rows.size(); first += remoteRowsPerTransaction)
        store_.transaction([&] {
            for (size_t i = first; i < std::min(rows.size(), first + remoteRowsPerTransaction); ++i)
                applyRemoteRow(rows[i].first, rows[i].second);
        });
}

void SyncCycle::applyRemoteRow(QLatin1String table, const QJsonObject& row) {
    // One bad row (a parent we never received, a constraint) must not hold
    // back the rest: it is undone alone, logged, and the cursor moves past it.
    try {
        store_.transaction([&] {
            if (table == "groups") remote_.applyRemoteGroup(row);
            else if (table == "group_members") remote_.applyRemoteGroupMember(row);
            else if (table == "captures") remote_.applyRemoteCapture(row);
            else if (table == "capture_images") remote_.applyRemoteImage(row);
            else if (table == "comments") remote_.applyRemoteComment(row);
            else remote_.applyRemoteActivity(row);
        });
    } catch (const std::exception& e) {
        ledger_.log("warn", "Couldn't apply " + QString(table) + " row: " + describe(e));
    }
}

bool SyncCycle::handleResult(const QJsonObject& result, const QHash<QString, Sent>& sent) {
    const std::optional<QString> id = Wire::str(result.value("id"));
    if (!id || !sent.contains(*id))
        return false;
    const Sent& row = sent[*id];
    const QString status = result.value("status").toString();
    const QJsonValue versionValue = result.value("version");
    const std::optional<std::int64_t> version =
        versionValue.isDouble() && versionValue.toDouble() == double(versionValue.toInteger())
            ? std::optional<std::int64_t>(versionValue.toInteger())
            : std::nullopt;

    if (status == u"applied" || status == u"merged") {
        if (row.table == u"comments")
            ledger_.markCommentSynced(*id);
        else
            settle(*id, row, version);
        const QStringList conflicts = Wire::strings(result.value("conflicts"));
        if (status == u"merged" && !conflicts.isEmpty())
            ledger_.log("info", row.table + " " + tail8(*id) + ": the server's " + conflicts.join(", ") +
                                   " stood; your version was kept alongside");
        rejections_.remove(*id);
        return false;
    }
    if (status == u"remapped") {
        if (const std::optional<QString> canonical = Wire::str(result.value("canonical_id")))
            remote_.remapGroup(*id, *canonical);
        return false;
    }
    const QString reason = Wire::str(result.value("reason")).value_or(QStringLiteral("rejected"));
    if (Wire::boolean(result.value("retry"))) {
        const int count = rejections_.value(*id, 0) + 1;
        rejections_.insert(*id, count);
        if (count <= retryableRejections)
            return true;
    }
    rejections_.remove(*id);
    ledger_.log("warn", row.table + " " + tail8(*id) + " rejected: " + reason);
    const bool staysLocal = row.table == u"captures" && row.isNew;
    if (staysLocal)
        ledger_.markLocalOnly(*id);
    else if (row.table == u"comments")
        ledger_.markCommentSynced(*id);
    else
        ledger_.markSynced(row.table, *id, std::nullopt);
    if (refused)
        refused(row.table, *id, reason, staysLocal);
    return false;
}

std::optional<QJsonObject> SyncCycle::currentChange(const QString& table, const QString& id) {
    const Pending everything{id, {allFields}, 0};
    if (table == u"captures")
        return ledger_.captureChange(everything);
    if (table == u"groups")
        return ledger_.groupChange(everything);
    if (const std::optional<CaptureImage> image = store_.imageIncludingDeleted(id))
        return ledger_.imageChange(everything, *image);
    return std::nullopt;
}

void SyncCycle::settle(const QString& id, const Sent& sent, std::optional<std::int64_t> version) {
    // One transaction across the comparison and the marking, so no edit slips in between.
    store_.transaction([&] {
        const std::optional<Pending> now = ledger_.pendingRow(sent.table, id);
        QStringList stillPending;
        if (now) {
            for (const QString& field : now->fields)
                if (!sent.fields.contains(field) && !sent.fields.contains(allFields))
                    stillPending << field;
            const QJsonObject sentPatch = sent.change.value("patch").toObject();
            const std::optional<QJsonObject> current = currentChange(sent.table, id);
            const QJsonObject currentPatch = current ? current->value("patch").toObject() : QJsonObject();
            if (current && current->contains(deletion) && !sent.change.contains(deletion))
                stillPending << deletion;
            for (auto it = sentPatch.begin(); it != sentPatch.end(); ++it)
                if (currentPatch.contains(it.key()) && currentPatch.value(it.key()) != it.value())
                    stillPending << it.key();
            if (sent.image)
                if (const std::optional<CaptureImage> stored = store_.imageIncludingDeleted(id))
                    if (stored->annotatedPath != sent.image->annotatedPath ||
                        stored->thumbPath != sent.image->thumbPath)
                        stillPending << CaptureImage::markupFields();
        }
        const QStringList& markup = CaptureImage::markupFields();
        if (sent.table == u"capture_images" &&
            std::any_of(markup.begin(), markup.end(), [&](const QString& f) { return stillPending.contains(f); }))
            stillPending << markup;
        ledger_.markSynced(sent.table, id, version);
        if (!stillPending.isEmpty())
            ledger_.markPending(sent.table, id, stillPending);
    });
}
