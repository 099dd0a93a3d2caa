#include "Library.h"

#include "capture/AttachmentService.h"
#include "capture/ImageWriter.h"
#include "common/Identifiers.h"
#include "store/StoreChangeSignal.h"
#include "store/ZorviPaths.h"

#include <QDBusConnection>
#include <QRandomGenerator>

#include <algorithm>
#include <utility>

namespace {

// A store failure as the sentence shown to the user.
template <class Body>
std::optional<QString> failureOf(Body&& body) {
    try {
        body();
        return std::nullopt;
    } catch (const std::exception& e) {
        return describe(e);
    }
}

} // namespace

const QStringList Library::groupColors{"#6E7BF2", "#10B981", "#F59E0B", "#EF4444", "#8B5CF6", "#06B6D4", "#EC4899"};

Library::Library(CaptureStore& store, QObject* parent)
    : QObject(parent), store_(store), reader_(store.databasePath()), search_(store.databasePath()) {
    connect(&reader_, &LibraryReader::finished, this, &Library::readFinished);
    connect(&search_, &LibrarySearch::found, this, &Library::searchFinished);
    QDBusConnection::sessionBus().connect({}, StoreChangeSignal::path, StoreChangeSignal::interface,
                                          StoreChangeSignal::member, this, SLOT(reloadIfStampMoved()));
    reload();
    pollTimer_.setInterval(pollIntervalMs);
    connect(&pollTimer_, &QTimer::timeout, this, &Library::pollTick);
    pollTimer_.start();
}

Library::~Library() {
    undo_.finishAll();
    QDBusConnection::sessionBus().disconnect({}, StoreChangeSignal::path, StoreChangeSignal::interface,
                                             StoreChangeSignal::member, this, SLOT(reloadIfStampMoved()));
}

void Library::reload() {
    ++reloads_;
    try {
        show(LibrarySnapshot::read(store_));
    } catch (const std::exception& e) {
        fail(describe(e));
    }
}

void Library::show(LibrarySnapshot snapshot) {
    shown_ = std::move(snapshot);
    loadError_.reset();
    // What was found may have changed with the rest; until the answer
    // comes, the last one stays on screen.
    if (storeQuery_)
        search_.find(*storeQuery_);
    emit changed();
}

void Library::setStoreQuery(const std::optional<CaptureQuery>& query) {
    if (query == storeQuery_)
        return;
    storeQuery_ = query;
    if (storeQuery_) {
        search_.find(*storeQuery_);
    } else {
        found_.reset();
        foundQuery_.reset();
    }
}

const LibraryPage* Library::found() const {
    return found_ && foundQuery_ == storeQuery_ ? &*found_ : nullptr;
}

void Library::searchFinished(const CaptureQuery& query, const std::shared_ptr<LibraryPage>& page,
                             const QString& failure) {
    if (query != storeQuery_)
        return;
    if (!page) {
        fail(failure);
        return;
    }
    found_ = std::move(*page);
    foundQuery_ = query;
    emit foundChanged();
}

void Library::reloadIfStampMoved() {
    if (reader_.busy()) {
        readAgain_ = true;
        return;
    }
    reloadsWhenReadStarted_ = reloads_;
    reader_.read(shown_.stamp);
}

void Library::readFinished(const std::shared_ptr<LibrarySnapshot>& snapshot, const QString& failure) {
    if (reloads_ == reloadsWhenReadStarted_) {
        if (snapshot)
            show(std::move(*snapshot));
        else if (!failure.isEmpty())
            fail(failure);
    }
    if (std::exchange(readAgain_, false))
        reloadIfStampMoved();
}

void Library::pollTick() {
    // data_version moves only when another connection commits, so an idle
    // library costs one pragma per tick. Writes through this process's own
    // connection reload directly or arrive through the D-Bus signal.
    try {
        const std::optional<std::int64_t> version = store_.dataVersion();
        if (version && version == lastDataVersion_)
            return;
        lastDataVersion_ = version;
    } catch (const ZorviError&) {
    }
    reloadIfStampMoved();
}

template <class Operation>
bool Library::perform(Operation&& operation) {
    if (const std::optional<QString> failure = failureOf(std::forward<Operation>(operation))) {
        fail(*failure);
        return false;
    }
    reload();
    if (localChange_)
        localChange_();
    return true;
}

void Library::fail(const QString& description) {
    loadError_ = description;
    emit changed();
}

void Library::evict(const QString& absolutePath) const {
    if (evictThumbnail_)
        evictThumbnail_(absolutePath);
}

const Capture* Library::loadedCapture(const QString& id) const {
    const auto in = [&](const std::vector<Capture>& captures) -> const Capture* {
        const auto it = std::find_if(captures.begin(), captures.end(), [&](const Capture& c) { return c.id == id; });
        return it == captures.end() ? nullptr : &*it;
    };
    if (const Capture* newest = in(shown_.captures))
        return newest;
    return found_ ? in(found_->captures) : nullptr;
}

bool Library::inPage(const std::vector<Capture>& page, const QString& id) {
    return std::any_of(page.begin(), page.end(), [&](const Capture& c) { return c.id == id; });
}

QStringList Library::tags(const QString& captureID) const {
    // The newest page is read after every change; a found page may be a moment older.
    if (inPage(shown_.captures, captureID))
        return shown_.tagsByCapture.value(captureID);
    if (found_ && inPage(found_->captures, captureID))
        return found_->tagsByCapture.value(captureID);
    // A capture opened by its id (a link, a notice) that no page holds: its
    // tags must be its own, or editing them would drop the others.
    try {
        return store_.tags(captureID);
    } catch (const ZorviError&) {
        return {};
    }
}

int Library::commentCount(const QString& captureID) const {
    if (found_ && !inPage(shown_.captures, captureID))
        return found_->commentCounts.value(captureID);
    return shown_.commentCounts.value(captureID);
}

int Library::openCount() const {
    return shown_.counts.value(CaptureStatus::open) + shown_.counts.value(CaptureStatus::inProgress);
}

int Library::assignedToMeCount() const {
    if (!shown_.currentUserID)
        return 0;
    return int(std::count_if(shown_.captures.begin(), shown_.captures.end(), [this](const Capture& c) {
        return c.assigneeID == shown_.currentUserID &&
               (c.status == CaptureStatus::open || c.status == CaptureStatus::inProgress);
    }));
}

bool Library::isMine(const Capture& capture) const {
    if (!capture.authorID)
        return true;
    return shown_.currentUserID && *shown_.currentUserID == *capture.authorID;
}

std::optional<Person> Library::person(const std::optional<QString>& id) const {
    if (!id)
        return std::nullopt;
    for (const Person& p : shown_.people)
        if (p.id == *id)
            return p;
    try {
        return store_.person(*id);
    } catch (const ZorviError&) {
        return std::nullopt;
    }
}

std::optional<CaptureGroup> Library::group(const std::optional<QString>& id) const {
    if (!id)
        return std::nullopt;
    for (const CaptureGroup& g : shown_.groups)
        if (g.id == *id)
            return g;
    return std::nullopt;
}

bool Library::add(const Capture& capture, const QStringList& tags, const std::vector<CaptureImage>& images) {
    // One transaction: no other process sees the capture before its images,
    // and a failure leaves no trace to undo.
    return perform([&] {
        store_.transaction([&] {
            store_.insert(capture);
            if (!tags.isEmpty())
                store_.setTags(tags, capture.id);
            for (const CaptureImage& image : images)
                store_.addImage(image);
        });
    });
}

bool Library::update(const Capture& capture) {
    // The caller edited the capture as this board last showed it; only what
    // it changed is written, so a change synced in since is kept.
    const Capture* shown = loadedCapture(capture.id);
    const std::optional<Capture> base = shown ? std::optional(*shown) : std::nullopt;
    const bool updated = perform([&] {
        if (base)
            store_.update(capture, *base);
        else
            store_.update(capture);
    });
    if (updated && base && base->groupID != capture.groupID)
        undo_.push(tr("Move to Group"), tr("Capture moved."), [this, id = capture.id, group = base->groupID] {
            return perform([&] {
                if (std::optional<Capture> current = store_.capture(id)) {
                    Capture moved = *current;
                    moved.groupID = group;
                    store_.update(moved, *current);
                }
            });
        });
    return updated;
}

bool Library::remove(const QString& captureID) {
    const bool removed = perform([&] {
        if (const std::optional<Capture> capture = store_.capture(captureID)) {
            evict(ZorviPaths::imageURL(capture->imagePath));
            if (capture->thumbPath)
                evict(ZorviPaths::thumbURL(*capture->thumbPath));
        }
        store_.softDelete(captureID, CaptureStore::DeletedFiles::keep);
    });
    if (removed)
        undo_.push(
            tr("Delete Capture"), tr("Capture deleted."),
            [this, captureID] { return perform([&] { store_.restore(captureID); }); },
            [this, captureID] {
                try {
                    store_.removeFilesOfDeleted(captureID);
                } catch (const ZorviError&) {
                    // The next launch's sweep takes them.
                }
            });
    return removed;
}

bool Library::setStatus(CaptureStatus status, const QString& captureID) {
    const Capture* shown = loadedCapture(captureID);
    const std::optional<CaptureStatus> old = shown ? std::optional(shown->status) : std::nullopt;
    const bool changed = perform([&] { store_.setStatus(captureID, status, localActor); });
    if (changed && old && *old != status)
        undo_.push(tr("Change Status"), tr("Status changed."), [this, captureID, old = *old] {
            return perform([&] { store_.setStatus(captureID, old, localActor); });
        });
    return changed;
}

bool Library::assign(const std::optional<QString>& personID, const QString& captureID) {
    return perform([&] { store_.assign(captureID, personID, localActor); });
}

bool Library::setTags(const QStringList& tags, const QString& captureID) {
    return perform([&] { store_.setTags(tags, captureID); });
}

bool Library::addComment(const QString& body, const QString& captureID) {
    return perform([&] {
        Comment comment;
        comment.id = Identifiers::make();
        comment.captureID = captureID;
        comment.author = localActor;
        comment.isAgent = false;
        comment.body = body;
        comment.createdAt = QDateTime::currentDateTimeUtc();
        store_.addComment(comment);
    });
}

bool Library::addImage(const QImage& bitmap, const QString& captureID, CaptureMode mode) {
    return perform([&] {
        CaptureImage image;
        image.id = Identifiers::make();
        image.createdAt = QDateTime::currentDateTimeUtc();
        const ImageWriter::Written written = ImageWriter::write(bitmap, image.id, image.createdAt);
        image.captureID = captureID;
        image.position = -1;
        image.imagePath = written.relativePath;
        image.thumbPath = written.thumbRelativePath;
        image.width = written.width;
        image.height = written.height;
        image.bytes = written.byteCount;
        try {
            store_.addImage(image);
        } catch (...) {
            CaptureStore::removeImageFiles(image);
            throw;
        }
        if (const std::optional<Capture> capture = store_.capture(captureID);
            capture && capture->captureMode == CaptureMode::text)
            store_.setCaptureMode(mode, captureID);
    });
}

bool Library::deleteImage(const CaptureImage& image) {
    bool removed = false;
    perform([&] { removed = store_.deleteImage(image.id); });
    return removed;
}

bool Library::saveAnnotation(const Annotation& annotation, const CaptureImage& image) {
    return perform([&] {
        AttachmentService(evictThumbnail_).saveAnnotation(annotation, image, store_);
    });
}

bool Library::deleteGroup(const QString& groupID) {
    const bool deleted = perform([&] { store_.deleteGroup(groupID); });
    if (deleted)
        undo_.push(tr("Delete Group"), tr("Group deleted."),
                   [this, groupID] { return perform([&] { store_.restoreGroup(groupID); }); });
    return deleted;
}

std::optional<CaptureGroup> Library::createGroup(const QString& name) {
    std::optional<CaptureGroup> created;
    perform([&] {
        CaptureGroup group;
        group.id = Identifiers::make();
        group.name = name;
        group.colorHex = groupColors.at(int(QRandomGenerator::global()->bounded(groupColors.size())));
        group.createdAt = group.updatedAt = QDateTime::currentDateTimeUtc();
        created = store_.upsertGroup(group);
    });
    return created;
}

bool Library::addGroup(const CaptureGroup& group) {
    return perform([&] { store_.upsertGroup(group); });
}

QSet<QString> Library::capturesWithScreenshotText(const QString& search) const {
    try {
        const QStringList ids = store_.capturesWithScreenshotText(search, LibrarySnapshot::captureLimit);
        return {ids.begin(), ids.end()};
    } catch (const ZorviError&) {
        return {};
    }
}

std::optional<Capture> Library::capture(const QString& id) const {
    if (const Capture* loaded = loadedCapture(id))
        return *loaded;
    try {
        return store_.capture(id);
    } catch (const ZorviError&) {
        return std::nullopt;
    }
}
