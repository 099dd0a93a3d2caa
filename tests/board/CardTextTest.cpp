#include "board/CardText.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGuiApplication>

namespace {

// Every character is 10 px wide, so the arithmetic below is the whole story.
int tenEach(const QString& text) { return int(text.size()) * 10 + 16; }

TEST(CardText, TagsThatDontFitAreCountedOnAPlusChip) {
    const QStringList tags{"checkout", "payments", "safari", "regression"};
    // Room for two chips and "+2".
    CardText::TagFit fit = CardText::fitTags(tags, tenEach, 96 + 96 + 36 + 8, 2);
    EXPECT_EQ(fit.shown, 2);
    EXPECT_EQ(fit.hidden, 2);
    // Room for one chip and "+3" only: the second tag gives way to the count.
    fit = CardText::fitTags(tags, tenEach, 96 + 120, 2);
    EXPECT_EQ(fit.shown, 1);
    EXPECT_EQ(fit.hidden, 3);
    // Everything fits: no count.
    fit = CardText::fitTags({"ui", "css"}, tenEach, 200, 2);
    EXPECT_EQ(fit.shown, 2);
    EXPECT_EQ(fit.hidden, 0);
    EXPECT_EQ(CardText::moreTags(3), "+3");
}

TEST(CardText, ATitleTooLongForTwoLinesEndsInAnEllipsis) {
    static int argc = 1;
    static char name[] = "zorvi-card-text-test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QGuiApplication(argc, argv);
    QFont font;
    font.setPixelSize(13);
    const int width = 200;
    const QString note = "Search ignores accents \"cafe\" finds nothing although the menu lists Café Olé and "
                         "three more places with accented names";
    const QStringList lines = CardText::elidedLines(note, font, width, 2).split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(QChar(0x2026))) << lines[1].toStdString();
    for (const QString& line : lines)
        EXPECT_LE(QFontMetrics(font).horizontalAdvance(line), width) << line.toStdString();
    EXPECT_EQ(CardText::elidedLines("Short title", font, width, 2), "Short title");
}

} // namespace
