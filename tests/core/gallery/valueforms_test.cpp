// Text forms of numbers, booleans, colours and fonts.
#include "gallery/valueforms.h"

#include <gtest/gtest.h>

#include <limits>

TEST(TextToInt, ReadsTheLeadingInteger)
{
    EXPECT_EQ(TextToInt(QStringLiteral("12px")), 12);
    EXPECT_EQ(TextToInt(QStringLiteral("-16777208")), -16777208);
    EXPECT_EQ(TextToInt(QStringLiteral("+5")), 5);
    EXPECT_EQ(TextToInt(QStringLiteral("  7 ")), 7);
    EXPECT_EQ(TextToInt(QStringLiteral("")), 0);
    EXPECT_EQ(TextToInt(QStringLiteral("px12")), 0);
    EXPECT_EQ(TextToInt(QStringLiteral("-")), 0);
    EXPECT_EQ(TextToInt(QStringLiteral("1.9")), 1);
    EXPECT_EQ(TextToInt(QStringLiteral("0x10")), 0);
}

TEST(TextToInt, SaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(TextToInt(QStringLiteral("2147483647")), std::numeric_limits<int>::max());
    EXPECT_EQ(TextToInt(QStringLiteral("2147483648")), std::numeric_limits<int>::max());
    EXPECT_EQ(TextToInt(QStringLiteral("-2147483648")), std::numeric_limits<int>::min());
    EXPECT_EQ(TextToInt(QStringLiteral("-99999999999999")), std::numeric_limits<int>::min());
    EXPECT_EQ(TextToInt(QString(1'000'000, u'9')), std::numeric_limits<int>::max());
}

TEST(TextToBool, WordsAndNumbers)
{
    for (const char16_t* yes :
         {u"ja", u"TRUE", u"2", u"J", u"oui", u"Wahr", u"x", u"On", u"an", u"y", u"-1", u"1abc"})
        EXPECT_TRUE(TextToBool(QString::fromUtf16(yes))) << QString::fromUtf16(yes).toStdString();
    for (const char16_t* no : {u"", u"0", u"nein", u"false", u"off", u"00", u" ja", u"jaa"})
        EXPECT_FALSE(TextToBool(QString::fromUtf16(no))) << QString::fromUtf16(no).toStdString();
}

TEST(TextToFont, AppliesFieldsAndKeepsEmptyOnes)
{
    FontSpec font{QStringLiteral("Tahoma"), false, false, true, true, 12, 123};
    TextToFont(QStringLiteral("Arial,bk,10"), font);
    EXPECT_EQ(font, (FontSpec{QStringLiteral("Arial"), true, true, false, false, 10, 123}));

    FontSpec keep{QStringLiteral("Verdana"), true, true, true, true, 9, 4711};
    TextToFont(QStringLiteral(",,14,"), keep);
    EXPECT_EQ(keep, (FontSpec{QStringLiteral("Verdana"), false, false, false, false, 14, 4711}));

    FontSpec untouched{QStringLiteral("Verdana"), true, false, false, false, 9, 5};
    TextToFont(QString(), untouched);
    EXPECT_EQ(untouched, (FontSpec{QStringLiteral("Verdana"), true, false, false, false, 9, 5}));
}

TEST(TextToFont, StyleLettersAnywhereInTheField)
{
    FontSpec font;
    TextToFont(QStringLiteral("X,fsu,8,0"), font);
    EXPECT_TRUE(font.bold);
    EXPECT_FALSE(font.italic);
    EXPECT_TRUE(font.underline);
    EXPECT_TRUE(font.strikeOut);
    TextToFont(QStringLiteral("X,zzKzz,8,0"), font);
    EXPECT_FALSE(font.bold);
    EXPECT_TRUE(font.italic);
    EXPECT_FALSE(font.underline);
    EXPECT_FALSE(font.strikeOut);
}

TEST(TextToFont, DamagedSizesAndColours)
{
    FontSpec font{QStringLiteral("A"), false, false, false, false, 12, 77};
    TextToFont(QStringLiteral("A,,0,"), font);
    EXPECT_EQ(font.size, 12);
    TextToFont(QStringLiteral("A,,-8,"), font);
    EXPECT_EQ(font.size, 12);
    TextToFont(QStringLiteral("A,,99999999999,"), font);
    EXPECT_EQ(font.size, kMaxFontPoints);
    // A colour field that is present but not a number reads 0, like any number field.
    TextToFont(QStringLiteral("A,,12,red"), font);
    EXPECT_EQ(font.color, 0);
    // Surplus fields are ignored.
    TextToFont(QStringLiteral("B,B,11,5,extra,more"), font);
    EXPECT_EQ(font, (FontSpec{QStringLiteral("B"), true, false, false, false, 11, 5}));
}

TEST(FontToText, PlainForm)
{
    EXPECT_EQ(FontToText({QStringLiteral("Arial"), false, false, false, false, 9, 0}),
              QStringLiteral("Arial,,9,0"));
    EXPECT_EQ(FontToText({QStringLiteral("Arial"), true, true, true, true, 9, -16777208}),
              QStringLiteral("Arial,BIDU,9,-16777208"));
    EXPECT_EQ(FontToText({QStringLiteral("Tahoma"), true, false, false, false, 12, 65535}, false,
                         QStringLiteral("s")),
              QStringLiteral(",,12,"));
}

TEST(FontToText, PlainFormReadsBack)
{
    const FontSpec font{QStringLiteral("Times New Roman"), false, true, true, false, 33, 0x123456};
    FontSpec read;
    TextToFont(FontToText(font), read);
    EXPECT_EQ(read, font);
}

TEST(FontToText, StyleSheetForm)
{
    EXPECT_EQ(FontToText({QStringLiteral("Tahoma"), true, false, false, false, 12, 65535}, true),
              QStringLiteral("font-family: Tahoma; font-weight: bold; font-style: normal; "
                             "text-decoration: none; font-size: 12pt; color: #FFFF00; "));
    EXPECT_EQ(FontToText({QStringLiteral("A"), false, true, true, true, 8, 255}, true),
              QStringLiteral("font-family: A; font-weight: normal; font-style: italic; "
                             "text-decoration: line-through underline; font-size: 8pt; "
                             "color: #FF0000; "));
    EXPECT_EQ(FontToText({QStringLiteral("A"), false, false, true, false, 8, 0}, true),
              QStringLiteral("font-family: A; font-weight: normal; font-style: normal; "
                             "text-decoration: underline; font-size: 8pt; color: #000000; "));
    EXPECT_EQ(FontToText({QStringLiteral("A"), false, false, false, true, 8, 0}, true,
                         QStringLiteral("a")),
              QStringLiteral("font-weight: normal; font-style: normal; "
                             "text-decoration: line-through; "));
}

TEST(QtFont, ConvertsBothWays)
{
    const FontSpec record{QStringLiteral("DejaVu Sans"), true, true, false, true, 14, 99};
    const QFont font = toQFont(record);
    EXPECT_EQ(font.family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(font.pointSize(), 14);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.italic());
    EXPECT_FALSE(font.underline());
    EXPECT_TRUE(font.strikeOut());
    EXPECT_EQ(fontSpecFromQFont(font, 99), record);
}
