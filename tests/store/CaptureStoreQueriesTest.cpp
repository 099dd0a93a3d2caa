#include "StoreFixture.h"

namespace {

using CaptureStoreQueries = StoreFixture;

QStringList notes(const std::vector<Capture>& captures) {
    QStringList result;
    for (const Capture& c : captures)
        result << c.note;
    return result;
}

TEST_F(CaptureStoreQueries, OrdersByPriorityThenCreationAndFilters) {
    const QDateTime base = QDateTime::currentDateTimeUtc();
    auto add = [&](const QString& note, CapturePriority priority, CaptureStatus status, int minutes) {
        Capture c = newCapture(note);
        c.priority = priority;
        c.status = status;
        c.createdAt = base.addSecs(60 * minutes);
        store->insert(c);
        return c;
    };
    add("old normal", CapturePriority::normal, CaptureStatus::open, 0);
    add("new normal", CapturePriority::normal, CaptureStatus::inProgress, 5);
    add("old high", CapturePriority::high, CaptureStatus::open, 1);
    add("new high", CapturePriority::high, CaptureStatus::open, 6);
    add("low", CapturePriority::low, CaptureStatus::open, 9);
    add("done", CapturePriority::high, CaptureStatus::resolved, 7);

    CaptureQuery active;
    active.statuses = std::vector{CaptureStatus::open, CaptureStatus::inProgress};
    EXPECT_EQ(notes(store->captures(active)), (QStringList{"new high", "old high", "new normal", "old normal", "low"}));
    active.newestFirst = false;
    EXPECT_EQ(notes(store->captures(active)), (QStringList{"old high", "new high", "old normal", "new normal", "low"}));

    CaptureQuery page;
    page.limit = 2;
    page.offset = 1;
    EXPECT_EQ(notes(store->captures(page)), (QStringList{"new high", "old high"}));

    CaptureQuery low;
    low.priority = CapturePriority::low;
    EXPECT_EQ(notes(store->captures(low)), QStringList{"low"});

    CaptureQuery noStatuses;
    noStatuses.statuses = std::vector<CaptureStatus>{};
    EXPECT_EQ(store->captures(noStatuses).size(), 6u) << "an empty status list means all";

    const auto counts = store->countsByStatus();
    EXPECT_EQ(counts.value(CaptureStatus::open), 4);
    EXPECT_EQ(counts.value(CaptureStatus::inProgress), 1);
    EXPECT_EQ(counts.value(CaptureStatus::resolved), 1);
    EXPECT_FALSE(counts.contains(CaptureStatus::archived));
}

TEST_F(CaptureStoreQueries, SearchTagGroupAuthorAndAssigneeFilters) {
    Capture a = newCapture("Login button misaligned");
    a.context.appName = "Firefox";
    a.authorID = "ana";
    a.assigneeID = "bo";
    Capture b = newCapture("Crash on save");
    b.context.windowTitle = "Editor — 100% zoom";
    b.authorID = "bo";
    Capture c = newCapture("No author");
    for (Capture* x : {&a, &b, &c})
        store->insert(*x);
    store->setTags({"ui"}, a.id);

    CaptureGroup g;
    g.id = Identifiers::make();
    g.name = "Website";
    g.createdAt = g.updatedAt = QDateTime::currentDateTimeUtc();
    store->upsertGroup(g);
    Capture inGroup = *store->capture(b.id);
    inGroup.groupID = g.id;
    store->update(inGroup);

    CaptureQuery q;
    q.search = "firefox";
    EXPECT_EQ(notes(store->captures(q)), QStringList{a.note});
    q.search = "100%";
    EXPECT_EQ(notes(store->captures(q)), QStringList{b.note}) << "a trailing % is a wildcard";
    q.search = "   ";
    EXPECT_EQ(store->captures(q).size(), 3u) << "a blank search filters nothing";

    CaptureQuery tag;
    tag.tag = "UI";
    EXPECT_EQ(notes(store->captures(tag)), QStringList{a.note});

    CaptureQuery group;
    group.groupName = "website";
    EXPECT_EQ(notes(store->captures(group)), QStringList{b.note});
    group.groupName.reset();
    group.groupID = g.id;
    EXPECT_EQ(notes(store->captures(group)), QStringList{b.note});

    CaptureQuery author;
    author.authorID = "ana";
    author.newestFirst = false;
    EXPECT_EQ(notes(store->captures(author)), (QStringList{a.note, c.note}));

    CaptureQuery assignee;
    assignee.assigneeID = "bo";
    EXPECT_EQ(notes(store->captures(assignee)), QStringList{a.note});

    store->softDelete(b.id);
    EXPECT_TRUE(store->captures(group).empty()) << "deleted captures never appear";
    EXPECT_EQ(store->allTags(), QStringList{"ui"});
    store->softDelete(a.id);
    EXPECT_TRUE(store->allTags().isEmpty()) << "only tags of live captures";
}

TEST_F(CaptureStoreQueries, ChangeStampMovesWithCapturesAndComments) {
    EXPECT_EQ(store->changeStamp(), "0-0.0-0-0.0-0-0.0");
    EXPECT_TRUE(store->countsByStatus().isEmpty());

    Capture c = newCapture();
    store->insert(c);
    const QString afterInsert = store->changeStamp();
    EXPECT_NE(afterInsert, "0-0.0-0-0.0");
    EXPECT_EQ(store->changeStamp(), afterInsert) << "stable while nothing changes";

    Comment comment = newComment(c.id, "hello");
    comment.createdAt = comment.createdAt.addSecs(1);
    store->addComment(comment);
    EXPECT_NE(store->changeStamp(), afterInsert);
    EXPECT_EQ(store->commentCounts().value(c.id), 1);
}

TEST_F(CaptureStoreQueries, PeopleSortBotsLast) {
    sql().execute("INSERT INTO people (id, name, kind, updated_at) VALUES "
                  "('1', 'Zed', 'person', 0), ('2', 'Aardvark Bot', 'bot', 0), ('3', 'amy', 'person', 0);");
    QStringList order;
    for (const Person& p : store->assignableCandidates())
        order << p.name;
    EXPECT_EQ(order, (QStringList{"amy", "Zed", "Aardvark Bot"}));
    EXPECT_EQ(store->person("2")->isBot(), true);
    EXPECT_FALSE(store->person("9").has_value());
}

} // namespace
