#pragma once

#include "ActiveCounts.h"
#include "ActivityEvent.h"
#include "Capture.h"
#include "CaptureGroup.h"
#include "CaptureImage.h"
#include "CaptureQuery.h"
#include "Comment.h"
#include "Database.h"
#include "Pending.h"
#include "Person.h"
#include "SyncLogLine.h"
#include "Workspace.h"

#include <QJsonObject>
#include <QMap>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The one gateway to the library. It holds no cache: every read goes to the
// database, which any thread (and any other process) may share. Each change
// announces itself through StoreChangeSignal once it has completed.
class CaptureStore {
public:
    // Opens (creating or migrating) the library at a database file. Throws
    // DatabaseError, or std::system_error when its folder cannot be made.
    explicit CaptureStore(const QString& databasePath);
    ~CaptureStore();
    CaptureStore(const CaptureStore&) = delete;
    CaptureStore& operator=(const CaptureStore&) = delete;

    // The file this store opened; another CaptureStore on it is a second
    // connection, whose readers never wait for this one's writers.
    const QString& databasePath() const { return databasePath_; }

    // Runs several operations as one transaction (a savepoint inside one
    // already open): no other writer's change lands between them, and a
    // failure undoes them all.
    template <class Body>
    auto transaction(Body&& body) -> decltype(body()) {
        return db_->transaction(std::forward<Body>(body));
    }

    // Single-row reads; none when no row matches.
    std::optional<Capture> capture(const QString& id);
    std::optional<Capture> rawCapture(const QString& id);
    std::optional<CaptureImage> image(const QString& id);
    std::optional<CaptureImage> rawImage(const QString& id);
    std::vector<CaptureImage> images(const QString& captureID);
    std::optional<CaptureGroup> group(const QString& id);
    std::optional<CaptureGroup> group(const QString& named, const std::optional<QString>& workspaceID);
    std::optional<CaptureGroup> groupMatchingPath(const QString& path);
    // An exact id, or a prefix that matches exactly one live capture.
    std::optional<QString> resolveCaptureID(const QString& text);
    // The one live capture whose id ends with `suffix` (the short id a person
    // quotes); none when no capture or several do.
    std::optional<QString> captureIDEndingWith(const QString& suffix);
    // Either of the two above: the id, a unique prefix or a unique ending.
    std::optional<QString> quotedCaptureID(const QString& text);
    // The capture a synced row belongs to: a capture itself, or the capture
    // of a screenshot or comment; none for other tables and unknown rows.
    std::optional<QString> captureOfRow(const QString& table, const QString& id);

    // Capture changes.
    void insert(Capture capture);
    void update(Capture capture);
    // Writes onto the stored row only the fields `edited` changed from
    // `base` (what the caller read), so whatever arrived since survives.
    void update(const Capture& edited, const Capture& base);
    std::optional<Capture> setStatus(const QString& id, CaptureStatus status, const QString& actor);
    std::optional<Capture> claim(const QString& id, const QString& by);
    std::optional<Capture> assign(const QString& id, const std::optional<QString>& to, const QString& actor);
    std::optional<Capture> resolve(const QString& id, const std::optional<QString>& reference, const QString& actor);
    void setCaptureMode(CaptureMode mode, const QString& id);
    // What a soft delete does with the capture's image files: take them at
    // once, or leave them for an Undo (removeFilesOfDeleted, later).
    enum class DeletedFiles { remove, keep };
    void softDelete(const QString& id, DeletedFiles files = DeletedFiles::remove);
    // Brings a soft-deleted capture back, as a local edit.
    void restore(const QString& id);
    // Removes the image files of a capture that is (still) deleted.
    void removeFilesOfDeleted(const QString& id);
    // Removes the files of captures deleted within `days` whose files an
    // Undo kept and a crash or kill left behind. Returns how many captures it looked at.
    int sweepFilesOfDeleted(int days = 30);

    // Screenshots.
    CaptureImage addImage(CaptureImage image);
    void updateImage(const CaptureImage& image);
    bool deleteImage(const QString& id);
    void refreshCover(const QString& captureID);

    // Groups, tags, comments, activity.
    CaptureGroup upsertGroup(CaptureGroup group);
    void deleteGroup(const QString& id);
    // Undoes deleteGroup: the group is live (and not archived) again.
    void restoreGroup(const QString& id);
    void replaceTags(const QStringList& tags, const QString& captureID);
    void setTags(const QStringList& tags, const QString& captureID);
    void addComment(Comment comment);
    void recordActivity(const std::optional<QString>& captureID, const QString& kind, const QString& detail,
                        const QString& actor, const QString& id, const QDateTime& createdAt,
                        const std::optional<QString>& actorID, bool remote);

    // Queries and counts.
    std::vector<Capture> captures(const CaptureQuery& query);
    QMap<CaptureStatus, int> countsByStatus();
    // One grouped statement over the status index, whatever the library size.
    ActiveCounts activeCounts();
    QMap<QString, int> imageCounts();
    QMap<QString, int> commentCounts();
    // Only for these captures, in one statement.
    QMap<QString, int> commentCounts(const QStringList& captureIDs);
    QStringList tags(const QString& captureID);
    // The tags of many captures in one statement; captures without tags have no entry.
    QMap<QString, QStringList> tags(const QStringList& captureIDs);
    QStringList allTags();
    std::vector<Comment> comments(const QString& captureID);
    std::vector<ActivityEvent> activity(const QString& captureID);
    std::vector<CaptureGroup> groups();
    std::vector<Person> people();
    std::optional<Person> person(const QString& id);
    std::vector<Workspace> workspaces();
    QStringList groupMemberIDs(const QString& groupID);
    std::vector<Person> assignableCandidates();
    // Changes whenever a capture or comment is added, edited or deleted.
    QString changeStamp();
    // Moves only when another connection commits to the library file: a
    // check cheap enough to poll before re-reading anything.
    std::optional<std::int64_t> dataVersion();

    // Text recognised in screenshots, kept on this computer only (sync never
    // carries it). Without its optional tables every read is empty and
    // recording does nothing.
    struct ImageAwaitingText {
        QString imageID;
        QString captureID;
        // Relative to the library: the marked copy when there is one.
        QString file;
        QString source;
    };
    bool hasScreenshotText() const { return hasScreenshotText_; }
    // Live screenshots never read, or replaced or marked since, newest first.
    std::vector<ImageAwaitingText> imagesAwaitingText(int limit);
    // Ignored when the screenshot changed again meanwhile: it stays awaiting.
    void recordScreenshotText(const ImageAwaitingText& image, const QString& text);
    // The text of each screenshot that has any, in the capture's order.
    QStringList screenshotText(const QString& captureID);
    // Live captures with every word of `search` (as a word's start) in a screenshot.
    QStringList capturesWithScreenshotText(const QString& search, int limit);

    // What agents did to the captures this user filed (or, signed out, to
    // every capture): claims, resolves and comments after `since`, oldest first.
    struct AgentAction {
        QString captureID;
        QString kind; // "claimed", "resolved" or "commented"
        QString actor;
        QString detail;
        QString captureTitle;
        QDateTime at;
    };
    std::vector<AgentAction> agentActionsSince(const QDateTime& since);

    // Change marking and sync metadata.
    std::optional<QString> syncMeta(const QString& key);
    void setSyncMeta(const QString& key, const std::optional<QString>& value);
    std::optional<QString> currentUserID();
    std::optional<QString> currentUserName();
    std::optional<QString> defaultWorkspaceID();
    void markPending(const QString& table, const QString& id, const QStringList& fields);

    // Sync bookkeeping: the log, what to push, and the service's verdicts.
    void log(const QString& level, const QString& message) noexcept;
    std::vector<SyncLogLine> syncLog(int limit);
    std::vector<Pending> pending(const QString& table, int limit);
    // One row's pending fields and version, whatever its sync state; none when there is no such row.
    std::optional<Pending> pendingRow(const QString& table, const QString& id);
    std::vector<Comment> pendingComments(int limit);
    std::optional<QJsonObject> captureChange(const Pending& pending);
    std::optional<QJsonObject> groupChange(const Pending& pending);
    std::optional<QJsonObject> imageChange(const Pending& pending, const CaptureImage& image);
    static QJsonObject commentChange(const Comment& comment);
    QStringList syncedCaptureIDs();
    std::vector<Capture> localCaptures();
    void markSynced(const QString& table, const QString& id, std::optional<std::int64_t> version);
    void markLocalOnly(const QString& captureID);
    // The service lost these captures (restored from an older backup): they,
    // their screenshots (files included), comments and group go again whole.
    void pushAgain(const QStringList& captureIDs);
    // Comments carry no patch or version: the service either has one or not.
    void markCommentSynced(const QString& id);
    void adopt(const QString& captureID, const QString& workspaceID);
    // What blob transfer learnt about an image's files: their content hashes
    // after an upload, their paths after a download.
    void recordImageHashes(const QString& imageID, const std::optional<QString>& original,
                           const std::optional<QString>& marked, const std::optional<QString>& thumb);
    void recordImagePaths(const QString& imageID, const QString& imagePath, const std::optional<QString>& annotated,
                          const std::optional<QString>& thumb);

    // Rows from the service. A row lacking a required key, or naming a row
    // with an id that is unsafe as a file name, is skipped (and logged).
    void applyRemoteCapture(const QJsonObject& row);
    void applyRemoteGroup(const QJsonObject& row);
    void applyRemoteImage(const QJsonObject& row);
    void applyRemoteComment(const QJsonObject& row);
    void applyRemoteActivity(const QJsonObject& row);
    void applyRemoteGroupMember(const QJsonObject& row);
    void applyRemotePerson(const QJsonObject& row);
    void upsertPerson(const Person& person);
    void replaceWorkspaces(const std::vector<Workspace>& workspaces);
    std::optional<QString> personName(const std::optional<QString>& id);
    void remapGroup(const QString& from, const QString& to);

    // Removals the service asks for; they take the rows' files along.
    void dropCapture(const QString& id);
    void dropImage(const QString& id);
    void dropGroup(const QString& id);
    void dropWorkspace(const QString& id);
    // On sign-out: everything that came with the account; local work stays.
    void purgeAccountData();

    struct ImageToDownload {
        CaptureImage image;
        QString workspaceID;
    };
    // Live images of shared captures that miss their original, marked copy or thumbnail.
    std::vector<ImageToDownload> imagesAwaitingDownload(int limit);

    // Announces a change to every process on the session.
    void postDidChange();

    // Removes an image's original, marked copy, thumbnail and agent renditions; errors are ignored.
    static void removeImageFiles(const CaptureImage& image);

private:
    // Live capture ids, at most two: matching a LIKE pattern, or starting
    // with a prefix as LIKE would match it, through the primary key.
    QStringList liveIDsLike(const QString& pattern);
    QStringList liveIDsWithPrefix(const QString& prefix);
    void gatherPlannerStatisticsIfMissing();
    void touch(const QString& captureID);
    void removeFilesOfCapture(const QString& id);
    // Writes a capture's row and marks the fields that changed as pending;
    // runs inside a transaction.
    void writeCapture(const Capture& c);
    // Reads, edits and writes a live capture in one transaction, with `record`
    // (its history entry) inside it; false when there is none.
    bool editCapture(const QString& id, const std::function<void(Capture&)>& edit,
                     const std::function<void()>& record = {});
    std::optional<QString> metaOrNone(const QString& key);
    // The keys of a `pending` JSON object; empty for NULL or anything but an object.
    static QSet<QString> pendingKeys(const std::optional<QString>& pendingJSON);
    // The fields of a row still waiting to be pushed; `exists` tells whether the row is there.
    QSet<QString> locallyPendingFields(const QString& table, const QString& id, bool& exists);
    // False when a remote row lacks a required id or names a row with an unsafe id (logged).
    bool acceptsRemoteIDs(const QJsonObject& row, const QString& table, std::initializer_list<const char*> required,
                          std::initializer_list<const char*> optional = {});

    QString databasePath_;
    std::unique_ptr<Database> db_;
    bool hasScreenshotText_ = false;
};
