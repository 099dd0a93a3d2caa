// Two computers edit one workspace at once through a service that fails now
// and then; in the end both libraries and the service agree, field by field,
// and nothing either person typed is lost.
#include "FlakyProxy.h"
#include "support/TempDir.h"
#include "ServiceFixture.h"

#include "sync/ContentHash.h"
#include "sync/SyncStatus.h"

#include "common/Identifiers.h"
#include "store/CaptureStore.h"
#include "store/ZorviPaths.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonArray>

#include <map>
#include <random>
#include <set>

#ifndef SYNC_DEVICE_EXECUTABLE
#define SYNC_DEVICE_EXECUTABLE ""
#endif

namespace {

// One computer: its library folder, the test's handle on its database, and the
// process that runs its sync engine.
class Device {
public:
    Device(QString name, const QUrl& api, const QString& token) : name_(std::move(name)) {
        use();
        ZorviPaths::ensureDirectories();
        store_ = std::make_unique<CaptureStore>(ZorviPaths::databaseURL());
        sql_ = std::make_unique<Database>(ZorviPaths::databaseURL());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZORVI_HOME", home_.path());
        env.insert("ZORVI_API_URL", api.toString());
        env.insert("ZORVI_TEST_TOKEN", token);
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(SYNC_DEVICE_EXECUTABLE);
        if (!process_.waitForStarted(10'000))
            throw std::runtime_error("sync-device did not start");
    }
    ~Device() {
        process_.write("quit\n");
        process_.closeWriteChannel();
        if (!process_.waitForFinished(20'000))
            process_.kill();
    }

    // Library files are found through ZORVI_HOME; point it here before touching them.
    CaptureStore& use() {
        qputenv("ZORVI_HOME", home_.path().toUtf8());
        return *store_;
    }
    CaptureStore& store() { return *store_; }
    // A second connection to the same library, for reading rows as they are stored.
    Database& sql() { return *sql_; }
    const QString& name() const { return name_; }

    void startSync() {
        if (syncing_)
            return;
        syncing_ = true;
        process_.write("sync\n");
    }
    bool syncing() const { return syncing_; }
    // Collects a finished sync's answer, if one is in.
    void poll() {
        process_.waitForReadyRead(0);
        while (syncing_ && process_.canReadLine()) {
            lastAnswer_ = QString::fromUtf8(process_.readLine()).trimmed();
            syncing_ = false;
        }
    }
    // Runs one sync to its end; returns its status line ("kind message").
    QString sync() {
        startSync();
        while (syncing_) {
            if (!process_.canReadLine() && !process_.waitForReadyRead(60'000))
                throw std::runtime_error(name_.toStdString() + ": no answer from sync-device");
            poll();
        }
        return lastAnswer_;
    }

private:
    QString name_;
    TempDir home_;
    std::unique_ptr<CaptureStore> store_;
    std::unique_ptr<Database> sql_;
    QProcess process_;
    bool syncing_ = false;
    QString lastAnswer_;
};

QByteArray pngBytes(std::mt19937& random) {
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(random() & 0xffffff));
    image.setPixel(int(random() % 24), int(random() % 16), qRgb(1, 2, 3));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    ZorviPaths::ensureParentDirectory(path);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// What two libraries must agree on, as comparable text per row.
std::map<QString, QString> snapshot(Device& device) {
    CaptureStore& store = device.store();
    std::map<QString, QString> rows;
    Database& db = device.sql();
    for (const Row& r : db.query("SELECT id, note, status, priority, group_id, deleted_at IS NOT NULL AS gone "
                                 "FROM captures WHERE workspace_id IS NOT NULL;")) {
        const QString id = *r.string("id");
        if (r.integer("gone").value_or(0))
            continue; // gone is gone, whether kept as a tombstone or dropped
        QStringList tags = store.tags(id);
        tags.sort();
        rows["capture " + id] = QStringList{r.string("note").value_or(""), r.string("status").value_or(""),
                                            r.string("priority").value_or(""), r.string("group_id").value_or("-"),
                                            tags.join(',')}
                                    .join(" | ");
    }
    for (const Row& r : db.query("SELECT ci.id, ci.capture_id, ci.original_sha256, ci.deleted_at IS NOT NULL AS gone "
                                 "FROM capture_images ci JOIN captures c ON c.id = ci.capture_id "
                                 "WHERE c.workspace_id IS NOT NULL AND c.deleted_at IS NULL;"))
        if (!r.integer("gone").value_or(0))
            rows["image " + *r.string("id")] = *r.string("capture_id") + " " + r.string("original_sha256").value_or("");
    for (const Row& r : db.query("SELECT co.id, co.capture_id, co.body FROM comments co JOIN captures c "
                                 "ON c.id = co.capture_id WHERE c.workspace_id IS NOT NULL AND c.deleted_at IS NULL;"))
        rows["comment " + *r.string("id")] = *r.string("capture_id") + " " + *r.string("body");
    for (const Row& r : db.query("SELECT id, name FROM groups WHERE workspace_id IS NOT NULL AND deleted_at IS NULL;"))
        rows["group " + *r.string("id")] = *r.string("name");
    return rows;
}

int pendingRows(Device& device) {
    CaptureStore& store = device.store();
    int n = 0;
    for (const char* table : {"captures", "capture_images", "groups", "comments"})
        n += int(device.sql().query(QString("SELECT id FROM %1 WHERE sync_state = 'pendingPush';").arg(table)).size());
    return n + int(store.imagesAwaitingDownload(1000).size());
}

// Every live image's file holds the bytes its hash names.
void expectImagesMatchHashes(Device& device) {
    device.use();
    for (const Row& r : device.sql().query("SELECT ci.image_path, ci.original_sha256 FROM capture_images ci "
                                         "JOIN captures c ON c.id = ci.capture_id WHERE ci.deleted_at IS NULL "
                                         "AND c.deleted_at IS NULL AND c.workspace_id IS NOT NULL;")) {
        QFile f(ZorviPaths::imageURL(r.string("image_path").value_or("")));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << device.name().toStdString() << " misses " << f.fileName().toStdString();
        EXPECT_EQ(ContentHash::sha256(f.readAll()), r.string("original_sha256").value_or(""));
    }
}

class Convergence : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_ZORVI_SERVER();
        ensureQtApplication();
        ServiceAccounts::populate(server);
        server.start();
    }
    ZorviServer server;
};

// The edits one person makes, and the values each field was given.
class Editor {
public:
    Editor(Device& device, std::mt19937& random, std::map<QString, std::map<QString, std::set<QString>>>& written,
           int index)
        : device_(device), random_(random), written_(written), index_(index) {}

    void randomEdit() {
        CaptureStore& store = device_.use();
        const std::vector<Capture> live = store.captures(CaptureQuery{});
        std::vector<QString> shared;
        for (const Capture& c : live)
            if (c.workspaceID)
                shared.push_back(c.id);
        const int roll = int(random_() % 100);
        if (shared.size() < 8 || roll < 12)
            return create(store);
        const QString id = shared[random_() % shared.size()];
        const Capture shown = *store.capture(id);
        Capture c = shown;
        if (roll < 30) {
            c.note = QString("%1 note %2").arg(device_.name()).arg(random_() % 100000);
            remember(id, "note", c.note);
            store.update(c, shown);
        } else if (roll < 42) {
            c.status = allCaptureStatuses[random_() % allCaptureStatuses.size()];
            remember(id, "status", rawValue(c.status));
            store.update(c, shown);
        } else if (roll < 52) {
            c.priority = std::array{CapturePriority::low, CapturePriority::normal, CapturePriority::high}[random_() % 3];
            remember(id, "priority", rawValue(c.priority));
            store.update(c, shown);
        } else if (roll < 62) {
            QStringList tags;
            for (const char* tag : {"ui", "crash", "slow", "login"})
                if (random_() % 3 == 0)
                    tags << tag;
            tags.sort();
            remember(id, "tags", tags.join(','));
            store.setTags(tags, id);
        } else if (roll < 70) {
            const std::vector<CaptureGroup> groups = store.groups();
            if (groups.empty() || random_() % 4 == 0) {
                CaptureGroup g;
                g.id = Identifiers::make();
                // Both computers name groups from one short list, so the
                // same name is made on both before either has heard.
                g.name = QString("group %1").arg(random_() % 6);
                g.workspaceID = c.workspaceID;
                g.visibility = GroupVisibility::workspace;
                g.createdAt = g.updatedAt = QDateTime::currentDateTimeUtc();
                c.groupID = store.upsertGroup(g).id; // a same-named group is reused
            } else {
                c.groupID = groups[random_() % groups.size()].id;
            }
            remember(id, "group", store.group(*c.groupID)->name); // a same-named group may be merged
            store.update(c, shown);
        } else if (roll < 80) {
            Comment comment;
            comment.id = Identifiers::make();
            comment.captureID = id;
            comment.author = device_.name();
            comment.body = QString("comment %1").arg(random_() % 100000);
            comment.createdAt = QDateTime::currentDateTimeUtc();
            store.addComment(comment);
        } else if (roll < 92) {
            CaptureImage image;
            image.id = Identifiers::make();
            image.captureID = id;
            image.position = -1;
            image.createdAt = QDateTime::currentDateTimeUtc();
            image.imagePath = ZorviPaths::relativeImagePath(image.id, image.createdAt, "png");
            const QByteArray bytes = pngBytes(random_);
            writeFile(ZorviPaths::imageURL(image.imagePath), bytes);
            image.width = 24;
            image.height = 16;
            image.bytes = bytes.size();
            store.addImage(image);
        } else if (roll < 96) {
            const std::vector<CaptureImage> images = store.images(id);
            if (!images.empty())
                store.deleteImage(images[random_() % images.size()].id);
        } else {
            store.softDelete(id);
        }
    }

private:
    void create(CaptureStore& store) {
        Capture c;
        c.id = Identifiers::make();
        c.createdAt = c.updatedAt = QDateTime::currentDateTimeUtc();
        c.note = QString("%1 filed %2").arg(device_.name()).arg(random_() % 100000);
        c.captureMode = CaptureMode::text;
        store.insert(c);
        remember(c.id, "note", c.note);
    }
    void remember(const QString& id, const QString& field, const QString& value) {
        written_[id + " " + field][QString::number(index_)].insert(value);
        last_[id + " " + field] = value;
    }

public:
    std::map<QString, QString> last_;

private:
    Device& device_;
    std::mt19937& random_;
    std::map<QString, std::map<QString, std::set<QString>>>& written_;
    int index_;
};

} // namespace

TEST_F(Convergence, TwoComputersEditingAtOnceEndUpWithTheSameLibrary) {
    const std::uint32_t seed = qEnvironmentVariableIsSet("ZORVI_SEED") ? std::uint32_t(qEnvironmentVariableIntValue("ZORVI_SEED"))
                                                                     : std::random_device()();
    SCOPED_TRACE("replay with ZORVI_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    FlakyProxy proxy(server.port(), seed);
    const QUrl api(QString("http://127.0.0.1:%1").arg(proxy.port()));
    Device a("A", api, ServiceAccounts::tokenFor(server, ServiceAccounts::alice));
    Device b("B", api, ServiceAccounts::tokenFor(server, ServiceAccounts::bob));
    ASSERT_EQ(a.sync().left(1), QString::number(int(SyncStatus::Kind::idle)));
    ASSERT_EQ(b.sync().left(1), QString::number(int(SyncStatus::Kind::idle)));

    std::map<QString, std::map<QString, std::set<QString>>> written;
    Editor editors[] = {Editor(a, random, written, 0), Editor(b, random, written, 1)};
    Device* devices[] = {&a, &b};
    proxy.setFailureRate(0.15);
    const int edits = 1000;
    for (int done = 0; done < edits;) {
        const int who = int(random() % 2);
        const int roll = int(random() % 10);
        if (roll == 0) {
            devices[who]->startSync();
        } else if (roll == 1 && devices[who]->syncing()) {
            devices[who]->sync(); // lets runs and edits interleave, not just pile up
        } else {
            editors[who].randomEdit();
            ++done;
        }
        a.poll();
        b.poll();
    }

    proxy.setFailureRate(0);
    for (int round = 0; round < 30 && (pendingRows(a) + pendingRows(b) > 0 || round < 2); ++round) {
        a.sync();
        b.sync();
    }
    a.sync(); // picks up what B pushed last
    ASSERT_EQ(pendingRows(a), 0);
    ASSERT_EQ(pendingRows(b), 0);

    // The service's view: a third computer that starts from nothing.
    Device fresh("C", api, ServiceAccounts::tokenFor(server, ServiceAccounts::alice));
    for (int round = 0; round < 30 && (round < 1 || pendingRows(fresh) > 0); ++round)
        fresh.sync();

    const auto viewA = snapshot(a);
    const auto viewB = snapshot(b);
    const auto viewC = snapshot(fresh);
    EXPECT_GT(viewA.size(), 100u);
    EXPECT_TRUE(viewA == viewB) << "A and B differ";
    EXPECT_TRUE(viewA == viewC) << "A and the service differ";
    for (const auto& [key, value] : viewA) {
        if (!viewB.count(key) || viewB.at(key) != value)
            ADD_FAILURE() << key.toStdString() << "\n  A: " << value.toStdString() << "\n  B: "
                          << (viewB.count(key) ? viewB.at(key).toStdString() : "<missing>");
    }
    for (Device* d : {&a, &b, &fresh})
        expectImagesMatchHashes(*d);
    // A row given up on after its retries drops what was pending on it; only
    // an edit of something the other person deleted may be refused. A pulled
    // row that could not be placed is lost to that computer.
    for (Device* d : {&a, &b, &fresh})
        for (const Row& r : d->sql().query("SELECT message FROM sync_log WHERE (message LIKE '%rejected:%' "
                                           "AND message NOT LIKE '%deleted%') OR message LIKE 'Couldn''t apply%';"))
            ADD_FAILURE() << d->name().toStdString() << ": " << r.string("message").value_or("").toStdString();

    // Nothing typed is lost: a field one person alone wrote ends with their last value.
    int checked = 0;
    for (const auto& [key, byEditor] : written) {
        if (byEditor.size() != 1)
            continue;
        const QString captureID = key.section(' ', 0, 0);
        const QString field = key.section(' ', 1);
        const std::optional<Capture> c = a.use().capture(captureID);
        if (!c)
            continue; // deleted since
        const int who = byEditor.begin()->first.toInt();
        const QString expected = editors[who].last_.at(key);
        QString actual;
        if (field == "note") actual = c->note;
        else if (field == "status") actual = rawValue(c->status);
        else if (field == "priority") actual = rawValue(c->priority);
        else if (field == "group") actual = c->groupID ? a.use().group(*c->groupID)->name : QString();
        else if (field == "tags") {
            QStringList tags = a.store().tags(captureID);
            tags.sort();
            actual = tags.join(',');
        }
        EXPECT_EQ(actual, expected) << key.toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 100);
    EXPECT_GT(proxy.failures(), 0);
    std::cout << "seed " << seed << ": " << viewA.size() << " rows, " << proxy.failures() << " cut requests\n";
}
