// Removals the workspace service asks for: rows it no longer shares with this
// library, and everything that came with the account on sign-out.
#include "RemoteApplier.h"

#include "CaptureStore.h"

void RemoteApplier::dropCapture(const QString& id) {
    std::vector<CaptureImage> images;
    for (const Row& row : db_->query("SELECT * FROM capture_images WHERE capture_id = ?;", {id}))
        images.push_back(CaptureImage::fromRow(row));
    // Images, tag links, comments and activity go with it by cascade. Rows
    // first, files once that is committed: a kill in between leaves files
    // the next launch sweeps, never a row whose files are gone.
    db_->execute("DELETE FROM captures WHERE id = ?;", {id});
    db_->afterCommit([images] {
        for (const CaptureImage& image : images)
            CaptureStore::removeImageFiles(image);
    });
}

void RemoteApplier::dropImage(const QString& id) {
    const std::optional<CaptureImage> image = store_.imageIncludingDeleted(id);
    db_->execute("DELETE FROM capture_images WHERE id = ?;", {id});
    if (image)
        db_->afterCommit([image] { CaptureStore::removeImageFiles(*image); });
}

void RemoteApplier::dropGroup(const QString& id) {
    // Access to a private group is gone: what others filed there goes, what
    // this user filed stays, and so does the group while it holds any of it.
    const auto others =
        db_->query("SELECT id FROM captures WHERE group_id = ? AND (author_id IS NULL OR author_id != ?);",
                   {id, SQLValue::string(store_.currentUserID())});
    for (const Row& row : others)
        if (const auto captureID = row.string("id"))
            dropCapture(*captureID);
    db_->execute("DELETE FROM group_members WHERE group_id = ?;", {id});
    const auto remaining = db_->query("SELECT COUNT(*) AS n FROM captures WHERE group_id = ?;", {id});
    if (remaining.empty() || remaining.front().integer("n").value_or(0) == 0)
        db_->execute("DELETE FROM groups WHERE id = ?;", {id});
}

void RemoteApplier::dropWorkspace(const QString& id) {
    for (const Row& row : db_->query("SELECT id FROM captures WHERE workspace_id = ?;", {id}))
        if (const auto captureID = row.string("id"))
            dropCapture(*captureID);
    db_->execute("DELETE FROM groups WHERE workspace_id = ?;", {id});
    db_->execute("DELETE FROM workspaces WHERE id = ?;", {id});
}

void RemoteApplier::purgeAccountData() {
    for (const Row& row : db_->query("SELECT id FROM captures WHERE workspace_id IS NOT NULL;"))
        if (const auto captureID = row.string("id"))
            dropCapture(*captureID);
    for (const char* sql : {"DELETE FROM groups WHERE workspace_id IS NOT NULL;", "DELETE FROM group_members;",
                            "DELETE FROM people;", "DELETE FROM workspaces;", "DELETE FROM sync_meta;",
                            "DELETE FROM activity WHERE remote = 1;"})
        db_->execute(sql);
}
