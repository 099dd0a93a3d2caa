#pragma once

#include "capture/PendingCapture.h"
#include "store/CaptureGroup.h"
#include "store/TagNames.h"

#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// The note box's state and rules, without widgets: the fields, the draft
// they become while the box is away, the new-group step and what a save
// hands on. The box never stores anything itself; it calls back.
class ComposeModel {
public:
    struct Callbacks {
        std::function<void(const QString& note, CapturePriority, const std::optional<QString>& groupID,
                           const QStringList& tags)>
            onSave;
        std::function<void()> onDiscard;
        std::function<void(const ComposeDraft&)> onAddScreenshot;
        std::function<void(const QString& imageID, const ComposeDraft&)> onAnnotate;
        // Nothing when the group could not be made.
        std::function<std::optional<CaptureGroup>(const QString& name)> onCreateGroup;
        // Told what the box holds just before a save, so a save that fails
        // can bring it back exactly as typed.
        std::function<void(const ComposeDraft&)> onKeepDraft;
        // Leaves a screenshot out of the capture; the box stays up.
        std::function<void(const QString& imageID)> onDropImage;
    };

    // Why the last save did not happen, shown at the top of the box.
    struct Problem {
        QString message;
        // The screenshot whose file could not be written, which a save can leave out.
        std::optional<QString> imageID;
    };

    // Restores the pending capture's draft; without a group there, the default group.
    ComposeModel(const PendingCapture& pending, std::vector<CaptureGroup> groups,
                 const std::optional<QString>& defaultGroupID, Callbacks callbacks);

    const PendingCapture& pending() const { return pending_; }

    QString note;
    CapturePriority priority = CapturePriority::normal;
    std::optional<QString> groupID;
    QString tagText;
    std::optional<QString> selectedImageID;
    bool isNamingGroup = false;
    QString newGroupName;
    std::optional<Problem> problem;
    // A line for the person above the fields (the default group fell back to none).
    QString notice;

    // Something to file: a screenshot, or a note with words in it.
    bool canSave() const;
    // Typed into the box: Esc must not drop it without asking.
    bool hasTypedText() const;

    // The library's groups and those made in this box, by name.
    std::vector<CaptureGroup> allGroups() const;
    const PendingImage* selected() const;
    // The window title, unless blank or only the application's name again.
    std::optional<QString> distinctWindowTitle() const;
    QStringList tags() const { return TagNames::fromText(tagText); }
    ComposeDraft currentDraft() const;

    // Makes (or, failing that, finds by name) the group being named and
    // selects it; returns the selected group.
    std::optional<QString> commitNewGroup();
    void cancelNewGroup();

    void save();
    // Saves the capture without the screenshot the problem names.
    void saveWithoutFailedImage();
    void discard();
    void addScreenshot();
    void annotate(const QString& imageID);

private:
    PendingCapture pending_;
    std::vector<CaptureGroup> groups_;
    std::vector<CaptureGroup> createdGroups_;
    Callbacks callbacks_;
};
