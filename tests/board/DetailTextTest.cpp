#include "board/ActivityLine.h"
#include "board/RelativeTime.h"
#include "board/TagText.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

ActivityEvent event(const QString& kind, const QString& detail, const QString& actor = "claude") {
    ActivityEvent e;
    e.kind = kind;
    e.detail = detail;
    e.actor = actor;
    return e;
}

TEST(DetailTexts, ActivityLinesNameActorsPeopleAndDetails) {
    Person ada;
    ada.id = "p1";
    ada.name = "Ada";
    const auto people = [&](const std::optional<QString>& id) {
        return id == ada.id ? std::optional(ada) : std::nullopt;
    };
    EXPECT_EQ(ActivityLine::text(event("created", "no screenshot"), people), "Filed without a screenshot");
    EXPECT_EQ(ActivityLine::text(event("created", "region"), people), "Captured — region");
    EXPECT_EQ(ActivityLine::text(event("resolved", "abc1234"), people), "claude resolved it — abc1234");
    EXPECT_EQ(ActivityLine::text(event("resolved", ""), people), "claude resolved it");
    EXPECT_EQ(ActivityLine::text(event("assigned", "p1", "you"), people), "you assigned it to Ada");
    EXPECT_EQ(ActivityLine::text(event("assigned", "p9", "you"), people), "you assigned it to p9");
    EXPECT_EQ(ActivityLine::text(event("assigned", "", "you"), people), "you assigned it to nobody");
    EXPECT_EQ(ActivityLine::text(event("claimed", "x"), people), "Claimed by claude");
    EXPECT_EQ(ActivityLine::text(event("reopened", "x"), people), "claude reopened it");
    EXPECT_EQ(ActivityLine::text(event("exported", "csv"), people), "claude exported — csv");
}

TEST(DetailTexts, TagFieldAndRelativeTimes) {
    EXPECT_EQ(TagText::parse(" Bug, UI, , urgent ,  "), (QStringList{"bug", "ui", "urgent"}));
    EXPECT_EQ(TagText::format({"bug", "ui"}), "bug, ui");

    const QDateTime now = QDateTime::fromSecsSinceEpoch(1'760'000'000, Qt::UTC);
    EXPECT_EQ(RelativeTime::string(now.addSecs(30), now), "just now");
    EXPECT_EQ(RelativeTime::string(now.addSecs(-4), now), "just now");
    EXPECT_EQ(RelativeTime::string(now.addSecs(-59), now), "59s ago");
    EXPECT_EQ(RelativeTime::string(now.addSecs(-90), now), "1m ago");
    EXPECT_EQ(RelativeTime::string(now.addSecs(-3 * 3600), now), "3h ago");
    EXPECT_EQ(RelativeTime::string(now.addSecs(-604799), now), "6d ago");
    // Noon local time, so the date shown is the same in every time zone.
    const QDateTime eightDaysBefore(QDate(2025, 10, 1), QTime(12, 0));
    EXPECT_EQ(RelativeTime::string(eightDaysBefore, eightDaysBefore.addDays(8)), "Oct 1");
}

} // namespace
