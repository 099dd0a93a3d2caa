// Feeds arbitrary JSON to the wire readers and to every operation that writes
// rows from the workspace service into a real library, then reads back what
// would be pushed. Each input is a JSON object or an array of objects; a row's
// "op" picks the operation, and a row without a known "op" goes through every
// applyRemote* operation in turn.
//
// Beyond crashes and sanitizer reports, two properties are checked after each
// input: nothing beside the library folder changed (sentinel files sit next
// to it), and no stored image path could reach outside the library.

#include "common/ZorviError.h"
#include "store/CaptureStore.h"
#include "store/RemoteApplier.h"
#include "store/SyncLedger.h"
#include "store/ZorviPaths.h"
#include "common/Wire.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

namespace {

const QByteArray sentinelBytes = "left alone by the library\n";

class Sandbox {
public:
    Sandbox() {
        QString root = qEnvironmentVariable("ZORVI_FUZZ_SANDBOX");
        if (root.isEmpty()) {
            QTemporaryDir scratch;
            scratch.setAutoRemove(false);
            root = scratch.path();
        }
        root_ = QDir(root).absolutePath();
        QDir().mkpath(root_ + "/outside");
        QDir().mkpath(library());
        for (const QString& file : sentinels()) {
            QFile f(file);
            if (!f.open(QIODevice::WriteOnly) || f.write(sentinelBytes) != sentinelBytes.size())
                fail("could not write sentinel " + file);
        }
    }

    QString library() const { return root_ + "/library"; }

    void verify() const {
        expectEntries(root_, {"keep.png", "library", "outside"});
        expectEntries(root_ + "/outside", {"keep.txt"});
        for (const QString& file : sentinels()) {
            QFile f(file);
            if (!f.open(QIODevice::ReadOnly) || f.readAll() != sentinelBytes)
                fail("sentinel changed: " + file);
        }
    }

    [[noreturn]] static void fail(const QString& why) {
        std::fprintf(stderr, "library escaped its folder: %s\n", qPrintable(why));
        std::abort();
    }

private:
    QStringList sentinels() const { return {root_ + "/keep.png", root_ + "/outside/keep.txt"}; }

    static void expectEntries(const QString& dir, QStringList expected) {
        QStringList found = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        found.sort();
        expected.sort();
        if (found != expected)
            fail(dir + " holds [" + found.join(", ") + "]");
    }

    QString root_;
};

// Stored image paths are relative to the library's folders; one that is
// absolute or climbs out with ".." would let a later removal reach outside.
void verifyStoredPaths(Database& db) {
    const auto rows = db.query(
        "SELECT image_path AS p FROM capture_images UNION ALL SELECT annotated_path FROM capture_images "
        "UNION ALL SELECT thumb_path FROM capture_images UNION ALL SELECT image_path FROM captures "
        "UNION ALL SELECT thumb_path FROM captures;");
    for (const Row& row : rows) {
        const QString path = row.string("p").value_or(QString());
        if (path.startsWith(u'/') || path.split(u'/').contains(QStringLiteral("..")))
            Sandbox::fail("stored path " + path);
    }
}

void writeFile(const QString& path) {
    if (QFile::exists(path))
        return;
    ZorviPaths::ensureParentDirectory(path);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write("png");
}

// The same starting library for every input, so a finding reproduces alone.
void resetLibrary(Database& db) {
    db.transaction([&] { db.executeRaw(R"(
        DELETE FROM captures; DELETE FROM groups; DELETE FROM tags; DELETE FROM activity;
        DELETE FROM people; DELETE FROM workspaces; DELETE FROM group_members;
        DELETE FROM sync_meta; DELETE FROM sync_log;
        INSERT INTO sync_meta (key, value) VALUES ('user_id', 'u-me'), ('user_name', 'Me');
        INSERT INTO people (id, name, email, kind, updated_at) VALUES ('u1', 'Ada', 'ada@example.com', 'person', 0);
        INSERT INTO workspaces (id, name, slug, role, updated_at) VALUES ('w1', 'Team', 'team', 'owner', 0);
        INSERT INTO groups (id, name, created_at, updated_at) VALUES ('g-local', 'Mine', 0, 0);
        INSERT INTO groups (id, name, created_at, updated_at, workspace_id, sync_state)
            VALUES ('g-shared', 'Team', 0, 0, 'w1', 'synced');
        INSERT INTO captures (id, created_at, updated_at, note, image_path, thumb_path, group_id)
            VALUES ('seed-local', 1, 1, 'local', '2024/01/seed-local-img.png', '2024/01/seed-local-img.jpg', 'g-local');
        INSERT INTO captures (id, created_at, updated_at, note, image_path, group_id, workspace_id, author_id,
                              sync_state, pending, version)
            VALUES ('seed-shared', 2, 2, 'shared', '2024/01/seed-image.png', 'g-shared', 'w1', 'u-me',
                    'pendingPush', '{"note":true,"tags":true}', 3);
        INSERT INTO captures (id, created_at, updated_at, image_path, workspace_id, sync_state, pending, deleted_at)
            VALUES ('seed-deleted', 3, 3, '', 'w1', 'pendingPush', '{"delete":true}', 3);
        INSERT INTO capture_images (id, capture_id, image_path, thumb_path, created_at)
            VALUES ('seed-local-img', 'seed-local', '2024/01/seed-local-img.png', '2024/01/seed-local-img.jpg', 1);
        INSERT INTO capture_images (id, capture_id, image_path, annotated_path, created_at, original_sha256,
                                    marked_sha256, sync_state)
            VALUES ('seed-image', 'seed-shared', '2024/01/seed-image.png', '2024/01/seed-image-marked.png', 2,
                    'aa', 'bb', 'synced');
        INSERT INTO activity (id, capture_id, kind, created_at) VALUES ('seed-act', 'seed-shared', 'status_changed', 2);
        INSERT INTO comments (id, capture_id, author, body, created_at, sync_state)
            VALUES ('seed-comment', 'seed-shared', 'me', 'hi', 2, 'pendingPush');
    )"); });
    for (const char* relative :
         {"2024/01/seed-local-img.png", "2024/01/seed-image.png", "2024/01/seed-image-marked.png"})
        writeFile(ZorviPaths::imageFile(QString::fromLatin1(relative)));
    writeFile(ZorviPaths::thumbFile(QStringLiteral("2024/01/seed-local-img.jpg")));
}

void readEverything(const QJsonValue& v, int depth) {
    (void)Wire::str(v);
    (void)Wire::integer(v);
    (void)Wire::real(v);
    (void)Wire::boolean(v);
    (void)Wire::strings(v);
    (void)Wire::json(v);
    (void)Wire::stamp(Wire::date(v));
    if (depth > 8)
        return;
    if (v.isArray())
        for (const QJsonValue& element : v.toArray())
            readEverything(element, depth + 1);
    if (v.isObject()) {
        const QJsonObject object = v.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            readEverything(it.value(), depth + 1);
    }
}

Workspace workspaceFrom(const QJsonValue& v) {
    const QJsonObject o = v.toObject();
    return {Wire::str(o.value("id")).value_or(QString()), Wire::str(o.value("name")).value_or(QString()),
            Wire::str(o.value("slug")).value_or(QString()), Wire::str(o.value("role")).value_or("member"),
            Wire::json(o.value("settings"))};
}

QString text(const QJsonObject& row, const char* key) {
    return Wire::str(row.value(QLatin1String(key))).value_or(QString());
}

void applyRow(CaptureStore& store, QJsonObject row) {
    // Activity reaches the store with its detail already summarised, as the sync cycle does.
    if (!row.contains("detail")) {
        const Wire::PersonNameLookup names = [&](const QString& id) { return RemoteApplier(store).personName(id); };
        if (auto detail = Wire::summarize(text(row, "kind"), row.value("data"), names))
            row.insert("detail", *detail);
    }
    using Apply = void (RemoteApplier::*)(const QJsonObject&);
    static const std::map<QString, Apply> remote{
        {"capture", &RemoteApplier::applyRemoteCapture}, {"group", &RemoteApplier::applyRemoteGroup},
        {"image", &RemoteApplier::applyRemoteImage},     {"comment", &RemoteApplier::applyRemoteComment},
        {"activity", &RemoteApplier::applyRemoteActivity}, {"member", &RemoteApplier::applyRemoteGroupMember},
        {"person", &RemoteApplier::applyRemotePerson}};
    static const std::map<QString, std::function<void(CaptureStore&, const QJsonObject&)>> verdicts{
        {"workspaces",
         [](CaptureStore& s, const QJsonObject& r) {
             std::vector<Workspace> list;
             for (const QJsonValue& w : r.value("list").toArray())
                 list.push_back(workspaceFrom(w));
             RemoteApplier(s).replaceWorkspaces(list);
         }},
        {"remap", [](CaptureStore& s, const QJsonObject& r) { RemoteApplier(s).remapGroup(text(r, "from"), text(r, "to")); }},
        {"dropCapture", [](CaptureStore& s, const QJsonObject& r) { RemoteApplier(s).dropCapture(text(r, "id")); }},
        {"dropImage", [](CaptureStore& s, const QJsonObject& r) { RemoteApplier(s).dropImage(text(r, "id")); }},
        {"dropGroup", [](CaptureStore& s, const QJsonObject& r) { RemoteApplier(s).dropGroup(text(r, "id")); }},
        {"dropWorkspace", [](CaptureStore& s, const QJsonObject& r) { RemoteApplier(s).dropWorkspace(text(r, "id")); }},
        {"purge", [](CaptureStore& s, const QJsonObject&) { RemoteApplier(s).purgeAccountData(); }},
        {"markLocalOnly", [](CaptureStore& s, const QJsonObject& r) { SyncLedger(s).markLocalOnly(text(r, "id")); }},
        {"markSynced", [](CaptureStore& s, const QJsonObject& r) {
             static const QStringList tables{"captures", "groups", "capture_images"};
             const qint64 pick = Wire::integer(r.value("table"));
             const QString table = tables[int((pick % 3 + 3) % 3)];
             const std::optional<std::int64_t> version =
                 r.contains("version") ? std::optional<std::int64_t>(Wire::integer(r.value("version"))) : std::nullopt;
             SyncLedger(s).markSynced(table, text(r, "id"), version);
         }}};

    const QString op = text(row, "op");
    RemoteApplier applier(store);
    try {
        if (auto it = remote.find(op); it != remote.end()) {
            (applier.*(it->second))(row);
        } else if (auto v = verdicts.find(op); v != verdicts.end()) {
            v->second(store, row);
        } else {
            for (const auto& [name, apply] : remote) {
                try {
                    (applier.*apply)(row);
                } catch (const ZorviError&) {
                }
            }
        }
    } catch (const ZorviError&) {
        // A row the library refuses (a missing parent, a name clash) is logged
        // by the sync cycle and skipped; that is not a finding.
    }
}

// Reads back everything a sync cycle would push afterwards.
void buildOutgoingChanges(CaptureStore& store) {
    QJsonArray changes;
    SyncLedger ledger(store);
    for (const Pending& p : ledger.pending("captures", 50))
        if (auto change = ledger.captureChange(p))
            changes.append(*change);
    for (const Pending& p : ledger.pending("groups", 50))
        if (auto change = ledger.groupChange(p))
            changes.append(*change);
    for (const Pending& p : ledger.pending("capture_images", 50))
        if (auto image = store.imageIncludingDeleted(p.id))
            if (auto change = ledger.imageChange(p, *image))
                changes.append(*change);
    for (const Comment& c : ledger.pendingComments(50))
        changes.append(SyncLedger::commentChange(c));
    (void)QJsonDocument(changes).toJson(QJsonDocument::Compact);
    (void)ledger.imagesAwaitingDownload(50);
    (void)ledger.syncedCaptureIDs();
    (void)store.localCaptures();
    (void)store.syncLog(5);
}

Sandbox* sandbox = nullptr;
CaptureStore* store = nullptr;
// A second connection to the library: resets it between inputs and inspects what was stored.
Database* sql = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    sandbox = new Sandbox;
    qputenv("ZORVI_HOME", sandbox->library().toUtf8());
    try {
        store = new CaptureStore(ZorviPaths::databaseFile());
        sql = new Database(ZorviPaths::databaseFile());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot open the fuzz library: %s\n", e.what());
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (doc.isNull())
        return 0;
    QJsonArray rows = doc.isArray() ? doc.array() : QJsonArray{doc.object()};
    readEverything(rows, 0);

    resetLibrary(*sql);
    int applied = 0;
    for (const QJsonValue& row : rows) {
        if (!row.isObject() || ++applied > 64)
            continue;
        applyRow(*store, row.toObject());
    }
    try {
        buildOutgoingChanges(*store);
    } catch (const ZorviError&) {
    }

    sandbox->verify();
    verifyStoredPaths(*sql);
    return 0;
}
