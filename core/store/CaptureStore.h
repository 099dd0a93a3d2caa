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

    // Single-row reads; none when no row matches. capture() and image() see
    // live rows only; the IncludingDeleted reads also return soft-deleted ones.
    std::optional<Capture> capture(const QString& id);
    std::optional<Capture> captureIncludingDeleted(const QString& id);
    std::optional<CaptureImage> image(const QString& id);
    std::optional<CaptureImage> imageIncludingDeleted(const QString& id);
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
    void setTags(const QStringList& tags, const QString& captureID);
    void addComment(Comment comment);

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

    // Who is signed in and what sync recorded, for the account settings;
    // only the sync engine writes them (SyncLedger).
    std::optional<QString> syncMeta(const QString& key);
    std::optional<QString> currentUserID();
    std::optional<QString> currentUserName();
    std::optional<QString> defaultWorkspaceID();
    std::vector<SyncLogLine> syncLog(int limit);
    // Captures in no workspace, newest first: what adopting into one would move.
    std::vector<Capture> localCaptures();

    // Announces a change to every process on the session.
    void postDidChange();

    // Removes an image's original, marked copy, thumbnail and agent renditions; errors are ignored.
    static void removeImageFiles(const CaptureImage& image);

private:
    // The sync engine's two faces on this store share its connection, and so
    // its transactions, and write through the steps below.
    friend class SyncLedger;
    friend class RemoteApplier;

    // Writes a capture's tags as given (normalised), without marking them
    // pending: a local edit goes through setTags, the service's through the
    // remote applier.
    void replaceTags(const QStringList& tags, const QString& captureID);
    // A history entry, made by the local edit it records or by the remote applier.
    void recordActivity(const std::optional<QString>& captureID, const QString& kind, const QString& detail,
                        const QString& actor, const QString& id, const QDateTime& createdAt,
                        const std::optional<QString>& actorID, bool remote);
    // Marks fields of a shared row as waiting to be pushed; rows outside a workspace stay local.
    void markPending(const QString& table, const QString& id, const QStringList& fields);

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

    QString databasePath_;
    std::unique_ptr<Database> db_;
    bool hasScreenshotText_ = false;
};
