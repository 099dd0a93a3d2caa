#include "export/SaveAsName.h"

#include <gtest/gtest.h>

TEST(SaveAsName, ThePatternIsFilledFromTheCaptureAndMadeSafeForAnyDisk) {
    const SaveAsName::Context context{QDateTime(QDate(2026, 3, 9), QTime(14, 5, 7)), "Firefox",
                                      "Checkout button\n does nothing: see /cart?id=7 <again> and more words"};
    EXPECT_EQ(SaveAsName::fileName(SaveAsName::defaultPattern, context, "png"),
              "2026-03-09 14.05.07 Firefox Checkout button does nothing see cart id=7.png");
    EXPECT_EQ(SaveAsName::fileName("bug-{app}", SaveAsName::Context{}, "jpg"), "bug-.jpg");
    // Nothing usable left: a plain name rather than an empty or hidden one.
    EXPECT_EQ(SaveAsName::fileName("{note}", SaveAsName::Context{{}, {}, "../.."}, "png"), "Zorvi screenshot.png");
    EXPECT_EQ(SaveAsName::fileName(QString(300, u'x'), SaveAsName::Context{}, "png").size(), 124);
}
