#include "capture/ComposeModel.h"

#include <algorithm>

ComposeModel::ComposeModel(const PendingCapture& pending, std::vector<CaptureGroup> groups,
                           const std::optional<QString>& defaultGroupID, Callbacks callbacks)
    : pending_(pending), groups_(std::move(groups)), callbacks_(std::move(callbacks)) {
    const ComposeDraft& draft = pending.draft;
    note = draft.note;
    priority = draft.priority;
    tagText = draft.tagText;
    groupID = draft.groupID ? draft.groupID : defaultGroupID;
    selectedImageID = draft.selectedImageID;
    if (!selectedImageID && !pending.images.isEmpty())
        selectedImageID = pending.images.front().id;
    if (!draft.pendingGroupName.isEmpty()) {
        newGroupName = draft.pendingGroupName;
        isNamingGroup = true;
    }
}

std::vector<CaptureGroup> ComposeModel::allGroups() const {
    std::vector<CaptureGroup> all = groups_;
    all.insert(all.end(), createdGroups_.begin(), createdGroups_.end());
    std::stable_sort(all.begin(), all.end(), [](const CaptureGroup& a, const CaptureGroup& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return all;
}

const PendingImage* ComposeModel::selected() const {
    for (const PendingImage& image : pending_.images)
        if (image.id == selectedImageID)
            return &image;
    return pending_.images.isEmpty() ? nullptr : &pending_.images.front();
}

std::optional<QString> ComposeModel::distinctWindowTitle() const {
    const std::optional<QString>& title = pending_.context.windowTitle;
    if (!title || title->trimmed().isEmpty())
        return std::nullopt;
    if (pending_.context.appName && title->compare(*pending_.context.appName, Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return title;
}

ComposeDraft ComposeModel::currentDraft() const {
    ComposeDraft draft;
    draft.note = note;
    draft.priority = priority;
    draft.groupID = groupID;
    draft.tagText = tagText;
    draft.selectedImageID = selectedImageID;
    draft.pendingGroupName = isNamingGroup ? newGroupName : QString();
    return draft;
}

std::optional<QString> ComposeModel::commitNewGroup() {
    const QString name = newGroupName.trimmed();
    if (name.isEmpty())
        return groupID;
    std::optional<CaptureGroup> made = callbacks_.onCreateGroup ? callbacks_.onCreateGroup(name) : std::nullopt;
    if (made) {
        const bool known = std::any_of(createdGroups_.begin(), createdGroups_.end(),
                                       [&](const CaptureGroup& g) { return g.id == made->id; });
        if (!known)
            createdGroups_.push_back(*made);
        groupID = made->id;
        isNamingGroup = false;
        newGroupName.clear();
    } else {
        for (const CaptureGroup& g : allGroups())
            if (g.name == name)
                groupID = g.id;
    }
    return groupID;
}

void ComposeModel::cancelNewGroup() {
    isNamingGroup = false;
    newGroupName.clear();
}

bool ComposeModel::canSave() const {
    return !pending_.images.isEmpty() || !note.trimmed().isEmpty();
}

bool ComposeModel::hasTypedText() const {
    return !note.trimmed().isEmpty() || !tagText.trimmed().isEmpty();
}

void ComposeModel::save() {
    if (!canSave())
        return;
    std::optional<QString> group = groupID;
    if (isNamingGroup)
        if (std::optional<QString> committed = commitNewGroup())
            group = committed;
    if (callbacks_.onKeepDraft)
        callbacks_.onKeepDraft(currentDraft());
    if (callbacks_.onSave)
        callbacks_.onSave(note.trimmed(), priority, group, tags());
}

void ComposeModel::saveWithoutFailedImage() {
    if (!problem || !problem->imageID)
        return;
    if (callbacks_.onDropImage)
        callbacks_.onDropImage(*problem->imageID);
    if (selectedImageID == problem->imageID)
        selectedImageID.reset();
    problem.reset();
    save();
}

void ComposeModel::discard() {
    if (callbacks_.onDiscard)
        callbacks_.onDiscard();
}

void ComposeModel::addScreenshot() {
    if (callbacks_.onAddScreenshot)
        callbacks_.onAddScreenshot(currentDraft());
}

void ComposeModel::annotate(const QString& imageID) {
    if (callbacks_.onAnnotate)
        callbacks_.onAnnotate(imageID, currentDraft());
}
