#pragma once

#include "LibraryReader.h"
#include "LibrarySearch.h"
#include "LibrarySnapshot.h"
#include "UndoHistory.h"
#include "markup/Annotation.h"
#include "store/CaptureStore.h"

#include <QImage>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

// The user interface's one observable copy of the local library. Every
// window reads its lists and counts and calls its operations; each operation
// is one store call followed by a reload. Writes by other connections (the
// sync engine, the MCP server) are noticed through the store's D-Bus change
// signal and, should that be missed, a change-stamp poll, and are read off
// the UI thread. Main thread only.
class Library : public QObject {
    Q_OBJECT
public:
    // How often the change stamp is compared when no signal arrived.
    static constexpr int pollIntervalMs = 3000;
    // The actor name recorded for the local user's changes.
    static constexpr const char* localActor = "you";
    // The colours a group can take, in the order pickers offer them.
    static const QStringList groupColors;

    explicit Library(CaptureStore& store, QObject* parent = nullptr);
    ~Library() override;

    CaptureStore& store() { return store_; }
    // Deletes, status and group changes made through this library, for Undo.
    UndoHistory& undoHistory() { return undo_; }

    const std::vector<Capture>& captures() const { return shown_.captures; }
    const std::vector<CaptureGroup>& groups() const { return shown_.groups; }
    const QMap<CaptureStatus, int>& counts() const { return shown_.counts; }
    const ActiveCounts& activeCounts() const { return shown_.active; }
    // True when the library holds more captures than the board loads.
    bool isTruncated() const { return int(shown_.captures.size()) >= LibrarySnapshot::captureLimit; }
    const QMap<QString, QStringList>& tagsByCapture() const { return shown_.tagsByCapture; }
    const QMap<QString, int>& commentCounts() const { return shown_.commentCounts; }
    const QStringList& allTags() const { return shown_.allTags; }
    const QMap<QString, int>& imageCounts() const { return shown_.imageCounts; }
    const std::optional<QString>& loadError() const { return loadError_; }
    const std::vector<Person>& people() const { return shown_.people; }
    const std::vector<Workspace>& workspaces() const { return shown_.workspaces; }
    const std::optional<QString>& currentUserID() const { return shown_.currentUserID; }

    int openCount() const;
    int assignedToMeCount() const;
    bool isMine(const Capture& capture) const;
    std::optional<Person> person(const std::optional<QString>& id) const;
    std::optional<CaptureGroup> group(const std::optional<QString>& id) const;
    // A live capture, from those loaded or else from the store; none when there is no such capture.
    std::optional<Capture> capture(const QString& id) const;
    // A capture as loaded (the newest page or what the store found); null when neither holds it.
    const Capture* loadedCapture(const QString& id) const;
    // The tags of a capture (read from the store when no page holds it) and
    // the comment count of a loaded one.
    QStringList tags(const QString& captureID) const;
    int commentCount(const QString& captureID) const;

    // Searching and filtering in the store, for a library larger than the
    // board loads. The query is asked again after every reload, so what it
    // found follows the library; none shows the loaded captures alone. The
    // caller shows the change itself; foundChanged tells when the answer comes.
    void setStoreQuery(const std::optional<CaptureQuery>& query);
    // The store's answer to the current query; null until it has arrived.
    const LibraryPage* found() const;
    // The current query's first answer is still on its way.
    bool isSearching() const { return storeQuery_ && !found() && search_.busy(); }

    // Told after every successful local operation, so sync can push it.
    void setLocalChangeHandler(std::function<void()> handler) { localChange_ = std::move(handler); }
    // Told the absolute path of each image file a deletion takes away, so a
    // cache of decoded thumbnails can drop it.
    void setThumbnailEviction(std::function<void(const QString&)> evict) { evictThumbnail_ = std::move(evict); }

    // Refills everything from the store at once, stopping at the first failure.
    void reload();

    // Operations: true on success; a failure sets loadError and reloads nothing.
    bool add(const Capture& capture, const QStringList& tags, const std::vector<CaptureImage>& images);
    bool update(const Capture& capture);
    // Undoable: the image files stay until the Undo lapses.
    bool remove(const QString& captureID);
    bool setStatus(CaptureStatus status, const QString& captureID);
    bool assign(const std::optional<QString>& personID, const QString& captureID);
    bool setTags(const QStringList& tags, const QString& captureID);
    bool addComment(const QString& body, const QString& captureID);
    // Writes the bitmap as a new screenshot of the capture; a note-only
    // capture then takes `mode`.
    bool addImage(const QImage& image, const QString& captureID, CaptureMode mode);
    bool deleteImage(const CaptureImage& image);
    bool saveAnnotation(const Annotation& annotation, const CaptureImage& image);
    bool deleteGroup(const QString& groupID);
    // A new group with that name and a colour from groupColors at random;
    // nothing when the store refused it.
    std::optional<CaptureGroup> createGroup(const QString& name);
    // Stores a group built elsewhere (the new-group dialog).
    bool addGroup(const CaptureGroup& group);

    // Captures with every word of `search` in the text of a screenshot; none on failure.
    QSet<QString> capturesWithScreenshotText(const QString& search) const;
    // Told by whoever records screenshot text, so views showing it refresh.
    void screenshotTextArrived() { emit screenshotTextChanged(); }

signals:
    // After every reload and whenever loadError changes.
    void changed();
    // Text recognised in screenshots was recorded.
    void screenshotTextChanged();
    // The store answered the current query.
    void foundChanged();

private slots:
    // Both the D-Bus signal and the poll land here.
    void reloadIfStampMoved();
    void pollTick();

private:
    void show(LibrarySnapshot snapshot);
    void readFinished(const std::shared_ptr<LibrarySnapshot>& snapshot, const QString& failure);
    template <class Operation>
    bool perform(Operation&& operation);
    void fail(const QString& description);
    void evict(const QString& absolutePath) const;
    static bool inPage(const std::vector<Capture>& page, const QString& id);
    void searchFinished(const CaptureQuery& query, const std::shared_ptr<LibraryPage>& page, const QString& failure);

    CaptureStore& store_;
    LibrarySnapshot shown_;
    std::optional<QString> loadError_;

    LibraryReader reader_;
    LibrarySearch search_;
    std::optional<CaptureQuery> storeQuery_;
    // The page found and the query it answers, which may be an older one.
    std::optional<LibraryPage> found_;
    std::optional<CaptureQuery> foundQuery_;
    // Counts the reloads done at once; a background read started before one
    // of them is dropped, as that reload already read at least as much.
    quint64 reloads_ = 0;
    quint64 reloadsWhenReadStarted_ = 0;
    // A change signal arrived while a read was running: read once more after it.
    bool readAgain_ = false;
    std::optional<std::int64_t> lastDataVersion_;
    QTimer pollTimer_;
    std::function<void()> localChange_;
    std::function<void(const QString&)> evictThumbnail_;
    UndoHistory undo_;
};
