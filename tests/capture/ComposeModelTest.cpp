#include "capture/ComposeModel.h"

#include <gtest/gtest.h>

namespace {

CaptureGroup group(const QString& id, const QString& name) {
    CaptureGroup g;
    g.id = id;
    g.name = name;
    return g;
}

TEST(ComposeModelTest, ADraftComesBackAsItWasLeftAndSavingCommitsAHalfNamedGroup) {
    PendingCapture pending = PendingCapture::textOnly({});
    pending.context.appName = "Firefox";
    pending.context.windowTitle = "firefox";
    pending.draft.note = "  the legend overlaps  ";
    pending.draft.priority = CapturePriority::high;
    pending.draft.tagText = "Login,, UI  ,";
    pending.draft.pendingGroupName = "Checkout";

    QStringList created;
    std::optional<QString> savedGroup;
    QStringList savedTags;
    QString savedNote;
    ComposeModel::Callbacks callbacks;
    callbacks.onCreateGroup = [&](const QString& name) -> std::optional<CaptureGroup> {
        created << name;
        return std::nullopt; // the store refused it
    };
    callbacks.onSave = [&](const QString& note, CapturePriority, const std::optional<QString>& groupID,
                           const QStringList& tags) {
        savedNote = note;
        savedGroup = groupID;
        savedTags = tags;
    };
    ComposeModel model(pending, {group("g2", "checkout"), group("g1", "Checkout")}, QString("g2"), callbacks);

    EXPECT_TRUE(model.isNamingGroup) << "a half-typed group name comes back in naming mode";
    EXPECT_EQ(model.newGroupName, "Checkout");
    EXPECT_EQ(model.groupID, QString("g2")) << "no group in the draft: the default group";
    EXPECT_EQ(model.tags(), (QStringList{"login", "ui"}));
    EXPECT_FALSE(model.distinctWindowTitle().has_value()) << "a title that only repeats the app is not shown";
    EXPECT_EQ(model.currentDraft().pendingGroupName, "Checkout");

    // Creation fails: the group of exactly that name is taken instead.
    model.save();
    EXPECT_EQ(created, QStringList{"Checkout"});
    EXPECT_EQ(savedGroup, QString("g1"));
    EXPECT_EQ(savedNote, "the legend overlaps");
    EXPECT_EQ(savedTags, (QStringList{"login", "ui"}));
}

TEST(ComposeModelTest, ACreatedGroupIsSelectedAndListedOnce) {
    ComposeModel::Callbacks callbacks;
    callbacks.onCreateGroup = [](const QString& name) -> std::optional<CaptureGroup> { return group("new", name); };
    ComposeModel model(PendingCapture::textOnly({}), {group("b", "beta")}, std::nullopt, callbacks);
    model.isNamingGroup = true;
    model.newGroupName = "  alpha ";
    EXPECT_EQ(model.commitNewGroup(), QString("new"));
    model.isNamingGroup = true;
    model.newGroupName = "alpha";
    model.commitNewGroup();
    EXPECT_FALSE(model.isNamingGroup);
    const std::vector<CaptureGroup> all = model.allGroups();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all.front().name, "alpha") << "sorted by name";
    EXPECT_EQ(model.currentDraft().pendingGroupName, "");
}

} // namespace
