#include "markup/HexColor.h"

#include <gtest/gtest.h>

namespace {

QRgb rgbOf(const QString& text) { return HexColor::parse(text).rgba(); }

} // namespace

TEST(HexColor, ReadsTheUsualFormsAndTrimsOnlySpacesAndTabs) {
    EXPECT_EQ(rgbOf("#0A84FF"), qRgb(0x0A, 0x84, 0xFF));
    EXPECT_EQ(rgbOf(" \t#0a84ff  "), qRgb(0x0A, 0x84, 0xFF));
    EXPECT_EQ(rgbOf("0A84FF"), qRgb(0x0A, 0x84, 0xFF));
    EXPECT_EQ(rgbOf("#+34C759"), qRgb(0x34, 0xC7, 0x59));
    EXPECT_EQ(rgbOf("#fff"), qRgb(0x00, 0x0F, 0xFF));
    EXPECT_EQ(rgbOf("#0A84FF\n"), qRgb(0xFF, 0x3B, 0x30));
}

TEST(HexColor, UnreadableTextFallsBackToRed) {
    const QRgb red = qRgb(0xFF, 0x3B, 0x30);
    for (const QString& text : QStringList{"#GG0000", "", "#", "  ", "#-12", "+", "##FF0000", "#1FF3B30FF"})
        EXPECT_EQ(rgbOf(text), red) << text.toStdString();
}

TEST(HexColor, EightDigitsKeepOnlyTheLastSix) {
    EXPECT_EQ(rgbOf("#FF3B30FF"), qRgb(0x3B, 0x30, 0xFF));
    EXPECT_EQ(HexColor::parse("#FF3B30FF").alpha(), 255);
}
