#include "util/cp1252.h"

#include <gtest/gtest.h>

TEST(Cp1252, RoundTripsEveryByteAndMapsTheHighBlock)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = fromCp1252(all);
    EXPECT_EQ(text.at(0x80), QChar(0x20AC));
    EXPECT_EQ(text.at(0xE4), QChar(0xE4)); // ä
    bool lossless = false;
    EXPECT_EQ(toCp1252(text, &lossless), all);
    EXPECT_TRUE(lossless);
}

TEST(Cp1252, MissingCharactersBecomeQuestionMarksOrReferences)
{
    const QString text =
        QStringLiteral("Stra\u00DFe \u20AC \u4E2D") + QString::fromUcs4(U"\U0001F600");
    bool lossless = true;
    EXPECT_EQ(toCp1252(text, &lossless), QByteArray("Stra\xDF"
                                                    "e \x80 ??"));
    EXPECT_FALSE(lossless);
    EXPECT_EQ(toCp1252Html(text), QByteArray("Stra\xDF"
                                             "e \x80 &#20013;&#128512;"));
    EXPECT_TRUE(fitsCp1252(QStringLiteral("\u00C4\u2122")));
    EXPECT_FALSE(fitsCp1252(QStringLiteral("\u4E2D")));
}
