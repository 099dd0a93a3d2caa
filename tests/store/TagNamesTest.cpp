#include "StoreFixture.h"

#include "store/RemoteApplier.h"
#include "store/TagNames.h"

#include <QJsonArray>

namespace {

using TagNamesInTheLibrary = StoreFixture;

TEST(TagNames, TrimsLowerCasesAndKeepsEachNameOnceInTheOrderFirstGiven) {
    EXPECT_EQ(TagNames::normalised({" Login", "UI\t", "login", "", " \t ", "Ui"}), (QStringList{"login", "ui"}));
    // Pasted text brings line breaks and no-break spaces around a name.
    EXPECT_EQ(TagNames::normalised({"bug\n", QString::fromUtf8("\u00a0Bug\r\n")}), QStringList{"bug"});
    EXPECT_EQ(TagNames::normalised({"Needs  Review"}), QStringList{"needs  review"}) << "inner spaces are the name's";
    EXPECT_EQ(TagNames::normalised({QString::fromUtf8("ÄRGER"), QString::fromUtf8("ärger")}),
              QStringList{QString::fromUtf8("ärger")});
    EXPECT_TRUE(TagNames::normalised({}).isEmpty());
}

TEST(TagNames, FieldTextIsSplitAtCommas) {
    EXPECT_EQ(TagNames::fromText(" Bug, UI, , urgent ,  "), (QStringList{"bug", "ui", "urgent"}));
    EXPECT_EQ(TagNames::fromText("UI, ui"), QStringList{"ui"});
    EXPECT_TRUE(TagNames::fromText("").isEmpty());
    EXPECT_TRUE(TagNames::fromText(" , ,").isEmpty());
}

// A tag typed here and the same tag in a row from the service are one tag,
// whatever white space each brought along.
TEST_F(TagNamesInTheLibrary, OneSpellingIsOneTagWhicheverWayItArrives) {
    const Capture typed = newCapture();
    store->insert(typed);
    store->setTags({"Bug\n", "crash"}, typed.id);
    EXPECT_EQ(store->tags(typed.id), (QStringList{"bug", "crash"}));

    RemoteApplier(*store).applyRemoteCapture(
        {{"id", "c-remote"}, {"workspace_id", "ws-1"}, {"tags", QJsonArray{QString::fromUtf8(" BUG\u00a0"), "Crash"}}});
    EXPECT_EQ(store->tags("c-remote"), (QStringList{"bug", "crash"}));
    EXPECT_EQ(store->allTags(), (QStringList{"bug", "crash"}));
}

} // namespace
