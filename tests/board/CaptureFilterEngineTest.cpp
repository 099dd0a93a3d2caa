#include "board/CaptureFilterEngine.h"
#include "board/BoardEmptyState.h"
#include "board/BoardHeader.h"

#include "store/StoreFixture.h"

#include <set>

namespace {

std::vector<QString> ids(const std::vector<Capture>& captures) {
    std::vector<QString> result;
    for (const Capture& c : captures)
        result.push_back(c.id);
    return result;
}

const QString me = "user-me";
const QString other = "user-other";

// A library with every combination the filters look at, written through the store.
class SeededLibrary : public StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        const QStringList apps{"Firefox", "Zed", "alpha", "", "Terminal"};
        const QStringList tagSets[] = {{"ui"}, {"ui", "crash"}, {}, {"layout"}};
        groupA = store->upsertGroup(group("Web")).id;
        groupB = store->upsertGroup(group("Desktop")).id;
        const QDateTime base = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
        for (int i = 0; i < 48; ++i) {
            Capture c = newCapture(QString("Capture %1 button misaligned").arg(i));
            c.createdAt = c.updatedAt = base.addSecs(i * 60);
            c.status = allCaptureStatuses[i % 4];
            c.priority = allCapturePriorities[(i / 4) % 3];
            if (i % 3 == 1)
                c.groupID = groupA;
            else if (i % 3 == 2)
                c.groupID = groupB;
            if (!apps[i % 5].isEmpty())
                c.context.appName = apps[i % 5];
            if (i % 6 == 0)
                c.context.url = QString("https://example.org/page/%1").arg(i);
            if (i % 7 < 3)
                c.context.windowTitle = "Settings — Example";
            c.authorID = i % 5 == 0 ? std::nullopt : std::optional(i % 2 ? me : other);
            if (i % 4 != 3)
                c.assigneeID = i % 8 < 4 ? me : other;
            store->insert(c);
            if (!tagSets[i % 4].isEmpty())
                store->setTags(tagSets[i % 4], c.id);
            if (i % 5 == 2)
                store->addComment(newComment(c.id));
            if (i == 47) {
                store->setTags({"layout", "gone"}, c.id);
                store->softDelete(c.id);
            }
        }
        loaded = store->captures(CaptureQuery{});
        for (const Capture& c : loaded)
            if (const QStringList tags = store->tags(c.id); !tags.isEmpty())
                tagsByCapture.insert(c.id, tags);
        QStringList ids;
        for (const Capture& c : loaded)
            ids << c.id;
        // The board reads tags and comment counts for what it loaded in one statement each.
        EXPECT_EQ(store->tags(ids), tagsByCapture);
        QMap<QString, int> comments = store->commentCounts();
        for (auto it = comments.begin(); it != comments.end();)
            it = ids.contains(it.key()) ? std::next(it) : comments.erase(it);
        EXPECT_EQ(store->commentCounts(ids), comments);
        EXPECT_FALSE(comments.isEmpty());
        EXPECT_EQ(store->allTags(), (QStringList{"crash", "layout", "ui"}));
    }

    static CaptureGroup group(const QString& name) {
        CaptureGroup g;
        g.id = Identifiers::make();
        g.name = name;
        g.createdAt = g.updatedAt = QDateTime::currentDateTimeUtc();
        return g;
    }

    // The store orders by priority, then newest, exactly as the priority sort does.
    std::vector<QString> engine(const LibraryFilter& f, const std::optional<QString>& user,
                                const QString& search = {}) {
        return ids(CaptureFilterEngine::apply(loaded, f, search, SortOrder::priority, tagsByCapture, user));
    }
    template <class Edit> std::vector<QString> query(Edit edit) {
        CaptureQuery q;
        edit(q);
        return ids(store->captures(q));
    }
    std::vector<QString> query() {
        return query([](CaptureQuery&) {});
    }

    QString groupA, groupB;
    std::vector<Capture> loaded;
    QMap<QString, QStringList> tagsByCapture;
};

TEST_F(SeededLibrary, EveryFilterAgreesWithTheStoreQuery) {
    using S = CaptureStatus;
    ASSERT_EQ(loaded.size(), 47u);
    for (CaptureStatus s : allCaptureStatuses)
        EXPECT_EQ(engine(LibraryFilter::ofStatus(s), me), query([&](CaptureQuery& q) { q.statuses = std::vector{s}; }))
            << rawValue(s).toStdString();
    for (const QString& g : {groupA, groupB})
        EXPECT_EQ(engine(LibraryFilter::ofGroup(g), me), query([&](CaptureQuery& q) { q.groupID = g; }));
    for (const QString t : {"ui", "crash", "layout"})
        EXPECT_EQ(engine(LibraryFilter::ofTag(t), me), query([&](CaptureQuery& q) { q.tag = t; })) << t.toStdString();
    EXPECT_EQ(engine(LibraryFilter::inbox(), me), query([&](CaptureQuery& q) {
                  q.statuses = std::vector{S::open, S::inProgress};
              }));
    EXPECT_EQ(engine(LibraryFilter::assignedToMe(), me), query([&](CaptureQuery& q) {
                  q.statuses = std::vector{S::open, S::inProgress};
                  q.assigneeID = me;
              }));
    EXPECT_EQ(engine(LibraryFilter::mine(), me), query([&](CaptureQuery& q) { q.authorID = me; }));
    // With nobody signed in only captures without an author are mine.
    EXPECT_EQ(engine(LibraryFilter::mine(), std::nullopt),
              query([&](CaptureQuery& q) { q.authorID = "nobody-has-this-id"; }));
    EXPECT_TRUE(engine(LibraryFilter::assignedToMe(), std::nullopt).empty());
    EXPECT_EQ(engine(LibraryFilter::everything(), me), query());

    for (const QString search : {"firefox", "  SETTINGS ", "example.org/page/1", "capture 1", "zed"}) {
        EXPECT_EQ(engine(LibraryFilter::everything(), me, search),
                  query([&](CaptureQuery& q) { q.search = search.trimmed(); }))
            << search.toStdString();
        EXPECT_EQ(engine(LibraryFilter::inbox(), me, search), query([&](CaptureQuery& q) {
                      q.statuses = std::vector{S::open, S::inProgress};
                      q.search = search.trimmed();
                  }));
    }
    EXPECT_FALSE(engine(LibraryFilter::everything(), me, "firefox").empty());
}

TEST_F(SeededLibrary, SearchReachesTagsAndSpansParts) {
    // Tags are searchable though the store's query does not look at them.
    const auto crash = engine(LibraryFilter::everything(), me, "CRASH");
    EXPECT_EQ(std::set(crash.begin(), crash.end()), [&] {
        auto v = query([&](CaptureQuery& q) { q.tag = "crash"; });
        return std::set(v.begin(), v.end());
    }());
    // The note ends in "misaligned" and the app name starts with "Zed": one space joins them.
    const auto spanning = engine(LibraryFilter::everything(), me, "misaligned zed");
    EXPECT_EQ(spanning, query([&](CaptureQuery& q) { q.search = "Zed"; }));
    EXPECT_TRUE(engine(LibraryFilter::everything(), me, "no such words").empty());
}

Capture capture(const QString& id, qint64 secs, std::optional<QString> app = std::nullopt,
                CapturePriority p = CapturePriority::normal) {
    Capture c;
    c.id = id;
    c.createdAt = QDateTime::fromSecsSinceEpoch(secs, Qt::UTC);
    c.context.appName = std::move(app);
    c.priority = p;
    return c;
}

TEST(CaptureFilterEngine, SortOrdersAndTheirTieBreaks) {
    const std::vector<Capture> loaded{capture("a", 10, "alpha"),
                                      capture("b", 30, std::nullopt, CapturePriority::high),
                                      capture("c", 20, "Zed", CapturePriority::low),
                                      capture("d", 20, "alpha"),
                                      capture("e", 40, QString::fromUcs4(U"\U0001F600", 1)),
                                      capture("f", 5, QString(QChar(0xFF5A)))};
    auto sorted = [&](SortOrder s) {
        return ids(CaptureFilterEngine::apply(loaded, LibraryFilter::everything(), "", s, {}, std::nullopt));
    };
    // Equal times keep their loaded order.
    EXPECT_EQ(sorted(SortOrder::newest), (std::vector<QString>{"e", "b", "c", "d", "a", "f"}));
    EXPECT_EQ(sorted(SortOrder::oldest), (std::vector<QString>{"f", "a", "c", "d", "b", "e"}));
    EXPECT_EQ(sorted(SortOrder::priority), (std::vector<QString>{"b", "e", "d", "a", "f", "c"}));
    // Upper case first, scalar order beyond the BMP, no application last.
    EXPECT_EQ(sorted(SortOrder::app), (std::vector<QString>{"c", "d", "a", "f", "e", "b"}));
}

TEST(BoardTexts, HeaderAndEmptyStateFollowTheFilter) {
    std::vector<Capture> three{capture("a", 1), capture("b", 2), capture("c", 3)};
    EXPECT_EQ(BoardHeader::subtitle(LibraryFilter::inbox(), three), "3 captures waiting");
    three[1].priority = three[2].priority = CapturePriority::high;
    EXPECT_EQ(BoardHeader::subtitle(LibraryFilter::inbox(), three), "3 captures waiting · 2 high priority");
    EXPECT_EQ(BoardHeader::subtitle(LibraryFilter::mine(), {capture("a", 1)}), "1 capture");
    EXPECT_EQ(BoardHeader::subtitle(LibraryFilter::inbox(), {}), "0 captures");

    CaptureGroup web;
    web.id = "g1";
    web.name = "Web";
    EXPECT_EQ(BoardHeader::title(LibraryFilter::ofGroup("g1"), {web}), "Web");
    EXPECT_EQ(BoardHeader::title(LibraryFilter::ofGroup("gone"), {web}), "Group");
    EXPECT_EQ(BoardHeader::title(LibraryFilter::ofTag("ui"), {}), "#ui");

    EXPECT_EQ(BoardEmptyState::forFilter(LibraryFilter::inbox(), " x ").title, "No matches");
    const BoardEmptyState inbox = BoardEmptyState::forFilter(LibraryFilter::inbox(), "  ");
    EXPECT_EQ(inbox.title, "Nothing on the board");
    EXPECT_TRUE(inbox.showsShortcutHint);
    EXPECT_EQ(BoardEmptyState::forFilter(LibraryFilter::ofStatus(CaptureStatus::resolved), "").title,
              "Nothing resolved yet");
    EXPECT_FALSE(BoardEmptyState::forFilter(LibraryFilter::mine(), "").showsShortcutHint);
}

TEST(CaptureFilterEngine, GroupCountsOnlyActiveCaptures) {
    std::vector<Capture> loaded{capture("a", 1), capture("b", 2), capture("c", 3)};
    loaded[0].groupID = loaded[1].groupID = loaded[2].groupID = "g";
    loaded[1].status = CaptureStatus::resolved;
    loaded[2].status = CaptureStatus::inProgress;
    EXPECT_EQ(CaptureFilterEngine::activeCountsByGroup(loaded).value("g"), 2);
    loaded[0].status = loaded[2].status = CaptureStatus::archived;
    EXPECT_FALSE(CaptureFilterEngine::activeCountsByGroup(loaded).contains("g"));
}

} // namespace
