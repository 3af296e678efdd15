// Colour values 0x00BBGGRR: bytes, system colours, the "#RRGGBB" form.
#include "util/colourvalue.h"

#include <gtest/gtest.h>

TEST(ColourValue, DrawsBytesAndClassicSystemColours)
{
    EXPECT_EQ(ColourValue(0x0000ff).toColor(), QColor(255, 0, 0));
    EXPECT_EQ(ColourValue(0xff0000).toColor(), QColor(0, 0, 255));
    EXPECT_EQ(ColourValue(0x123456).toColor(), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(ColourValue(-16777208).toColor(), QColor(0, 0, 0));       // window text
    EXPECT_EQ(ColourValue(-16777211).toColor(), QColor(255, 255, 255)); // window
}

TEST(ColourValue, TakesTheBytesOfAColour)
{
    EXPECT_EQ(ColourValue::fromColor(QColor(0xA6, 0xCA, 0xF0)).value(), 15780518);
    EXPECT_EQ(ColourValue::fromRgb(255, 0, 0).value(), 255);
    const ColourValue value = 0x123456;
    EXPECT_EQ(value.red(), 0x56);
    EXPECT_EQ(value.green(), 0x34);
    EXPECT_EQ(value.blue(), 0x12);
    EXPECT_FALSE(value.isSystemColour());
    EXPECT_TRUE(ColourValue(-16777208).isSystemColour());
    EXPECT_EQ(ColourValue(-16777208).systemIndex(), 8);
}

TEST(ColorToHtml, SwapsRedAndBlue)
{
    EXPECT_EQ(ColorToHtml(255), QStringLiteral("#FF0000"));
    EXPECT_EQ(ColorToHtml(65535), QStringLiteral("#FFFF00"));
    EXPECT_EQ(ColorToHtml(0), QStringLiteral("#000000"));
    EXPECT_EQ(ColorToHtml(0x123456), QStringLiteral("#563412"));
    EXPECT_EQ(ColorToHtml(0xFFFFFF), QStringLiteral("#FFFFFF"));
    // System colours take the pairs of their eight-digit form.
    EXPECT_EQ(ColorToHtml(-16777208), QStringLiteral("#0000FF"));
    EXPECT_EQ(ColorToHtml(0x1000000), QStringLiteral("#000010"));
}

TEST(HtmlToColor, HashNotationAndNumbers)
{
    EXPECT_EQ(HtmlToColor(QStringLiteral("#FF0000")), 255);
    EXPECT_EQ(HtmlToColor(QStringLiteral("#ffff00")), 65535);
    EXPECT_EQ(HtmlToColor(QStringLiteral("#563412")), 0x123456);
    EXPECT_EQ(HtmlToColor(QStringLiteral("#0000FFxyz")), 0xFF0000);
    EXPECT_EQ(HtmlToColor(QStringLiteral("#GG0000")), 0);
    EXPECT_EQ(HtmlToColor(QStringLiteral("#FF00")), 0);
    EXPECT_EQ(HtmlToColor(QStringLiteral("4711")), 4711);
    EXPECT_EQ(HtmlToColor(QStringLiteral("-16777208")), -16777208);
    for (int color : {0, 1, 255, 0x00FF00, 0xABCDEF, 0xFFFFFF})
        EXPECT_EQ(HtmlToColor(ColorToHtml(color)), color);
}
