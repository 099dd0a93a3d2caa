#include "../store/StoreFixture.h"

#include "library/Library.h"
#include "support/QtEventLoop.h"

namespace {

class LibraryErrors : public StoreFixture {
protected:
    void SetUp() override {
        ensureQtApplication();
        StoreFixture::SetUp();
    }
};

// A capture filed into a group the library doesn't hold (a default group
// from another library) fails, and the board says so in words, not SQL.
TEST_F(LibraryErrors, AFailedSaveIsWordedForPeople) {
    Library library(*store);
    Capture capture = newCapture("filed into a group from another library");
    capture.groupID = QStringLiteral("0b7f1a52-2c36-4c55-9a37-5d0c8d1e3f00");
    EXPECT_FALSE(library.add(capture, {"login"}, {}));
    ASSERT_TRUE(library.loadError().has_value());
    const QString shown = *library.loadError();
    for (const char* raw : {"SQL", "FOREIGN KEY", "constraint", "INSERT"})
        EXPECT_FALSE(shown.contains(raw, Qt::CaseInsensitive)) << shown.toStdString();
    EXPECT_TRUE(shown.contains("group")) << shown.toStdString();
    EXPECT_TRUE(store->captures(CaptureQuery()).empty()) << "nothing half-filed";
}

} // namespace
