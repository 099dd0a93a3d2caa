#pragma once

// One person's random edits of a shared library, as fast as they can type:
// notes, states, tags, groups, comments, screenshots, deletes and team work,
// remembering the values each field was given.
#include "SyncDevice.h"

#include "capture/AttachmentService.h"
#include "common/Identifiers.h"
#include "markup/Annotation.h"
#include "store/CaptureStore.h"
#include "store/DatabaseError.h"
#include "store/ZorviPaths.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <sqlite3.h>

#include <map>
#include <random>
#include <set>

// ZORVI_SEED to replay a run, else a fresh seed.
inline std::uint32_t replayableSeed() {
    return qEnvironmentVariableIsSet("ZORVI_SEED") ? std::uint32_t(qEnvironmentVariableIntValue("ZORVI_SEED"))
                                                   : std::random_device()();
}

inline QByteArray pngBytes(std::mt19937& random) {
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(random() & 0xffffff));
    image.setPixel(int(random() % 24), int(random() % 16), qRgb(1, 2, 3));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    ZorviPaths::ensureParentDirectory(path);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// The edits one person makes, and the values each field was given.
class Editor {
public:
    Editor(Device& device, std::mt19937& random, std::map<QString, std::map<QString, std::set<QString>>>& written,
           int index, QStringList people)
        : device_(device), random_(random), written_(written), index_(index), people_(std::move(people)) {}

    // Alice also files captures in a group only she is in.
    bool makesPrivateCaptures = false;

    // The other process syncing may remove a group or capture between
    // choosing it and saving (a same-named group merged into the service's,
    // a teammate's delete). The library refuses that edit, as it would the
    // person's, and nothing typed in it counts as written.
    void randomEdit() {
        typed_.clear();
        try {
            edit();
        } catch (const GoneMeanwhile&) {
            return;
        } catch (const DatabaseError& e) {
            if (e.code() != SQLITE_CONSTRAINT_FOREIGNKEY)
                throw;
            return;
        }
        for (const auto& [key, value] : typed_) {
            written_[key][QString::number(index_)].insert(value);
            last_[key] = value;
        }
    }

private:
    struct GoneMeanwhile {};
    template <typename Row> static Row stillThere(std::optional<Row> row) {
        if (!row)
            throw GoneMeanwhile{};
        return *row;
    }

    void edit() {
        CaptureStore& store = device_.use();
        const std::vector<Capture> live = store.captures(CaptureQuery{});
        std::vector<QString> shared;
        for (const Capture& c : live)
            if (c.workspaceID)
                shared.push_back(c.id);
        const int roll = int(random_() % 150);
        if (shared.size() < 8 || roll < 12)
            return create(store);
        if (roll >= 100)
            return teamEdit(store, shared[random_() % shared.size()], roll - 100);
        const QString id = shared[random_() % shared.size()];
        const Capture shown = stillThere(store.capture(id));
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
            std::vector<CaptureGroup> groups;
            for (const CaptureGroup& g : store.groups())
                if (g.visibility == GroupVisibility::workspace)
                    groups.push_back(g);
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
            remember(id, "group", stillThere(store.group(*c.groupID)).name); // a same-named group may be merged
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
            writeFile(ZorviPaths::imageFile(image.imagePath), bytes);
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

    // Who works on it, and how it ends; the order of its screenshots and
    // their marks; how its group looks; and, for Alice, captures no one else
    // may see.
    void teamEdit(CaptureStore& store, const QString& id, int roll) {
        const Capture shown = stillThere(store.capture(id));
        Capture c = shown;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        if (roll < 7) {
            const qsizetype pick = qsizetype(random_() % (people_.size() + 1));
            c.assigneeID = pick < people_.size() ? std::optional(people_[pick]) : std::nullopt;
            store.update(c, shown);
        } else if (roll < 14) {
            const bool claim = random_() % 3 != 0;
            c.claimedByID = claim ? std::optional(people_[index_]) : std::nullopt;
            c.claimedBy = claim ? std::optional(device_.name()) : std::nullopt;
            c.claimedAt = claim ? std::optional(now) : std::nullopt;
            store.update(c, shown);
        } else if (roll < 20) {
            c.status = CaptureStatus::resolved;
            remember(id, "status", rawValue(c.status));
            c.resolvedAt = now;
            c.resolutionRef = QString("PR #%1").arg(random_() % 1000);
            store.update(c, shown);
        } else if (roll < 26) {
            std::vector<CaptureImage> images = store.images(id);
            if (images.size() >= 2) {
                std::swap(images[0].position, images[1].position);
                store.updateImage(images[0]);
                store.updateImage(images[1]);
            }
        } else if (roll < 34 && c.groupID) {
            CaptureGroup g = stillThere(store.group(*c.groupID));
            if (random_() % 3 == 0)
                g.archivedAt = g.archivedAt ? std::nullopt : std::optional(now);
            else
                g.colorHex = QString("#%1").arg(random_() & 0xffffff, 6, 16, QChar('0')).toUpper();
            store.upsertGroup(g);
        } else if (roll >= 40) {
            markUp(store, id);
        } else if (makesPrivateCaptures) {
            CaptureGroup g;
            g.id = Identifiers::make();
            g.name = QString("private %1").arg(random_() % 2);
            g.workspaceID = c.workspaceID;
            g.visibility = GroupVisibility::isPrivate;
            g.createdAt = g.updatedAt = now;
            Capture hidden;
            hidden.id = Identifiers::make();
            hidden.createdAt = hidden.updatedAt = now;
            hidden.note = QString("only %1 sees %2").arg(device_.name()).arg(random_() % 100000);
            hidden.captureMode = CaptureMode::text;
            hidden.workspaceID = c.workspaceID;
            hidden.groupID = store.upsertGroup(g).id; // a same-named group is reused
            store.insert(hidden);
        }
    }

    // Adds a box to a screenshot's marks, or now and then clears them all,
    // the way the markup editor saves.
    void markUp(CaptureStore& store, const QString& id) {
        const std::vector<CaptureImage> images = store.images(id);
        if (images.empty())
            return;
        const CaptureImage& image = images[random_() % images.size()];
        if (image.imagePath.isEmpty())
            return; // not downloaded yet: the editor opens only what is on disk
        Annotation marks = Annotation::decode(image.annotationJSON);
        if (random_() % 4 == 0) {
            marks = {};
        } else {
            const double corner = double(random_() % 40) / 100;
            marks.shapes << AnnotationShape{Identifiers::make(), AnnotationTool::rectangle, "#FF3B30", 0.01,
                                            {{corner, corner}, {1 - corner, 1 - corner}}};
        }
        AttachmentService().saveAnnotation(marks, image, store);
    }

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
        typed_.emplace_back(id + " " + field, value);
    }

public:
    std::map<QString, QString> last_;

private:
    Device& device_;
    std::mt19937& random_;
    std::map<QString, std::map<QString, std::set<QString>>>& written_;
    int index_;
    QStringList people_; // user ids, by editor
    std::vector<std::pair<QString, QString>> typed_; // by the edit under way: field key, value
};

// Alice on `a` and Bob on `b` at work in one workspace; Alice also files
// captures in a group only she is in.
struct TwoEditors {
    TwoEditors(Device& a, Device& b, std::mt19937& random)
        : people{*a.store().syncMeta("user_id"), *b.store().syncMeta("user_id")},
          editors{Editor(a, random, written, 0, people), Editor(b, random, written, 1, people)} {
        editors[0].makesPrivateCaptures = true;
    }

    // The values each field was given, by field and editor.
    std::map<QString, std::map<QString, std::set<QString>>> written;
    QStringList people;
    Editor editors[2];
};
