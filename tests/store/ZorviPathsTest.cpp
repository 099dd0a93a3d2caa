#include "store/ZorviPaths.h"

#include <gtest/gtest.h>

TEST(ZorviPaths, RelativePathUsesLocalYearAndMonth) {
    QDateTime december(QDate(2023, 12, 15), QTime(12, 0));
    EXPECT_TRUE(ZorviPaths::relativeImagePath("abc", december, "png").startsWith("2023/12/"));
}
